#include "link/link_state.h"

#include <utility>

namespace brivola {

void Ring::push(std::string s) {
    slots_[static_cast<size_t>(write_ - 1)] = std::move(s);
    write_ = next(write_);
}

std::string Ring::pop() {
    std::string s = std::move(slots_[static_cast<size_t>(read_ - 1)]);
    slots_[static_cast<size_t>(read_ - 1)].clear();
    read_ = next(read_);
    return s;
}

void Ring::clear() {
    while (!empty()) pop();
    read_ = write_ = 1;
}

namespace {
thread_local LinkState state;
}

LinkState& link_state() { return state; }

}  // namespace brivola

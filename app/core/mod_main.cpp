#include "app/core/mod_main.h"

namespace modMain {

namespace {
State* state = nullptr;
Windows wins;
Controls ctls;
}  // namespace

State& g() {
    if (!state) state = new State;  // lives for the whole run
    return *state;
}

void reset() { g() = State{}; }

Windows& windows() { return wins; }

Controls& controls() { return ctls; }

}  // namespace modMain

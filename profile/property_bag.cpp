#include "profile/property_bag.h"

#include <algorithm>

namespace {

auto named(const std::string& name) {
    return [&name](const std::pair<std::string, std::string>& e) { return e.first == name; };
}

}  // namespace

std::string PropertyBag::ReadProperty(const std::string& name, const std::string& def) const {
    auto it = std::find_if(entries_.begin(), entries_.end(), named(name));
    return it == entries_.end() ? def : it->second;
}

void PropertyBag::WriteProperty(const std::string& name, const std::string& value, const std::string& def) {
    auto it = std::find_if(entries_.begin(), entries_.end(), named(name));
    if (value == def) {
        if (it != entries_.end()) entries_.erase(it);
    } else if (it != entries_.end()) {
        it->second = value;
    } else {
        entries_.emplace_back(name, value);
    }
}

#pragma once
// The container's saved properties of one control: named strings, kept in the order they were
// written. A property equal to its default is not stored, and a missing one reads as its default.
#include <string>
#include <utility>
#include <vector>

class PropertyBag {
public:
    std::string ReadProperty(const std::string& name, const std::string& def) const;
    void WriteProperty(const std::string& name, const std::string& value, const std::string& def);

    // The stored names and values, in the order they were first written.
    const std::vector<std::pair<std::string, std::string>>& Entries() const { return entries_; }

private:
    std::vector<std::pair<std::string, std::string>> entries_;
};

#pragma once
// The per-user settings store: text values under an application name, a section and a value name.
// A missing value reads as the caller's default.
#include <map>
#include <memory>
#include <string>
#include <tuple>

namespace platform {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::string get(const std::string& app, const std::string& section, const std::string& key,
                            const std::string& def) = 0;
    virtual void save(const std::string& app, const std::string& section, const std::string& key,
                      const std::string& value) = 0;
    virtual void remove(const std::string& app, const std::string& section, const std::string& key) = 0;
};

// For tests: nothing touches the disk.
class MemorySettingsStore : public SettingsStore {
public:
    std::string get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& def) override;
    void save(const std::string& app, const std::string& section, const std::string& key,
              const std::string& value) override;
    void remove(const std::string& app, const std::string& section, const std::string& key) override;
    std::map<std::tuple<std::string, std::string, std::string>, std::string> values;
};

// The store of the calling thread: the per-user file store unless one was installed.
SettingsStore& settings();
void set_settings(SettingsStore* store);  // nullptr restores the file store

}  // namespace platform

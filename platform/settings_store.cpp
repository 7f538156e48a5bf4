#include "platform/settings_store.h"

#include <QSettings>

namespace platform {

std::string MemorySettingsStore::get(const std::string& app, const std::string& section, const std::string& key,
                                     const std::string& def) {
    auto it = values.find({app, section, key});
    return it == values.end() ? def : it->second;
}

void MemorySettingsStore::save(const std::string& app, const std::string& section, const std::string& key,
                               const std::string& value) {
    values[{app, section, key}] = value;
}

void MemorySettingsStore::remove(const std::string& app, const std::string& section, const std::string& key) {
    values.erase({app, section, key});
}

namespace {

// One INI file per application under the user's configuration folder ($XDG_CONFIG_HOME/Dalmiro/),
// written through at once so that another process (the simulator registering its port) sees it.
class FileSettingsStore : public SettingsStore {
public:
    std::string get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& def) override {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, "Dalmiro", QString::fromStdString(app));
        QVariant v = s.value(QString::fromStdString(section + "/" + key));
        if (!v.isValid()) return def;
        return v.toString().toStdString();
    }
    void save(const std::string& app, const std::string& section, const std::string& key,
              const std::string& value) override {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, "Dalmiro", QString::fromStdString(app));
        s.setValue(QString::fromStdString(section + "/" + key), QString::fromStdString(value));
        s.sync();
    }
    void remove(const std::string& app, const std::string& section, const std::string& key) override {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, "Dalmiro", QString::fromStdString(app));
        s.remove(QString::fromStdString(section + "/" + key));
        s.sync();
    }
};

thread_local SettingsStore* installed = nullptr;
thread_local FileSettingsStore file_store;

}  // namespace

SettingsStore& settings() { return installed ? *installed : file_store; }
void set_settings(SettingsStore* store) { installed = store; }

}  // namespace platform

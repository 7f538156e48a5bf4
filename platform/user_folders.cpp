#include "platform/user_folders.h"

#include <QDir>
#include <QSettings>
#include <cstdlib>

namespace platform {

namespace {

// The variable when it holds an absolute path (the rules say to ignore a relative one), else the
// fallback under the home folder.
std::string xdg_folder(const char* variable, const char* under_home) {
    const char* v = std::getenv(variable);
    std::string base = v && v[0] == '/' ? std::string(v) : QDir::homePath().toStdString() + "/" + under_home;
    return base + "/Dalmiro";
}

}  // namespace

std::string state_folder() { return xdg_folder("XDG_STATE_HOME", ".local/state"); }
std::string data_folder() { return xdg_folder("XDG_DATA_HOME", ".local/share"); }

std::string settings_file(const std::string& app) {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Dalmiro", QString::fromStdString(app))
        .fileName()
        .toStdString();
}

}  // namespace platform

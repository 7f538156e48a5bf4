#include "platform/program_folder.h"

#include <QCoreApplication>
#include <QDir>

#include "platform/user_folders.h"

namespace platform {

namespace {
thread_local std::string overridden;
}

std::string program_folder() {
    if (!overridden.empty()) return overridden;
    if (!QCoreApplication::instance()) return ".";
    const QString own = QCoreApplication::applicationDirPath();
    // A program built here keeps its files beside itself; an installed one cannot write to the
    // system's program folder, so its files go to the user's data folder.
    if (QDir(own).canonicalPath() == QDir(QStringLiteral(DALMIRO_BUILD_BIN_DIR)).canonicalPath())
        return own.toStdString();
    const std::string data = data_folder();
    QDir().mkpath(QString::fromStdString(data));
    return data;
}

void set_program_folder(const std::string& folder) { overridden = folder; }

}  // namespace platform

#include "platform/program_folder.h"

#include <QCoreApplication>

namespace platform {

namespace {
thread_local std::string overridden;
}

std::string program_folder() {
    if (!overridden.empty()) return overridden;
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath().toStdString();
    return ".";
}

void set_program_folder(const std::string& folder) { overridden = folder; }

}  // namespace platform

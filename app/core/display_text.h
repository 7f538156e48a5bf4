#pragma once
// Texts of the program and of the coordinator are byte strings; only a window shows them, as Latin-1.
#include <QString>
#include <string>

namespace modMain {

inline QString Display(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string FromDisplay(const QString& text) { return text.toLatin1().toStdString(); }

}  // namespace modMain

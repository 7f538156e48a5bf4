#pragma once
// The menus and the dialogs they open came after the string table; they follow its language all
// the same, with their two texts side by side.
#include <QString>
#include <string>

#include "app/core/mod_main.h"

namespace modMain {

inline std::string T(const char* english, const char* italian) { return g().LangOffset == 0 ? english : italian; }
inline QString QT(const char* english, const char* italian) { return QString::fromUtf8(T(english, italian).c_str()); }

}  // namespace modMain

#pragma once
// The string table: every language-dependent text of the program by id (English 1000..1061,
// Italian the same id + 9000). Texts are byte strings; windows turn them into display text.
#include <cstdint>
#include <optional>
#include <string>

namespace modMain {

// The entry with this exact id, or none.
std::optional<std::string> LoadResString(int32_t id);

// The text of an English id in the language of the run (id + LangOffset); empty when missing.
std::string LocString(int32_t english_id);

// LangID 1 selects Italian, 2 English; any other value keeps the current LangOffset.
void SelectLanguage();

}  // namespace modMain

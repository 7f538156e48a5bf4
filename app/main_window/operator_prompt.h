#pragma once
// The operator's input box: the prompt is a localised string, the title the program's; Cancel
// answers "".
#include <cstdint>
#include <string>

namespace modMain {

std::string AskOperator(int32_t english_id, const std::string& proposed);

}  // namespace modMain

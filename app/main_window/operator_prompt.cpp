#include "app/main_window/operator_prompt.h"

#include "app/core/string_table.h"
#include "app/core/version_info.h"
#include "platform/dialogs.h"

namespace modMain {

std::string AskOperator(int32_t english_id, const std::string& proposed) {
    return platform::dialogs().input_box(LocString(english_id), kAppTitle, proposed);
}

}  // namespace modMain

#include "app/core/log_line.h"

#include "app/core/display_text.h"
#include "app/core/mod_main.h"
#include "app/log_splash/frmLog.h"
#include "platform/daily_log.h"
#include "platform/local_time.h"

namespace modMain {

namespace {
constexpr int32_t kLogCapChars = 30001;

const QColor kKindColours[] = {QColor(0, 255, 0), QColor(64, 0, 0), QColor(255, 0, 0), QColor(0, 0, 255)};
}  // namespace

void LogLine(const std::string& message, int16_t kind) {
    // The file keeps every line, shown or not, and outlives the on-screen clearing.
    if (platform::DailyLog* file = platform::daily_log()) file->write(Display(message).toStdString());
    frmLog* log = windows().log;
    if (!log || !log->isVisible()) return;
    RichTextBox* box = log->txtLOG;
    if (box->TextLength() >= kLogCapChars) box->clear();
    if (kind >= 1 && kind <= 4) box->SetSelColor(kKindColours[kind - 1]);
    box->AppendText(platform::TimeStamp(platform::LocalNow()) + QStringLiteral("--> ") +
                    Display(message) + QStringLiteral("\r\n"));
}

}  // namespace modMain

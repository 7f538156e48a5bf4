#include "app/core/rx_log.h"

namespace modMain {

namespace {
constexpr size_t kRxLogLimit = 65000;
constexpr size_t kRxLogKeep = 1000;
}  // namespace

void AppendToRxLog(std::string& rx_log, const std::string& text) {
    rx_log += text;
    if (rx_log.size() > kRxLogLimit) rx_log.erase(0, rx_log.size() - kRxLogKeep);
}

}  // namespace modMain

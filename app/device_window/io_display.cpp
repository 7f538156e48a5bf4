#include "app/device_window/io_display.h"

#include <QLocale>

namespace modMain {

std::optional<int16_t> HexInt16(const std::string& text) {
    if (text.empty() || text.size() > 4) return std::nullopt;
    uint16_t v = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else return std::nullopt;
        v = static_cast<uint16_t>(v * 16 + digit);
    }
    return static_cast<int16_t>(v);
}

int BarValue(const std::string& text, int minimum, int maximum) {
    const auto v = HexInt16(text);
    if (!v || *v < minimum || *v > maximum) return minimum;
    return *v;
}

QString GeneralNumber(float value) {
    // The system's decimal separator, but no group separators: the general number form writes 1234.5,
    // not 1,234.5. The default locale is the system's unless a test sets another.
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    // Seven significant digits are what a single-precision number holds.
    return locale.toString(static_cast<double>(value), 'g', 7);
}

}  // namespace modMain

// The lenient number reading of typed and stored text (the leading number, 0 when there is none) and
// the rounding to integers (halves to even, clamped to the type), against a slow reference written
// another way: a character-by-character scan handed to strtod, and rounding by comparing with the
// halfway point.
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "app/core/conversion.h"
#include "fuzz/fuzz_target.h"

namespace {

// The leading number: blanks, a sign, digits with at most one point (one digit at least), and an
// exponent only when digits follow its letter and sign.
std::string leading_number(const std::string& t) {
    size_t i = 0;
    while (i < t.size() && std::strchr(" \t\r\n", t[i]) && t[i] != '\0') ++i;
    std::string out;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) out += t[i++];
    bool digit = false, point = false;
    for (; i < t.size(); ++i) {
        if (t[i] >= '0' && t[i] <= '9') digit = true;
        else if (t[i] == '.' && !point) point = true;
        else break;
        out += t[i];
    }
    if (!digit) return "";
    if (i + 1 < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        std::string exp(1, 'e');
        size_t j = i + 1;
        if (t[j] == '+' || t[j] == '-') exp += t[j++];
        const size_t digits_from = j;
        while (j < t.size() && t[j] >= '0' && t[j] <= '9') exp += t[j++];
        if (j > digits_from) out += exp;
    }
    return out;
}

template <typename Int>
Int reference_round(double v) {
    if (std::isnan(v)) return 0;
    constexpr double lo = std::numeric_limits<Int>::min(), hi = std::numeric_limits<Int>::max();
    if (v <= lo) return std::numeric_limits<Int>::min();
    if (v >= hi) return std::numeric_limits<Int>::max();
    const double down = std::floor(v);
    const double rest = v - down;
    double r = down;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(down, 2.0) != 0.0)) r = down + 1;
    return static_cast<Int>(r);
}

void check_rounding(double v) {
    FUZZ_CHECK(modMain::CInt(v) == reference_round<int16_t>(v));
    FUZZ_CHECK(modMain::CLng(v) == reference_round<int32_t>(v));
}

}  // namespace

FUZZ_TARGET(number_text) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string number = leading_number(text);
    const double expected = number.empty() ? 0.0 : std::strtod(number.c_str(), nullptr);
    const double got = modMain::Val(text);
    // Below the smallest normal number the two may part (one gives the subnormal, the other 0); no
    // integer tells them apart.
    if (std::fabs(expected) >= DBL_MIN || expected == 0.0) FUZZ_CHECK(got == expected || (got == 0 && expected == 0));
    else FUZZ_CHECK(std::fabs(got) < DBL_MIN);
    check_rounding(got);

    // The strict reading takes a whole number text and nothing else.
    size_t end = text.size();
    while (end > 0 && std::strchr(" \t\r\n", text[end - 1]) && text[end - 1] != '\0') --end;
    size_t start = 0;
    while (start < end && std::strchr(" \t\r\n", text[start]) && text[start] != '\0') ++start;
    const bool whole = !number.empty() && number.size() == end - start;
    const std::optional<int16_t> strict = modMain::StrictInt16(text);
    const double rounded = std::nearbyint(got);
    if (whole && rounded >= -32768.0 && rounded <= 32767.0) FUZZ_CHECK(strict == modMain::CInt(got));
    else FUZZ_CHECK(!strict);

    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        check_rounding(raw);
    }
}

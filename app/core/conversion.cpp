#include "app/core/conversion.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace modMain {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Length of the numeric prefix starting at `from` (sign, digits, point, exponent); 0 if it holds no
// digit.
size_t number_length(std::string_view t, size_t from) {
    size_t i = from;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t digits = 0;
    while (i < t.size() && is_digit(t[i])) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && is_digit(t[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        size_t j = i + 1;
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
        if (j < t.size() && is_digit(t[j])) {
            while (j < t.size() && is_digit(t[j])) ++j;
            i = j;
        }
    }
    return i - from;
}

// For an unsigned number too large or too small for a double: whether it is the small kind, its first
// significant digit standing after the point once the exponent is applied. The exponent's sign alone
// does not tell: a point followed by 400 zeros and a 2 has no exponent, a 1 followed by 400 zeros and
// "e-5" has a negative one.
bool below_one(std::string_view number) {
    constexpr long long kFar = 1'000'000;  // far beyond any double; keeps the sums from overflowing
    size_t i = 0;
    long long whole_digits = 0;
    for (bool significant = false; i < number.size() && is_digit(number[i]); ++i) {
        significant = significant || number[i] != '0';
        if (significant && whole_digits < kFar) ++whole_digits;
    }
    long long place = whole_digits - 1;
    if (whole_digits == 0 && i < number.size() && number[i] == '.') {
        for (++i; i < number.size() && number[i] == '0'; ++i) place = std::max(place - 1, -kFar);
    }
    const size_t e = number.find_first_of("eE");
    if (e != std::string_view::npos) {
        size_t j = e + 1;
        const bool negative = j < number.size() && number[j] == '-';
        if (j < number.size() && (number[j] == '+' || number[j] == '-')) ++j;
        long long exponent = 0;
        for (; j < number.size(); ++j) exponent = std::min(exponent * 10 + (number[j] - '0'), kFar);
        place += negative ? -exponent : exponent;
    }
    return place < 0;
}

double parse(std::string_view number) {
    const bool negative = number.front() == '-';
    if (number.front() == '+' || negative) number.remove_prefix(1);
    double v = 0;
    auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), v);
    (void)end;
    if (ec == std::errc::result_out_of_range) v = below_one(number) ? 0.0 : std::numeric_limits<double>::infinity();
    return negative ? -v : v;
}

template <typename Int>
Int round_clamped(double value) {
    if (std::isnan(value)) return 0;
    const double r = std::nearbyint(value);  // the default rounding mode sends halves to even
    if (r <= static_cast<double>(std::numeric_limits<Int>::min())) return std::numeric_limits<Int>::min();
    if (r >= static_cast<double>(std::numeric_limits<Int>::max())) return std::numeric_limits<Int>::max();
    return static_cast<Int>(r);
}

}  // namespace

double Val(std::string_view text) {
    size_t start = 0;
    while (start < text.size() && is_blank(text[start])) ++start;
    const size_t len = number_length(text, start);
    if (len == 0) return 0;
    return parse(text.substr(start, len));
}

int16_t CInt(double value) { return round_clamped<int16_t>(value); }
int32_t CLng(double value) { return round_clamped<int32_t>(value); }

std::optional<int16_t> StrictInt16(std::string_view text) {
    size_t start = 0;
    while (start < text.size() && is_blank(text[start])) ++start;
    size_t end = text.size();
    while (end > start && is_blank(text[end - 1])) --end;
    const size_t len = number_length(text, start);
    if (len == 0 || start + len != end) return std::nullopt;
    const double r = std::nearbyint(parse(text.substr(start, len)));
    if (!(r >= std::numeric_limits<int16_t>::min() && r <= std::numeric_limits<int16_t>::max())) return std::nullopt;
    return static_cast<int16_t>(r);
}

std::string Trim(std::string_view text) {
    const size_t b = text.find_first_not_of(' ');
    if (b == std::string_view::npos) return std::string();
    return std::string(text.substr(b, text.find_last_not_of(' ') - b + 1));
}

}  // namespace modMain

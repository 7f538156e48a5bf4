#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "app/core/conversion.h"
#include "app/core/hex_text.h"
#include "app/core/mod_main.h"
#include "app/core/saved_settings.h"
#include "tests/app/app_fixture.h"

using namespace modMain;

TEST(Conversion, lenient_reading_takes_the_leading_number_and_rounds_halves_to_even) {
    struct Case {
        const char* text;
        int16_t expected;
    } cases[] = {
        {"3.5", 4},   {"2.5", 2},     {"7abc", 7},   {"abc", 0},    {"", 0},      {"  12", 12},
        {"-2.5", -2}, {"+11.5", 12},  {"1e2x", 100}, {"1e", 1},     {".5", 0},    {"1.5e0", 2},
        {"-", 0},     {"12 34", 12},  {"0x10", 0},   {"\t-7.49", -7}, {"65535", 32767}, {"-99999", -32768},
        {"1e999", 32767}, {"-1e999", -32768}, {"1e-999", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(CInt(Val(c.text)), c.expected) << '"' << c.text << '"';
}

TEST(Conversion, a_number_beyond_a_double_reads_as_zero_when_tiny_and_infinity_when_huge_however_written) {
    const std::string zeros(400, '0');
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        std::string text;
        double expected;
    } cases[] = {
        {"0." + zeros + "2", 0.0},          {"-." + zeros + "2 V", 0.0},       {"1" + zeros + "e-5", inf},
        {"-1" + zeros + ".5e-9", -inf},     {zeros + "1e400", inf},            {"." + std::string(330, '0') + "1e5", 0.0},
        {"1e99999999999999999999999", inf}, {"0.1e-99999999999999999999", 0.0}, {"1e-999", 0.0},
    };
    for (const Case& c : cases) EXPECT_EQ(Val(c.text), c.expected) << c.text.substr(0, 20) << "... of " << c.text.size();
    EXPECT_EQ(CInt(Val("0." + zeros + "2")), 0);
    EXPECT_EQ(StrictInt16("1" + zeros + "e-5"), std::nullopt);
}

TEST(Conversion, long_conversion_rounds_halves_to_even_and_clamps_to_32_bits) {
    EXPECT_EQ(CLng(Val("65000")), 65000);
    EXPECT_EQ(CLng(Val("100000.5")), 100000);
    EXPECT_EQ(CLng(Val("100001.5")), 100002);
    EXPECT_EQ(CLng(Val("9999999999")), 2147483647);
    EXPECT_EQ(CLng(Val("-9999999999")), -2147483648LL);
    EXPECT_EQ(CLng(std::nan("")), 0);
}

TEST(Conversion, strict_reading_accepts_only_a_whole_number_text_in_16_bit_range) {
    struct Case {
        const char* text;
        bool ok;
        int16_t value;
    } cases[] = {
        {"1003", true, 1003}, {" 1059 ", true, 1059}, {"1022.5", true, 1022}, {"-12", true, -12},
        {"32767", true, 32767}, {"", false, 0},      {"  ", false, 0},       {"Help", false, 0},
        {"1003a", false, 0},  {"10 03", false, 0},   {"32768", false, 0},    {"-32769", false, 0},
        {"1e999", false, 0},
    };
    for (const Case& c : cases) {
        auto v = StrictInt16(c.text);
        EXPECT_EQ(v.has_value(), c.ok) << '"' << c.text << '"';
        if (c.ok && v) {
            EXPECT_EQ(*v, c.value) << '"' << c.text << '"';
        }
    }
}

TEST(HexText, every_byte_becomes_two_upper_case_digits) {
    EXPECT_EQ(HexDumpDash(std::string("\x05\xFF", 2) + std::string(1, '\0')), "05-FF-00");
    EXPECT_EQ(HexDumpDash("04\n"), "30-34-0A");
    EXPECT_EQ(HexDumpDash("A"), "41");
    EXPECT_EQ(HexDumpColon("\x01\x23\x45\x67\x89\xAB\xCD\xEF"), "01:23:45:67:89:AB:CD:EF");
    EXPECT_EQ(HexDumpDash(""), "");
    EXPECT_EQ(HexDumpColon(""), "");
}

TEST(HexText, word_to_hex_takes_the_first_two_bytes_first_byte_first) {
    EXPECT_EQ(WordToHex("\x12\x34"), "1234");
    EXPECT_EQ(WordToHex("\x12\x34\x56"), "1234");
    EXPECT_EQ(WordToHexB(std::string("\0\x0A", 2)), "000A");
    EXPECT_EQ(WordToHex(""), "");
    EXPECT_EQ(WordToHex("\x7F"), "7F");
}

using SavedSettings = AppTest;

TEST_F(SavedSettings, absent_values_read_as_their_defaults_and_texts_are_read_leniently) {
    EXPECT_EQ(ReadSettingInt16(Setting::SerialPort), 1);
    EXPECT_EQ(ReadSettingInt16(Setting::ShowSplash), 1);
    EXPECT_EQ(ReadSettingInt16(Setting::LangID), 2);
    EXPECT_EQ(ReadSettingSingle(Setting::DeviceTop), 1000.0f);
    save("SerialPort", "3.5");
    save("LangID", "uno");
    save("LogLeft", "-5000.25");
    EXPECT_EQ(ReadSettingInt16(Setting::SerialPort), 4);
    EXPECT_EQ(ReadSettingInt16(Setting::LangID), 0);
    EXPECT_EQ(ReadSettingSingle(Setting::LogLeft), -5000.25f);
}

TEST_F(SavedSettings, values_are_saved_as_text_under_their_names) {
    SaveSetting(Setting::MainLeft, -1500);
    SaveSetting(Setting::SerialPort, "7");
    EXPECT_EQ(saved("MainLeft"), "-1500");
    EXPECT_EQ(saved("SerialPort"), "7");
}

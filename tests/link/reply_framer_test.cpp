#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/reply_framer.h"

using brivola::frame_char;
using brivola::RxFraming;

namespace {

std::string bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s += static_cast<char>(v);
    return s;
}

// A text reply: first byte, filler up to len - 1 characters, then ";".
std::string text_reply(int first, size_t len) {
    std::string s(1, static_cast<char>(first));
    s += std::string(len - 2, 'x');
    return s + ";";
}

std::vector<std::string> feed(RxFraming& rx, const std::string& in) {
    std::vector<std::string> out;
    std::string reply;
    for (char c : in)
        if (frame_char(rx, c, reply)) out.push_back(reply);
    return out;
}

struct FramingCase {
    const char* name;
    std::string input;
    std::vector<std::string> replies;
};

}  // namespace

TEST(ReplyFramer, every_length_class_completes_exactly_at_its_length) {
    const std::vector<std::pair<std::vector<int>, size_t>> classes = {
        {{0x01, 0x03, 0x04}, 6}, {{0x05, 0x17, 0x21}, 4},       {{0x06}, 13},
        {{0x07}, 10},           {{0x0A}, 18},                   {{0x09, 0x11, 0x15, 0x19, 0x20}, 5},
        {{0x00, 0xCC}, 13},     {{0x13, 0x30, 0x39, 0x40, 0x49, 0x50, 0x54}, 2}, {{0x08}, 17}};
    for (const auto& [firsts, len] : classes) {
        for (int first : firsts) {
            // Only the ";" at the selected length closes a reply: one a character early ends nothing.
            const std::string whole = text_reply(first, len);
            if (len > 2) {
                RxFraming early;
                EXPECT_TRUE(feed(early, text_reply(first, len - 1)).empty()) << "first byte " << first;
            }
            RxFraming rx;
            EXPECT_EQ(feed(rx, whole), std::vector<std::string>{whole}) << "first byte " << first;
            EXPECT_TRUE(rx.RxBuffer.empty());
        }
    }
}

TEST(ReplyFramer, table_of_framing_cases) {
    const std::string io17 = text_reply(0x08, 17);
    std::string io19 = bytes({0x08}) + std::string(15, 'x') + "?" + "H" + "z";  // 17th not ";", 18th 'H'
    std::string io19_no_h = bytes({0x08}) + std::string(15, 'x') + "?" + "G" + ";";
    const std::vector<FramingCase> cases = {
        {"digit one-byte reply", "0;", {"0;"}},
        {"T is a one-byte reply", "T;", {"T;"}},
        {"Z before any known reply is not recognised", "Z;", {}},
        {"an unknown first byte takes the last known length", "0;Z;", {"0;", "Z;"}},
        {"a ; inside a text reply ends nothing", bytes({0x01, ';', ';', ';', ';', ';'}),
         {bytes({0x01, ';', ';', ';', ';', ';'})}},
        {"I/O report of 17 ending in ;", io17, {io17}},
        {"I/O report of 19 flagged by H", io19, {io19}},
        {"I/O report with neither ends nowhere", io19_no_h, {}},
        {"data frame without data", bytes({0x02, 0x0A, 0x1B, 0x00, ';'}), {bytes({0x02, 0x0A, 0x1B, 0x00, ';'})}},
        {"data frame with ; in address and data", bytes({0x02, ';', ';', 0x03, 'a', ';', 'b', ';'}),
         {bytes({0x02, ';', ';', 0x03, 'a', ';', 'b', ';'})}},
        {"data frame that lacks its ; at N + 5 runs on", bytes({0x02, 0x0A, 0x1B, 0x01, 'a', 'b', ';'}), {}},
        {"back to back replies", "0;" + bytes({0x05, 'a', 'b', ';'}) + "1;",
         {"0;", bytes({0x05, 'a', 'b', ';'}), "1;"}},
    };
    for (const auto& c : cases) {
        RxFraming rx;
        EXPECT_EQ(feed(rx, c.input), c.replies) << c.name;
    }
}

TEST(ReplyFramer, unknown_first_byte_keeps_the_length_of_the_last_recognised_reply) {
    RxFraming rx;
    feed(rx, text_reply(0x07, 10));
    EXPECT_EQ(rx.ExpectedLen, 10);
    const std::string unknown = text_reply(0x5A, 10);
    EXPECT_EQ(feed(rx, unknown), std::vector<std::string>{unknown});
    EXPECT_EQ(rx.ExpectedLen, 10);
}

TEST(ReplyFramer, a_reply_that_can_never_complete_stops_growing_at_the_longest_reply) {
    RxFraming rx;
    EXPECT_TRUE(feed(rx, "Z" + std::string(5000, ';')).empty());
    EXPECT_EQ(rx.RxBuffer.size(), brivola::kLongestReply);
    brivola::abandon_reply(rx);
    EXPECT_EQ(feed(rx, "0;"), std::vector<std::string>{"0;"});
}

TEST(ReplyFramer, longest_data_frame_completes_at_260) {
    RxFraming rx;
    std::string frame = bytes({0x02, 0x12, 0x34, 0xFF}) + std::string(255, ';') + ";";
    EXPECT_EQ(feed(rx, frame), std::vector<std::string>{frame});
}

TEST(ReplyFramer, bytes_to_hex_renders_two_bytes_as_four_upper_case_digits) {
    EXPECT_EQ(brivola::BytesToHex(bytes({0x0A, 0x1B})), "0A1B");
    EXPECT_EQ(brivola::BytesToHex(bytes({0xFF, 0x00})), "FF00");
    EXPECT_EQ(brivola::BytesToHex(""), "");
}

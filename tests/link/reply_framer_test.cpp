#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/reply_framer.h"

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
    brivola::frame_chars(rx, in, [&out](std::string&& reply) { out.push_back(std::move(reply)); });
    return out;
}

// The same, and then the line falls silent for longer than the time-out.
std::vector<std::string> feed_then_silence(const std::string& in) {
    RxFraming rx;
    std::vector<std::string> out = feed(rx, in);
    brivola::abandon_reply(rx, [&out](std::string&& reply) { out.push_back(std::move(reply)); });
    return out;
}

std::string joined(const std::vector<std::string>& replies) {
    std::string s;
    for (const auto& r : replies) s += r;
    return s;
}

// How many of the expected replies were framed, in order, among whatever else was framed: the
// longest common subsequence of the two.
size_t replies_kept(const std::vector<std::string>& expected, const std::vector<std::string>& got) {
    std::vector<std::vector<size_t>> kept(expected.size() + 1, std::vector<size_t>(got.size() + 1, 0));
    for (size_t i = 1; i <= expected.size(); ++i)
        for (size_t j = 1; j <= got.size(); ++j)
            kept[i][j] = expected[i - 1] == got[j - 1] ? kept[i - 1][j - 1] + 1 : std::max(kept[i - 1][j], kept[i][j - 1]);
    return kept[expected.size()][got.size()];
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
        {"a ; inside a text reply ends nothing", bytes({0x01, ';', ';', ';', ';', ';'}),
         {bytes({0x01, ';', ';', ';', ';', ';'})}},
        {"I/O report of 17 ending in ;", io17, {io17}},
        {"I/O report of 19 flagged by H", io19, {io19}},
        {"I/O report with neither is dropped and framed again from its next possible first byte", io19_no_h,
         {"G;"}},
        {"data frame without data", bytes({0x02, 0x0A, 0x1B, 0x00, ';'}), {bytes({0x02, 0x0A, 0x1B, 0x00, ';'})}},
        {"data frame with ; in address and data", bytes({0x02, ';', ';', 0x03, 'a', ';', 'b', ';'}),
         {bytes({0x02, ';', ';', 0x03, 'a', ';', 'b', ';'})}},
        {"data frame that lacks its ; at N + 5 runs on", bytes({0x02, 0x0A, 0x1B, 0x01, 'a', 'b', ';'}), {}},
        {"back to back replies", "0;" + bytes({0x05, 'a', 'b', ';'}) + "1;",
         {"0;", bytes({0x05, 'a', 'b', ';'}), "1;"}},
        {"a noise byte between replies costs nothing", "0;Z0;1;", {"0;", "0;", "1;"}},
        {"a noise byte inside a reply costs that reply alone", bytes({0x04, 'a', 'b', 'Z', 'c', 'd', ';', 0x04}) +
         "abcd;1;", {bytes({0x04, 'a', 'b', 'c', 'd', ';'}), "1;"}},
        {"a data frame whose ; is missing is framed again after its first byte",
         bytes({0x02, 0x0A, 0x1B, 0x01, 'a', 'b'}) + "1;2;3;4;5;6;7;", {"1;", "2;", "3;", "4;", "5;", "6;", "7;"}},
    };
    for (const auto& c : cases) EXPECT_EQ(feed_then_silence(c.input), c.replies) << c.name;
}

// An unrecognised first byte may be a noise byte: its reply is held until what follows shows which
// it was, or until the line falls silent.
TEST(ReplyFramer, unknown_first_byte_keeps_the_length_of_the_last_recognised_reply) {
    RxFraming rx;
    std::vector<std::string> out;
    const brivola::ReplySink keep = [&out](std::string&& reply) { out.push_back(std::move(reply)); };
    const std::string address = text_reply(0x07, 10), unknown = text_reply(0x5A, 10);
    brivola::frame_chars(rx, address + unknown, keep);
    EXPECT_EQ(rx.ExpectedLen, 10);
    brivola::abandon_reply(rx, keep);
    EXPECT_EQ(out, (std::vector<std::string>{address, unknown}));
    EXPECT_EQ(rx.ExpectedLen, 10);
    EXPECT_EQ(feed_then_silence("0;Z;"), (std::vector<std::string>{"0;", "Z;"}));
}

TEST(ReplyFramer, noise_never_holds_more_than_the_longest_reply_nor_hides_the_next_one) {
    RxFraming rx;
    std::string noise = "Z" + std::string(5000, ';');
    for (int i = 0; i < 5000; ++i) noise += static_cast<char>((i * 37) % 256);
    for (char c : noise) {
        feed(rx, std::string(1, c));
        ASSERT_LE(rx.RxBuffer.size(), brivola::kLongestReply);
        ASSERT_LE(brivola::chars_held(rx), brivola::kLongestHunt);
    }
    // Silence: whatever the noise left half assembled is forgotten.
    brivola::abandon_reply(rx, [](std::string&&) {});
    EXPECT_EQ(brivola::chars_held(rx), 0u);
    EXPECT_EQ(feed(rx, "0;"), std::vector<std::string>{"0;"});
}

// A busy line: text replies back to back, never a silence. One noise byte anywhere costs at most the
// reply it fell into; every other reply is framed, in order. A noise byte that is itself a first byte
// or a ";" (or one that hits a data frame's length byte) makes a reply by every rule there is when a
// ";" happens to sit at the length it selects, and then takes what it spans: the benchmark counts how
// often that happens on a realistic stream.
TEST(ReplyFramer, one_noise_byte_anywhere_in_a_busy_stream_costs_at_most_one_reply) {
    const std::vector<std::string> replies = {
        text_reply(0x08, 17), bytes({0x04, 0x0A, 0x12, 0x34, 0x56, ';'}), "0;",
        bytes({0x05, 'a', 'b', ';'}), text_reply(0x07, 10), "T;"};
    std::vector<std::string> expected;
    std::string stream;
    for (int round = 0; round < 2; ++round)
        for (const auto& r : replies) {
            expected.push_back(r);
            stream += r;
        }
    for (size_t at = 0; at <= stream.size(); ++at) {
        for (int noise = 0; noise < 256; ++noise) {
            if (noise == ';' || noise == brivola::kDataFrameStart ||
                brivola::reply_length_for(static_cast<uint8_t>(noise)) != 0)
                continue;
            const std::string noisy = stream.substr(0, at) + static_cast<char>(noise) + stream.substr(at);
            ASSERT_GE(replies_kept(expected, feed_then_silence(noisy)) + 1, expected.size()) << "noise " << noise << " at " << at;
        }
    }
}

// One noise byte of the kinds that can look like the start of a reply, on a busy line: exactly the
// reply it fell into is lost, every other one is framed, in order, with nothing made up.
TEST(ReplyFramer, a_noise_byte_that_looks_like_a_start_costs_at_most_the_reply_it_fell_into) {
    const std::string ping = bytes({0x04, 0x0A, 0x12, 0x34, 0x56, ';'});
    const std::string io = text_reply(0x08, 17), announce = text_reply(0xCC, 13);
    // A device string whose payload holds a data-frame start: with a noise byte ahead of it, a frame
    // begun there takes the 13 characters left of this one, "1;" and the ping, and ends on its ";".
    const std::string frame =
        bytes({0x02, 0xA1, 0x1E, 0x0C, 0x02, 'x', 'x', 13 + 2 + 6 - 5, 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', ';'});
    struct NoiseCase {
        const char* name;
        std::vector<std::string> replies;
        size_t reply, offset;  // where the noise goes
        int noise;
        bool touched;          // the noise fell inside replies[reply], which is lost
    };
    const std::vector<NoiseCase> cases = {
        {"in a data frame's address: the frame runs on, and a false start in its rest would end on a ;",
         {"0;", frame, "1;", ping, "2;", io, "3;"}, 1, 2, 0xEE, true},
        {"in a data frame's length byte", {"0;", frame, "1;", ping, "2;", io, "3;"}, 1, 3, 0xEE, true},
        {"a data-frame start between replies", {"0;", ping, "1;", io, "2;", announce}, 1, 0, 0x02, false},
        {"an unrecognised byte whose borrowed length ends on a later ;",
         {text_reply(0x09, 5), "0;", "1;", ping, "2;"}, 1, 0, 0xEE, false},
        {"a ; inside an I/O report", {ping, io, "1;", announce, "2;"}, 1, 10, ';', true},
        {"a data-frame start just before the line falls silent", {"0;", ping, "1;", announce}, 2, 0, 0x02, false},
        {"an unrecognised byte just before the line falls silent", {"0;", ping, "1;"}, 2, 0, 0xEE, false},
    };
    for (const auto& c : cases) {
        std::string noisy = joined(c.replies);
        size_t at = c.offset;
        for (size_t i = 0; i < c.reply; ++i) at += c.replies[i].size();
        noisy.insert(at, 1, static_cast<char>(c.noise));
        std::vector<std::string> expected = c.replies;
        if (c.touched) expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(c.reply));
        EXPECT_EQ(feed_then_silence(noisy), expected) << c.name;
    }
}

// Hunting is for noise alone: replies of every kind back to back, data frames whose payload holds
// ";" and bytes that begin replies among them, are framed one by one as they complete.
TEST(ReplyFramer, a_stream_without_noise_is_framed_as_it_comes) {
    std::vector<std::string> replies;
    for (int first = 0; first < 256; ++first) {
        const auto len = static_cast<size_t>(brivola::reply_length_for(static_cast<uint8_t>(first)));
        if (len != 0) replies.push_back(text_reply(first, len));
    }
    replies.push_back(bytes({0x08}) + std::string(15, 'x') + "?Hz");
    replies.push_back(bytes({0x08, ';', ';', 0x02, ';', 0x04, 0x30}) + std::string(9, ';') + ";");
    replies.push_back(bytes({0x02, 0x30, ';', 0x04, 0x31, ';', 0x32, 0x04, ';'}));  // "0;" then a ping, by its bytes
    replies.push_back(bytes({0x02, 0x04, 0x0A, 0x05, 'a', ';', 0x02, 'b', 0x30, ';'}));
    replies.push_back(bytes({0x02, 0xCC, 0x31, 0x04, ';', 0x31, ';', 0x30, ';'}));
    replies.push_back(bytes({0x02, 0x12, 0x34, 0xFF}) + std::string(255, ';') + ";");
    std::vector<std::string> twice = replies;
    twice.insert(twice.end(), replies.begin(), replies.end());
    const std::string stream = joined(twice);
    for (size_t chunk : {size_t{1}, size_t{7}, stream.size()}) {
        RxFraming rx;
        std::vector<std::string> out;
        for (size_t at = 0; at < stream.size(); at += chunk) {
            for (auto& r : feed(rx, stream.substr(at, chunk))) out.push_back(std::move(r));
            ASSERT_FALSE(rx.Hunting) << "chunk " << chunk << " at " << at;
        }
        EXPECT_EQ(out, twice) << "chunk " << chunk;
    }
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

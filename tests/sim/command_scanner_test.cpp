#include <gtest/gtest.h>

#include "sim/command_scanner.h"

using zbsim::CommandScanner;

TEST(CommandScanner, finds_commands_in_pieces_noise_and_device_strings) {
    struct Case {
        const char* name;
        std::vector<std::string> writes;
        std::vector<std::string> texts;  // the commands found, whole
        std::string junk;
    } cases[] = {
        {"split", {"CMD:1", "1;"}, {"CMD:11;"}, ""},
        {"two in one write", {"CMD:11;CMD:0D;"}, {"CMD:11;", "CMD:0D;"}, ""},
        {"noise before", {std::string("\xFF\x00xy", 4) + "CMD:11;"}, {"CMD:11;"}, std::string("\xFF\x00xy", 4)},
        {"noise after", {"CMD:11;zz"}, {"CMD:11;"}, "zz"},
        {"prefix split over writes", {"xxS", "N", "T:1A2B:01:", "x;"}, {"SNT:1A2B:01:x;"}, "xx"},
        {"semicolons in data", {"SNT:1A2B:05:a;b;c;"}, {"SNT:1A2B:05:a;b;c;"}, ""},
        {"command text in data", {"SNT:1A2B:07:CMD:11;;"}, {"SNT:1A2B:07:CMD:11;;"}, ""},
        {"new command before the end", {"CMD:0E:12CMD:11;"}, {"CMD:11;"}, "CMD:0E:12"},
        {"length too short", {"SNT:1A2B:02:abc;CMD:0D;"}, {"CMD:0D;"}, "SNT:1A2B:02:abc;"},
        {"length not hex", {"SNT:1A2B:ZZ:x;CMD:0D;"}, {"CMD:0D;"}, "SNT:1A2B:ZZ:x;"},
        {"empty data", {"SNT:1A2B:00:;"}, {"SNT:1A2B:00:;"}, ""},
    };
    for (const auto& c : cases) {
        CommandScanner s;
        std::vector<std::string> texts;
        std::string junk;
        for (const auto& w : c.writes)
            for (const auto& cmd : s.feed(w, junk)) texts.push_back(cmd.text);
        EXPECT_EQ(texts, c.texts) << c.name;
        EXPECT_EQ(junk, c.junk) << c.name;
        EXPECT_FALSE(s.has_partial()) << c.name;
    }
}

TEST(CommandScanner, splits_device_strings_into_address_and_data) {
    CommandScanner s;
    std::string junk;
    auto got = s.feed("SNT:1A2B:0A:x;CMD:13;y;", junk);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].kind, zbsim::ScannedCommand::Snt);
    EXPECT_EQ(got[0].body, "1A2B");
    EXPECT_EQ(got[0].data, "x;CMD:13;y");
}

TEST(CommandScanner, a_command_that_never_ends_is_given_up_at_its_size_limit) {
    const size_t limit = CommandScanner::kMaxCommand;
    CommandScanner waiting, over;
    std::string junk;
    EXPECT_TRUE(waiting.feed("CMD:" + std::string(limit - 4, '1'), junk).empty());
    EXPECT_TRUE(waiting.has_partial());
    EXPECT_EQ(junk, "");
    EXPECT_TRUE(over.feed("CMD:" + std::string(limit - 3, '1'), junk).empty());
    EXPECT_FALSE(over.has_partial());
    EXPECT_EQ(junk.size(), limit + 1);
    EXPECT_EQ(over.feed("CMD:0D;", junk).size(), 1u);
}

TEST(CommandScanner, an_unfinished_command_waits_and_can_be_discarded) {
    CommandScanner s;
    std::string junk;
    EXPECT_TRUE(s.feed("SNT:1A2B:10:abc", junk).empty());
    EXPECT_TRUE(s.has_partial());
    EXPECT_EQ(s.discard_partial(), "SNT:1A2B:10:abc");
    EXPECT_EQ(s.feed("CMD:11;", junk).size(), 1u);
    EXPECT_EQ(junk, "");
}

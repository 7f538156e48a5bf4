#include "platform/profile_engine.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/profile_disk.h"
#include "platform/virtual_clock.h"
#include "tests/profile/temp_folder.h"

using platform::GetPrivateProfileString;
using platform::profile_discard_file;
using platform::profile_flush;
using platform::WritePrivateProfileString;

namespace {

// A file as a person or Windows would leave it: CR LF, blanks around "=", comments, quotes of both
// kinds, duplicate keys and sections, lines without "=", a section with LF ends, no final line end.
const std::string kHandWritten =
    "; written by hand\r\n"
    "top=before any section\r\n"
    "[General]\r\n"
    "  Name  =  Value with blanks  \r\n"
    "Quoted = \"  kept blanks  \"\r\n"
    "Single='single'\r\n"
    "Mismatched=\"abc'\r\n"
    "Empty=\r\n"
    "OnlyQuotes=\"\"\r\n"
    "no equals line\r\n"
    ";Commented=yes\r\n"
    "Dup=first\r\n"
    "Dup=second\r\n"
    "\r\n"
    "[ general ]\r\n"
    "Extra=from the second header\r\n"
    "Dup=third\r\n"
    "[Other]\n"
    "lf=unix line\n"
    "eq=a=b\n"
    "[Last]\r\n"
    "final=no line end";

class ProfileEngine : public ::testing::Test {
protected:
    ~ProfileEngine() override { profile_flush(); }

    std::string read(const std::string& section, const std::string& key, const std::string& file) {
        char buf[256] = {};
        uint32_t n = GetPrivateProfileString(section.c_str(), key.c_str(), "Errore", buf, sizeof buf, file);
        return std::string(buf, n);
    }
    std::string read(const std::string& section, const std::string& key) { return read(section, key, ini); }
    bool write(const char* section, const char* key, const char* value) {
        return WritePrivateProfileString(section, key, value, ini);
    }

    platform::VirtualClock clock;
    TempFolder dir;
    std::string ini = dir / "net.ini";
};

TEST_F(ProfileEngine, reads_hand_written_windows_layout) {
    write_file(ini, kHandWritten);
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"General", "Name", "Value with blanks"},
        {"GENERAL", "name", "Value with blanks"},
        {"  General ", " Name ", "Value with blanks"},
        {"General", "Quoted", "  kept blanks  "},
        {"General", "Single", "single"},
        {"General", "Mismatched", "\"abc'"},
        {"General", "Empty", ""},
        {"General", "OnlyQuotes", ""},
        {"General", "no equals line", "Errore"},
        {"General", ";Commented", "Errore"},
        {"General", "Dup", "first"},
        {"General", "Extra", "from the second header"},
        {"Other", "lf", "unix line"},
        {"Other", "eq", "a=b"},
        {"Last", "final", "no line end"},
        {"", "top", "Errore"},
        {"General", "Missing", "Errore"},
        {"Missing", "Name", "Errore"},
    };
    for (const Case& c : cases) EXPECT_EQ(read(c.section, c.key), c.expected) << c.section << "/" << c.key;
    EXPECT_EQ(read("General", "Name", dir / "absent.ini"), "Errore");
}

TEST_F(ProfileEngine, writes_touch_only_their_lines_and_new_lines_end_in_crlf) {
    write_file(ini, kHandWritten);
    EXPECT_TRUE(write("general", "dup", "X"));               // first of the duplicates, in place
    EXPECT_TRUE(write("GENERAL", "New", "n"));               // end of the first header's keys
    EXPECT_TRUE(write("Other", "  Name2 ", "v2"));           // a CR LF line among LF lines
    EXPECT_TRUE(write("Last", "final", "\"quoted\""));       // the last line, still without its end
    EXPECT_TRUE(write("Fresh", "k", " v "));                 // appended; the last line gets its end
    profile_flush();
    EXPECT_EQ(read_file(ini),
              "; written by hand\r\n"
              "top=before any section\r\n"
              "[General]\r\n"
              "  Name  =  Value with blanks  \r\n"
              "Quoted = \"  kept blanks  \"\r\n"
              "Single='single'\r\n"
              "Mismatched=\"abc'\r\n"
              "Empty=\r\n"
              "OnlyQuotes=\"\"\r\n"
              "no equals line\r\n"
              ";Commented=yes\r\n"
              "Dup=X\r\n"
              "Dup=second\r\n"
              "New=n\r\n"
              "\r\n"
              "[ general ]\r\n"
              "Extra=from the second header\r\n"
              "Dup=third\r\n"
              "[Other]\n"
              "lf=unix line\n"
              "eq=a=b\n"
              "Name2=v2\r\n"
              "[Last]\r\n"
              "final=\"quoted\"\r\n"
              "[Fresh]\r\n"
              "k= v \r\n");
    EXPECT_EQ(read("Fresh", "k"), "v");
    EXPECT_EQ(read("last", "FINAL"), "quoted");
}

TEST_F(ProfileEngine, deleting_removes_every_duplicate_and_keeps_the_rest) {
    write_file(ini, kHandWritten);
    EXPECT_TRUE(write("General", "Dup", nullptr));
    profile_flush();
    std::string expected = kHandWritten;
    for (const char* gone : {"Dup=first\r\n", "Dup=second\r\n", "Dup=third\r\n"})
        expected.erase(expected.find(gone), std::string(gone).size());
    EXPECT_EQ(read_file(ini), expected);

    EXPECT_TRUE(write("general", nullptr, nullptr));
    EXPECT_TRUE(write("Nowhere", "k", nullptr));
    EXPECT_TRUE(write("Nowhere", nullptr, nullptr));
    profile_flush();
    EXPECT_EQ(read_file(ini),
              "; written by hand\r\ntop=before any section\r\n[Other]\nlf=unix line\neq=a=b\n[Last]\r\nfinal=no line end");
}

TEST_F(ProfileEngine, write_creates_folderless_nothing_but_the_file_and_its_section) {
    EXPECT_TRUE(write("Main", "TotalDevice", "\"3\""));
    EXPECT_TRUE(write("Main", "RFCh", "\"11\""));
    EXPECT_TRUE(write("MAC List", "Device000001", "\"01:02\""));
    EXPECT_TRUE(write("Main", "TotalDevice", "\"4\""));
    profile_flush();
    EXPECT_EQ(read_file(ini),
              "[Main]\r\nTotalDevice=\"4\"\r\nRFCh=\"11\"\r\n[MAC List]\r\nDevice000001=\"01:02\"\r\n");
    EXPECT_EQ(dir.entries(), std::set<std::string>{"net.ini"});
    // Deleting what is not there creates nothing.
    std::string other = dir / "other.ini";
    EXPECT_TRUE(WritePrivateProfileString("S", "k", nullptr, other));
    EXPECT_TRUE(WritePrivateProfileString("S", nullptr, nullptr, other));
    profile_flush();
    EXPECT_FALSE(file_exists(other));
}

TEST_F(ProfileEngine, buffer_takes_at_most_size_minus_one_characters) {
    write_file(ini, "[S]\r\nk=abcdef\r\n");
    struct Case {
        uint32_t size;
        uint32_t count;
        std::string buffer;  // up to and including the NUL
    };
    const Case cases[] = {{1, 0, std::string(1, '\0')},
                          {4, 3, std::string("abc\0", 4)},
                          {7, 6, std::string("abcdef\0", 7)},
                          {8, 6, std::string("abcdef\0", 7)}};
    for (const Case& c : cases) {
        std::string buf(16, '#');
        EXPECT_EQ(GetPrivateProfileString("S", "k", "", buf.data(), c.size, ini), c.count) << c.size;
        EXPECT_EQ(buf.substr(0, c.buffer.size()), c.buffer) << c.size;
    }
    std::string untouched(4, '#');
    EXPECT_EQ(GetPrivateProfileString("S", "k", "", untouched.data(), 0, ini), 0u);
    EXPECT_EQ(untouched, "####");
    EXPECT_EQ(GetPrivateProfileString("S", "k", "", nullptr, 10, ini), 0u);
    // The default loses its trailing blanks; a null default is empty.
    char buf[16];
    EXPECT_EQ(GetPrivateProfileString("S", "x", " Errore  ", buf, sizeof buf, ini), 7u);
    EXPECT_EQ(std::string(buf), " Errore");
    EXPECT_EQ(GetPrivateProfileString("S", "x", nullptr, buf, sizeof buf, ini), 0u);
}

TEST_F(ProfileEngine, null_names_list_sections_and_keys) {
    write_file(ini, kHandWritten);
    auto list = [&](const char* section, uint32_t size) {
        std::string buf(size, '#');
        uint32_t n = GetPrivateProfileString(section, nullptr, "ignored", buf.data(), size, ini);
        return std::make_pair(n, buf);
    };
    std::string sections("General\0Other\0Last\0\0", 20);
    EXPECT_EQ(list(nullptr, 20), std::make_pair(19u, sections));
    EXPECT_EQ(list(nullptr, 10), std::make_pair(8u, std::string("General\0\0\0", 10)));
    std::string keys("lf\0eq\0\0", 7);
    EXPECT_EQ(list("other", 7), std::make_pair(6u, keys));
    std::string general("Name\0Quoted\0Single\0Mismatched\0Empty\0OnlyQuotes\0Dup\0Extra\0\0", 58);
    EXPECT_EQ(list("General", 58), std::make_pair(57u, general));
    EXPECT_EQ(list("Missing", 4), std::make_pair(0u, std::string("\0\0##", 4)));
}

TEST_F(ProfileEngine, changes_reach_the_disk_when_control_returns_to_the_event_loop) {
    write_file(ini, "[S]\r\nk=old\r\n");
    EXPECT_TRUE(write("S", "k", "new"));
    EXPECT_TRUE(write("S", "k2", "v2"));
    EXPECT_EQ(read("S", "k"), "new");
    EXPECT_EQ(read_file(ini), "[S]\r\nk=old\r\n");
    clock.run_pending();
    EXPECT_EQ(read_file(ini), "[S]\r\nk=new\r\nk2=v2\r\n");
    EXPECT_EQ(dir.entries(), std::set<std::string>{"net.ini"});
    // A later change is scheduled again.
    EXPECT_TRUE(write("S", "k2", nullptr));
    clock.run_pending();
    EXPECT_EQ(read_file(ini), "[S]\r\nk=new\r\n");
}

TEST_F(ProfileEngine, an_unchanged_file_is_never_rewritten) {
    write_file(ini, "[S]\r\nk=v\r\n");
    ino_t before = inode_of(ini);
    EXPECT_TRUE(write("S", "k", "v"));
    EXPECT_TRUE(write("Sezione", "Chiave", "\"Valore\""));
    EXPECT_TRUE(write("Sezione", nullptr, nullptr));
    profile_flush();
    EXPECT_EQ(inode_of(ini), before);
    EXPECT_TRUE(write("S", "k", "w"));
    profile_flush();
    EXPECT_NE(inode_of(ini), before);
}

TEST_F(ProfileEngine, discarded_file_is_deleted_or_rebuilt_from_nothing) {
    write_file(ini, "[Old]\r\nk=v\r\n");
    profile_discard_file(ini);
    EXPECT_EQ(read("Old", "k"), "Errore");
    EXPECT_TRUE(file_exists(ini));
    profile_flush();
    EXPECT_FALSE(file_exists(ini));

    write_file(ini, "[Old]\r\nk=v\r\n");
    profile_discard_file(ini);
    EXPECT_TRUE(write("New", "k", "1"));
    profile_flush();
    EXPECT_EQ(read_file(ini), "[New]\r\nk=1\r\n");

    // Another program's edit before the flush does not enter a file rebuilt from nothing.
    profile_discard_file(ini);
    EXPECT_TRUE(write("New", "k", "2"));
    write_file(ini, "[Other]\r\nx=9\r\n");
    profile_flush();
    EXPECT_EQ(read_file(ini), "[New]\r\nk=2\r\n");
}

TEST_F(ProfileEngine, sees_the_file_changed_or_deleted_behind_its_back_from_the_next_event_loop_turn) {
    write_file(ini, "[S]\r\nk=one\r\n");
    EXPECT_EQ(read("S", "k"), "one");
    write_file(ini, "[S]\r\nk=two\r\n");  // same size, same inode, likely the same time stamp
    EXPECT_EQ(read("S", "k"), "one");       // within one turn the disk is not looked at again
    clock.run_pending();
    EXPECT_EQ(read("S", "k"), "two");
    write_file(ini, "[S]\r\nk=three\r\n");
    clock.run_pending();
    EXPECT_EQ(read("S", "k"), "three");
    ::unlink(ini.c_str());
    clock.run_pending();
    EXPECT_EQ(read("S", "k"), "Errore");
    EXPECT_TRUE(write("S", "k", "four"));
    profile_flush();
    write_file(ini, "[S]\r\nk=five\r\n");
    clock.run_pending();
    EXPECT_EQ(read("S", "k"), "five");
}

TEST_F(ProfileEngine, pending_changes_are_made_again_on_a_file_changed_meanwhile) {
    write_file(ini, "[S]\r\na=1\r\n");
    EXPECT_TRUE(write("S", "b", "2"));
    EXPECT_TRUE(write("T", nullptr, nullptr));
    write_file(ini, "[T]\r\nx=9\r\n[S]\r\na=1\r\nc=3\r\n");
    profile_flush();
    EXPECT_EQ(read_file(ini), "[S]\r\na=1\r\nc=3\r\nb=2\r\n");
}

TEST_F(ProfileEngine, entries_that_would_break_the_file_are_refused) {
    write_file(ini, "[S]\r\nk=v\r\n");
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"S", "k", "v\r\n[Injected]"}, {"S", "k", "a\nb=c"}, {"S", "k", "a\rb"},    {"S]x", "k", "v"},
        {"S\n", "k", "v"},            {"S", "a=b", "v"},     {"S", "k\n", "v"},      {"S", "[k", "v"},
        {"S", ";k", "v"},             {"S", " ;k", "v"},     {"S\r\n[T", nullptr, nullptr},
        {nullptr, "k", "v"},          {nullptr, nullptr, "v"},
    };
    for (const Case& c : cases) EXPECT_FALSE(write(c.section, c.key, c.value)) << (c.key ? c.key : "null");
    profile_flush();
    EXPECT_EQ(read_file(ini), "[S]\r\nk=v\r\n");
    EXPECT_EQ(read("S]x", "k"), "Errore");
    // Values may hold "=", "]", ";", quotes and high bytes.
    EXPECT_TRUE(write("S", "k", "a=b ]; \"q\" \xff\x01"));
    EXPECT_EQ(read("S", "k"), "a=b ]; \"q\" \xff\x01");
}

TEST_F(ProfileEngine, binary_bytes_and_a_huge_line_are_kept_and_do_not_disturb_reading) {
    std::string huge(10 * 1024 * 1024, 'x');
    const char head[] = "\0\xff\x01garbage\r\n[S]\r\nbin=a\0b\r\nok=yes\r\nbig=";
    std::string bytes = std::string(head, sizeof head - 1) + huge + "\r\n\x80\x81 no key\r\n[T]\r\nt=1\r\n";
    write_file(ini, bytes);
    EXPECT_EQ(read("S", "ok"), "yes");
    EXPECT_EQ(read("S", "bin"), "a");
    EXPECT_EQ(read("S", "big"), std::string(255, 'x'));
    EXPECT_EQ(read("T", "t"), "1");
    EXPECT_TRUE(write("T", "t", "2"));
    profile_flush();
    std::string expected = bytes;
    expected.replace(expected.size() - 3, 1, "2");
    EXPECT_EQ(read_file(ini), expected);
}

TEST_F(ProfileEngine, unusable_paths_read_the_default_and_writes_change_nothing) {
    std::string plain = dir / "plain";
    write_file(plain, "not a folder");
    ::mkdir((dir / "folder.ini").c_str(), 0755);
    for (const std::string& path : {dir / "missing/net.ini", plain + "/net.ini", dir / "folder.ini", std::string(),
                                    dir.path() + "/"}) {
        EXPECT_EQ(read("S", "k", path), "Errore") << path;
        EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", path)) << path;
        EXPECT_FALSE(WritePrivateProfileString("S", nullptr, nullptr, path)) << path;
        profile_discard_file(path);
    }
    profile_flush();
    EXPECT_EQ(dir.entries(), (std::set<std::string>{"folder.ini", "plain"}));
    EXPECT_EQ(read_file(plain), "not a folder");
}

TEST_F(ProfileEngine, a_failed_flush_keeps_the_old_file_and_drops_the_changes) {
    // The temporary file's name outgrows the folder's limit while the file's own name still fits.
    std::string longest = dir / (std::string(250, 'n') + ".ini");
    write_file(longest, "[S]\r\nk=old\r\n");
    EXPECT_TRUE(WritePrivateProfileString("S", "k", "new", longest));
    profile_flush();
    EXPECT_EQ(read_file(longest), "[S]\r\nk=old\r\n");
    EXPECT_EQ(read("S", "k", longest), "old");
    EXPECT_EQ(dir.entries().size(), 1u);
}

TEST_F(ProfileEngine, large_sections_behave_like_small_ones) {
    for (int i = 1; i <= 40; ++i)
        EXPECT_TRUE(write("MAC List", ("Device" + std::to_string(i)).c_str(), std::to_string(i).c_str()));
    EXPECT_TRUE(write("mac list", "DEVICE20", "twenty"));
    EXPECT_TRUE(write("MAC List", "Device30", nullptr));
    EXPECT_EQ(read("MAC LIST", "device20"), "twenty");
    EXPECT_EQ(read("MAC List", "Device30"), "Errore");
    EXPECT_EQ(read("MAC List", "Device40"), "40");
    profile_flush();
    std::string expected = "[MAC List]\r\n";
    for (int i = 1; i <= 40; ++i)
        if (i != 30) expected += "Device" + std::to_string(i) + "=" + (i == 20 ? "twenty" : std::to_string(i)) + "\r\n";
    EXPECT_EQ(read_file(ini), expected);
    // A duplicate in a large hand-written section: the first wins and deleting removes both.
    write_file(ini, expected + "Device5=late\r\n");
    EXPECT_EQ(read("MAC List", "Device5"), "5");
    EXPECT_TRUE(write("MAC List", "Device5", nullptr));
    EXPECT_EQ(read("MAC List", "Device5"), "Errore");
}

TEST_F(ProfileEngine, edits_after_load_leave_every_other_byte_as_read) {
    std::string macs;
    for (int i = 1; i <= 40; ++i) macs += "Device" + std::to_string(i) + "=" + std::to_string(i) + "\r";
    std::string macs_after;
    for (int i = 1; i <= 40; ++i)
        if (i != 30) macs_after += "Device" + std::to_string(i) + "=" + (i == 20 ? "twenty" : std::to_string(i)) + "\r";
    const std::string a(200, 'a'), b(200, 'b');
    struct Op {
        const char* section;
        const char* key;
        const char* value;
    };
    struct Case {
        const char* what;
        std::string before;
        std::vector<Op> ops;  // applied `rounds` times over
        int rounds;
        std::string after;
    };
    const Case cases[] = {
        {"a large section with lone CR ends and blank lines before the next",
         "[MAC List]\r" + macs + "\r  \r[Next]\nk=v",
         {{"mac list", "device20", "twenty"}, {"MAC List", "Device30", nullptr}, {"MAC List", "Device41", "41"},
          {"Next", "k2", "w"}},
         1,
         "[MAC List]\r" + macs_after + "Device41=41\r\n\r  \r[Next]\nk=v\r\nk2=w\r\n"},
        {"a section in the middle grows, shrinks and grows again",
         "[A]\r\na=1\r\n[B]\nb=1\n\n[C]\r\nc=1\r\n",
         {{"B", "b2", "2"}, {"B", "b", "x"}, {"A", "a", nullptr}, {"B", "b2", nullptr}, {"B", "b3", "3"}},
         1,
         "[A]\r\n[B]\nb=x\nb3=3\r\n\n[C]\r\nc=1\r\n"},
        {"one key rewritten over and over", "; head\r\n[S]\r\nk=0\r\nz=z\n",
         {{"S", "k", a.c_str()}, {"S", "k", b.c_str()}}, 2000, "; head\r\n[S]\r\nk=" + b + "\r\nz=z\n"},
        {"a section erased and written again over and over", "[Keep]\r\nx=1\r\n[T]\r\nt=1\r\n",
         {{"T", nullptr, nullptr}, {"T", "t", "2"}, {"keep", "y", "2"}}, 5000,
         "[Keep]\r\nx=1\r\ny=2\r\n[T]\r\nt=2\r\n"},
    };
    for (const Case& c : cases) {
        write_file(ini, c.before);
        for (int r = 0; r < c.rounds; ++r)
            for (const Op& op : c.ops) EXPECT_TRUE(write(op.section, op.key, op.value)) << c.what;
        profile_flush();
        EXPECT_EQ(read_file(ini), c.after) << c.what;
        profile_discard_file(ini);  // the next case starts from its own file, read afresh
        profile_flush();
    }
    EXPECT_EQ(read("S", "k"), "Errore");
}

TEST_F(ProfileEngine, a_byte_order_mark_does_not_hide_the_first_section) {
    write_file(ini, "\xEF\xBB\xBF[Main]\r\nk=v\r\n");
    EXPECT_EQ(read("Main", "k"), "v");
    EXPECT_TRUE(write("Main", "k2", "w"));
    profile_flush();
    EXPECT_EQ(read_file(ini), "\xEF\xBB\xBF[Main]\r\nk=v\r\nk2=w\r\n");
}

TEST_F(ProfileEngine, changes_pending_at_exit_reach_the_disk) {
    pid_t child = ::fork();
    if (child == 0) {
        WritePrivateProfileString("Main", "k", "at exit", ini);
        std::exit(file_exists(ini) ? 1 : 0);  // not on disk yet; the exit writes it
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(read_file(ini), "[Main]\r\nk=at exit\r\n");
}

TEST_F(ProfileEngine, a_file_rebuilt_after_load_with_many_more_sections_keeps_each_one_once) {
    write_file(ini, "[MAC List]\r\nD0=old\r\n[old]\r\nk=v\r\n");
    EXPECT_EQ(read("MAC List", "D0"), "old");
    profile_discard_file(ini);
    // As a save does: the list and the devices' sections in turns, so the index of sections grows
    // while the list is looked up again and again.
    std::string list = "[MAC List]\r\n", devices;
    for (int i = 0; i < 200; ++i) {
        const std::string d = "D" + std::to_string(i), t = "T" + std::to_string(i);
        EXPECT_TRUE(write("MAC List", d.c_str(), t.c_str()));
        EXPECT_TRUE(write(t.c_str(), "a", "1"));
        list += d + "=" + t + "\r\n";
        devices += "[" + t + "]\r\na=1\r\n";
    }
    profile_flush();
    EXPECT_EQ(read_file(ini), list + devices);
}

TEST_F(ProfileEngine, a_large_section_keeps_every_other_key_whatever_is_erased_and_in_what_order) {
    struct Case {
        const char* what;
        std::vector<int> erased;  // of Device1..Device200, in this order
    };
    std::vector<int> every_third, backwards, all_but_one;
    for (int i = 3; i <= 200; i += 3) every_third.push_back(i);
    for (int i = 200; i >= 101; --i) backwards.push_back(i);
    for (int i = 1; i <= 200; ++i)
        if (i != 137) all_but_one.push_back(i);
    const Case cases[] = {{"every third", every_third}, {"the last half, last first", backwards},
                          {"all but one", all_but_one}};
    for (const Case& c : cases) {
        std::string file = "[MAC List]\r\n";
        for (int i = 1; i <= 200; ++i) file += "Device" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
        write_file(ini, file + "[Next]\r\nk=v\r\n");
        clock.run_pending();
        for (int i : c.erased) EXPECT_TRUE(write("MAC List", ("Device" + std::to_string(i)).c_str(), nullptr));
        std::string expected = "[MAC List]\r\n";
        for (int i = 1; i <= 200; ++i) {
            const bool gone = std::find(c.erased.begin(), c.erased.end(), i) != c.erased.end();
            EXPECT_EQ(read("mac list", "device" + std::to_string(i)), gone ? "Errore" : std::to_string(i)) << c.what << i;
            if (!gone) expected += "Device" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
        }
        // Read from the last section back to the first, against the file's order.
        EXPECT_EQ(read("Next", "k"), "v") << c.what;
        profile_flush();
        EXPECT_EQ(read_file(ini), expected + "[Next]\r\nk=v\r\n") << c.what;
    }
}

TEST(ContentHash, the_same_bytes_hash_the_same_however_they_are_cut) {
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += static_cast<char>(i * 7 + 3);
    const uint64_t whole = platform::content_hash(bytes);
    for (size_t piece : {1u, 3u, 7u, 8u, 9u, 64u, 999u}) {
        platform::ContentHash hash;
        for (size_t at = 0; at < bytes.size(); at += piece) {
            hash.add(std::string_view(bytes).substr(at, piece));
            hash.add({});
        }
        EXPECT_EQ(hash.value(), whole) << piece;
    }
    // Different content, or only a different length, gives another value.
    EXPECT_NE(platform::content_hash(bytes.substr(0, 999)), whole);
    EXPECT_NE(platform::content_hash(bytes + '\0'), whole);
    EXPECT_NE(platform::content_hash(std::string(8, '\0')), platform::content_hash(std::string(7, '\0')));
}

TEST(FileHolds, only_exactly_the_pieces_are_the_same_file) {
    TempFolder dir;
    const std::string path = dir / "f.ini";
    const std::string bytes = "[S]\r\nk=v\r\n" + std::string(70000, 'x');
    write_file(path, bytes);
    auto cut = [](std::string text, size_t piece) {
        return [text, piece](const platform::PutPiece& put) {
            for (size_t at = 0; at < text.size(); at += piece)
                if (!put(std::string_view(text).substr(at, piece))) return;
        };
    };
    struct Case {
        const char* what;
        std::string content;
        size_t size;
        bool same;
    };
    std::string last_differs = bytes;
    last_differs.back() = 'y';
    const Case cases[] = {
        {"the same bytes", bytes, bytes.size(), true},
        {"the last byte differs", last_differs, bytes.size(), false},
        {"the file is longer", bytes.substr(0, bytes.size() - 1), bytes.size() - 1, false},
        {"the file is shorter", bytes + "z", bytes.size() + 1, false},
    };
    for (const Case& c : cases)
        for (size_t piece : {1000u, 65536u, 100000u})
            EXPECT_EQ(platform::file_holds(path, c.size, cut(c.content, piece)), c.same) << c.what << " " << piece;
    EXPECT_FALSE(platform::file_holds(dir.path(), 0, cut("", 1)));
    EXPECT_FALSE(platform::file_holds(dir / "missing", 0, cut("", 1)));
}

}  // namespace

// What the profile engine and the whole-file writer do with files they must not lose: line ends of
// other systems, files that cannot be read, links, a folder nobody may write, and what a killed
// writer left behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "platform/atomic_file.h"
#include "platform/profile_engine.h"
#include "platform/virtual_clock.h"
#include "tests/profile/temp_folder.h"

using platform::profile_flush;
using platform::profile_save;
using platform::WritePrivateProfileString;

namespace {

constexpr uid_t kNobody = 65534;

class FileSafety : public ::testing::Test {
protected:
    ~FileSafety() override { profile_flush(); }

    std::string read(const std::string& file, const char* section, const char* key) {
        char buf[64] = {};
        return std::string(buf, platform::GetPrivateProfileString(section, key, "Errore", buf, sizeof buf, file));
    }

    // Runs fn as a user without any rights on root's files, as the program runs for most operators;
    // its result is the child's exit status.
    static int as_nobody(const std::function<int()>& fn) {
        pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(99);
            ::_exit(fn());
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    platform::VirtualClock clock;
    TempFolder dir;
    std::string ini = dir / "net.ini";
};

TEST_F(FileSafety, lone_cr_lf_and_cr_lf_all_end_lines_and_stay_as_they_were) {
    for (const std::string eol : {"\r\n", "\n", "\r"}) {
        write_file(ini, "[Main]" + eol + "TotalDevice=\"2\"" + eol + "[S]" + eol + "k=v" + eol);
        clock.advance(1);
        EXPECT_EQ(read(ini, "Main", "TotalDevice"), "2");
        EXPECT_EQ(read(ini, "S", "k"), "v");
        EXPECT_TRUE(WritePrivateProfileString("S", "k", "w", ini));
        EXPECT_EQ(profile_save(ini), "");
        EXPECT_EQ(read_file(ini), "[Main]" + eol + "TotalDevice=\"2\"" + eol + "[S]" + eol + "k=w" + eol);
    }
}

TEST_F(FileSafety, what_cannot_be_read_is_never_written_over_and_says_why) {
    const struct {
        const char* name;
        std::function<void()> make;
        const char* why;
    } cases[] = {
        {"folder", [this] { ::mkdir(ini.c_str(), 0755); }, "is a folder"},
        {"pipe", [this] { ::mkfifo(ini.c_str(), 0644); }, "not a regular file"},
        {"huge sparse file",
         [this] {
             write_file(ini, "[S]\r\nk=v\r\n");
             ::truncate(ini.c_str(), off_t{64} << 30);
         },
         "larger than 64 MB"},
    };
    for (const auto& c : cases) {
        std::system(("rm -rf '" + ini + "'").c_str());
        c.make();
        clock.advance(1);
        struct stat before {};
        ::stat(ini.c_str(), &before);
        EXPECT_EQ(read(ini, "S", "k"), "Errore") << c.name;
        EXPECT_EQ(platform::profile_read_error(ini), c.why) << c.name;
        EXPECT_FALSE(WritePrivateProfileString("S", "k", "new", ini)) << c.name;
        platform::profile_discard_file(ini);
        EXPECT_EQ(profile_save(ini), c.why) << c.name;
        EXPECT_FALSE(platform::write_file_atomically(ini, "new")) << c.name;
        struct stat after {};
        ::stat(ini.c_str(), &after);
        EXPECT_EQ(after.st_ino, before.st_ino) << c.name;
        EXPECT_EQ(after.st_size, before.st_size) << c.name;
        EXPECT_EQ(dir.entries(), std::set<std::string>{"net.ini"}) << c.name;
    }
}

TEST_F(FileSafety, without_rights_nothing_changes_and_the_save_says_why) {
    ::chmod(dir.path().c_str(), 0755);  // others may look, not write
    write_file(ini, "[S]\r\nk=old\r\n");
    const std::string hidden = dir / "hidden.txt";
    write_file(hidden, "kept\r\n");
    ::chmod(hidden.c_str(), 0600);
    const int status = as_nobody([this, hidden] {
        int e = 0;
        const bool replaced_hidden = platform::write_file_atomically(hidden, "", &e);
        if (replaced_hidden || e != EACCES) return 1;
        if (!WritePrivateProfileString("S", "k", "new", ini)) return 2;
        return profile_save(ini) == "Permission denied" ? 0 : 3;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(read_file(ini), "[S]\r\nk=old\r\n");
    EXPECT_EQ(read_file(hidden), "kept\r\n");
    EXPECT_EQ(dir.entries(), (std::set<std::string>{"hidden.txt", "net.ini"}));
}

TEST_F(FileSafety, links_are_written_through_and_a_loop_of_links_is_refused) {
    ::mkdir((dir / "real").c_str(), 0755);
    write_file(dir / "real/target.ini", "[S]\r\nk=old\r\n");
    ::symlink("real/target.ini", ini.c_str());
    EXPECT_TRUE(WritePrivateProfileString("S", "k", "new", ini));
    EXPECT_EQ(profile_save(ini), "");
    struct stat st {};
    ::lstat(ini.c_str(), &st);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(read_file(dir / "real/target.ini"), "[S]\r\nk=new\r\n");

    const std::string list = dir / "list.txt";
    ::symlink((dir / "real/list.txt").c_str(), list.c_str());  // its target does not exist yet
    EXPECT_TRUE(platform::write_file_atomically(list, "a\r\n"));
    EXPECT_EQ(read_file(dir / "real/list.txt"), "a\r\n");

    const std::string loop = dir / "loop.ini";
    ::symlink("loop.ini", loop.c_str());
    int e = 0;
    EXPECT_FALSE(platform::write_file_atomically(loop, "x", &e));
    EXPECT_EQ(e, ELOOP);
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", loop));
    EXPECT_NE(profile_save(loop), "");
    EXPECT_EQ(dir.entries(), (std::set<std::string>{"list.txt", "loop.ini", "net.ini", "real"}));
}

TEST_F(FileSafety, next_write_removes_the_temporary_files_a_killed_writer_left_of_that_file) {
    for (const char* name : {"net.ini.tmpAb12Cd", "net.ini.tmpZZZZZZ", "net.ini.tmp1", "other.ini.tmpAb12Cd"})
        write_file(dir / name, std::string(1000, 'x'));
    EXPECT_TRUE(WritePrivateProfileString("S", "k", "v", ini));
    EXPECT_EQ(profile_save(ini), "");
    EXPECT_EQ(dir.entries(), (std::set<std::string>{"net.ini", "net.ini.tmp1", "other.ini.tmpAb12Cd"}));
}

}  // namespace

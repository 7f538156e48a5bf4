#include "tools/pravel/pravel_cli.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "platform/virtual_clock.h"
#include "tests/profile/temp_folder.h"

namespace {

class PravelTool : public ::testing::Test {
protected:
    int run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return run_pravel(args, out, err);
    }

    platform::VirtualClock clock;
    TempFolder dir;
    std::string ini = dir / "net.ini";
    std::ostringstream out, err;
};

TEST_F(PravelTool, each_form_runs_its_action_on_the_disk) {
    EXPECT_EQ(run({"create-file", ini}), 0);
    EXPECT_EQ(read_file(ini), "");
    EXPECT_EQ(run({"write", ini, "Main", " Key ", " two words "}), 0);
    EXPECT_EQ(run({"create-section", ini, "Empty"}), 0);
    EXPECT_EQ(run({"create-key", ini, "Main", "Blank"}), 0);
    EXPECT_EQ(read_file(ini), "[Main]\r\nKey=\" two words \"\r\nBlank=\r\n[Empty]\r\n");
    EXPECT_EQ(run({"read", ini, "MAIN", "key"}), 0);
    EXPECT_EQ(out.str(), " two words \n");

    EXPECT_EQ(run({"delete-key", ini, "Main", "Key"}), 0);
    EXPECT_EQ(run({"delete-section", ini, "Empty"}), 0);
    EXPECT_EQ(read_file(ini), "[Main]\r\nBlank=\r\n");
    EXPECT_EQ(err.str(), "");
}

TEST_F(PravelTool, read_prints_errore_for_a_missing_entry_and_exits_3) {
    EXPECT_EQ(run({"write", ini, "Main", "Word", "Errore"}), 0);
    EXPECT_EQ(run({"create-key", ini, "Main", "Blank"}), 0);
    const struct {
        std::vector<std::string> args;
        int code;
        std::string out;
    } cases[] = {
        {{"read", ini, "Main", "Word"}, 0, "Errore\n"},  // the word itself is stored
        {{"read", ini, "Main", "Blank"}, 0, "\n"},
        {{"read", ini, "Main", "Missing"}, kPravelNoEntry, "Errore\n"},
        {{"read", ini, "Other", "Word"}, kPravelNoEntry, "Errore\n"},
        {{"read", dir / "none.ini", "Main", "Word"}, kPravelNoEntry, "Errore\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.args), c.code) << c.args[1] << c.args[3];
        EXPECT_EQ(out.str(), c.out) << c.args[1] << c.args[3];
        EXPECT_EQ(err.str(), "");
    }
}

TEST_F(PravelTool, paths_prints_three_folders) {
    EXPECT_EQ(run({"paths"}), 0);
    std::istringstream lines(out.str());
    std::string sy, wn, te, extra;
    std::getline(lines, sy);
    std::getline(lines, wn);
    std::getline(lines, te);
    EXPECT_FALSE(std::getline(lines, extra));
    for (const std::string& p : {sy, wn, te}) {
        EXPECT_EQ(p.back(), '/') << p;
        struct stat st {};
        EXPECT_TRUE(::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) << p;
    }
}

TEST_F(PravelTool, wrong_forms_print_the_usage_and_exit_2) {
    const std::vector<std::vector<std::string>> wrong = {
        {}, {"read"}, {"read", ini, "S"}, {"read", ini, "S", "K", "extra"}, {"write", ini, "S", "K"},
        {"paths", "x"}, {"create-file"}, {"delete-section", ini}, {"READ", ini, "S", "K"}, {"bogus"},
    };
    for (const auto& args : wrong) {
        EXPECT_EQ(run(args), 2) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(err.str().rfind("usage: pravel read FILE SECTION KEY\n", 0), 0u);
        EXPECT_EQ(out.str(), "");
    }
    EXPECT_FALSE(file_exists(ini));
}

TEST_F(PravelTool, the_program_has_written_the_file_when_it_exits) {
    auto shell = [](const std::string& command) {
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    std::string program = PRAVEL_BINARY;
    EXPECT_EQ(shell(program + " write '" + ini + "' 'Main' 'Key' ' v '"), 0);
    EXPECT_EQ(read_file(ini), "[Main]\r\nKey=\" v \"\r\n");
    EXPECT_EQ(shell(program + " write 2>/dev/null"), 2);
    FILE* pipe = ::popen((program + " read '" + ini + "' Main Key").c_str(), "r");
    char line[64] = {};
    std::string printed = std::fgets(line, sizeof line, pipe) ? line : "";
    EXPECT_EQ(WEXITSTATUS(::pclose(pipe)), 0);
    EXPECT_EQ(printed, " v \n");
}

TEST_F(PravelTool, refused_and_failed_changes_say_why_on_stderr_and_exit_1) {
    ::mkdir((dir / "folder.ini").c_str(), 0755);
    ::mkfifo((dir / "pipe.ini").c_str(), 0644);
    ::symlink("loop.ini", (dir / "loop.ini").c_str());
    const struct {
        std::vector<std::string> args;
        std::string why;
    } cases[] = {
        {{"write", ini, "a]b", "k", "v"}, "a section name cannot hold \"]\" or a line break"},
        {{"write", ini, "a\nb", "k", "v"}, "a section name cannot hold \"]\" or a line break"},
        {{"write", ini, "S", "k=v", "v"}, "a key name cannot hold \"=\" or a line break, nor start with \"[\" or \";\""},
        {{"write", ini, "S", "k", "a\rb"}, "a value cannot hold a line break"},
        {{"write", dir / "folder.ini", "S", "k", "v"}, "is a folder"},
        {{"create-file", dir / "pipe.ini"}, "not a regular file"},
        {{"create-section", dir / "loop.ini", "S"}, "Too many levels of symbolic links"},
        {{"write", dir / "missing/net.ini", "S", "k", "v"}, "No such file or directory"},
        {{"read", dir / "folder.ini", "S", "k"}, "is a folder"},
        {{"write", dir.path() + "/", "S", "k", "v"}, "a file name cannot end in \"/\""},
        {{"write", ini + "/", "S", "k", "v"}, "a file name cannot end in \"/\""},
        {{"create-file", dir.path() + "/"}, "a file name cannot end in \"/\""},
        {{"read", dir.path() + "/", "S", "k"}, "a file name cannot end in \"/\""},
        {{"create-section", "", "S"}, "no file name"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.args), 1) << c.args[0] << c.args[1];
        EXPECT_EQ(err.str(), "pravel: " + c.args[1] + ": " + c.why + "\n") << c.args[2];
        EXPECT_EQ(out.str(), "");
    }
    EXPECT_FALSE(file_exists(ini));
}

TEST_F(PravelTool, writes_go_through_a_link_and_concurrent_writers_lose_nothing) {
    ::mkdir((dir / "real").c_str(), 0755);
    ::symlink("real/net.ini", ini.c_str());
    const std::string program = PRAVEL_BINARY;
    // Two writers of one file at once, 25 keys each.
    std::string script;
    for (const char* who : {"a", "b"})
        script += "(for i in $(seq 1 25); do " + program + " write '" + ini + "' S " + who + "$i v || exit 1; done) & ";
    script += "wait";
    EXPECT_EQ(std::system(script.c_str()), 0);
    struct stat st {};
    ::lstat(ini.c_str(), &st);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    const std::string text = read_file(dir / "real/net.ini");
    for (const char* who : {"a", "b"})
        for (int i = 1; i <= 25; ++i)
            EXPECT_NE(text.find(std::string("\r\n") + who + std::to_string(i) + "=\"v\"\r\n"), std::string::npos)
                << who << i;
    EXPECT_EQ(dir.entries(), (std::set<std::string>{"net.ini", "real"}));
}

}  // namespace

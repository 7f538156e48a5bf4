#include "platform/port_problem.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "tests/link/pty_pair.h"
#include "tests/profile/temp_folder.h"

using namespace platform;

TEST(PortProblem, a_group_is_named_only_when_joining_it_would_give_access) {
    struct Case {
        const char* why;
        DeviceAccess access;
        std::string advice;
    };
    const Case cases[] = {
        {"dialout may read and write", {"root", "dialout", "fielduser", 20, 0660, false},
         "; the device belongs to group dialout and user fielduser is not in it (sudo adduser fielduser dialout, "
         "then log in again)"},
        {"already in the group", {"root", "dialout", "fielduser", 20, 0660, true},
         "; the device belongs to group dialout, which this session is in"},
        {"the group may only read", {"root", "dialout", "fielduser", 20, 0640, false},
         "; the device belongs to root:dialout with mode 0640, which gives user fielduser no access to it"},
        {"the administrators' group", {"root", "root", "fielduser", 0, 0660, false},
         "; the device belongs to root:root with mode 0660, which gives user fielduser no access to it"},
        {"owner only", {"root", "root", "fielduser", 0, 0600, false},
         "; the device belongs to root:root with mode 0600, which gives user fielduser no access to it"},
    };
    for (const Case& c : cases) EXPECT_EQ(permission_advice(c.access), c.advice) << c.why;
}

TEST(PortProblem, a_path_that_is_no_character_device_is_said_to_be_no_serial_port) {
    TempFolder dir;
    std::ofstream(dir / "hostname") << "box\n";
    PtyPair pty;
    ASSERT_FALSE(pty.slave_path.empty());
    const struct {
        std::string path, text;
    } cases[] = {
        {dir / "hostname", dir / "hostname" + ": a regular file, not a serial port"},
        {dir.path(), dir.path() + ": a folder, not a serial port"},
        {dir / "ttyUSB9", dir / "ttyUSB9" +
                              ": No such file or directory (the adapter is unplugged, or the port number leads "
                              "elsewhere)"},
        {pty.slave_path, pty.slave_path + ": the device opens now; another program may have been using it"},
    };
    for (const auto& c : cases) EXPECT_EQ(port_open_problem(c.path), c.text) << c.path;
}

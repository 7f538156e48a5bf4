// A save killed at any moment leaves each file complete: the old bytes or the new, never a mixture,
// a truncated file or none. Real processes and real time: the claim holds for every timing, so the
// test only spreads the kills over the save.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <random>
#include <string>

#include "app/core/mod_main.h"
#include "app/core/network_files.h"
#include "tests/devices/network_fixture.h"

using namespace modMain;

namespace {

class InterruptedSave : public NetworkFilesTest {
protected:
    struct Files {
        std::string net, macs;
    };

    // Saves the table to the given paths and returns the bytes; the time it took in `took`.
    Files save_to(const std::string& net, const std::string& macs, std::chrono::microseconds& took) {
        g().NetFilePath = net;
        g().MacListPath = macs;
        const auto start = std::chrono::steady_clock::now();
        SaveNetworkData();
        took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
        return {read_file(net), read_file(macs)};
    }

    // A child saves the table to the program's paths and is killed `delay` after it said it began;
    // without a delay it is left to finish. The time from its start to its end goes to `lived`.
    void save_in_child(std::optional<std::chrono::microseconds> delay, std::chrono::microseconds& lived) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            const char go = 'g';
            if (::write(ready[1], &go, 1) != 1) ::_exit(2);
            SaveNetworkData();
            ::_exit(0);
        }
        ::close(ready[1]);
        char got = 0;
        ASSERT_EQ(::read(ready[0], &got, 1), 1);
        ::close(ready[0]);
        const auto start = std::chrono::steady_clock::now();
        if (delay) {
            ::usleep(static_cast<useconds_t>(delay->count()));
            ::kill(child, SIGKILL);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        lived = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
        // A child that finished before the kill must have finished cleanly.
        if (WIFEXITED(status)) {
            ASSERT_EQ(WEXITSTATUS(status), 0);
        }
    }
};

}  // namespace

TEST_F(InterruptedSave, killed_save_leaves_the_complete_old_or_the_complete_new_file) {
    std::chrono::microseconds took{};
    fill_table(4000);
    g().Devices[17].DeviceName = "renamed in the new file";
    const Files next = save_to(folder / "next.ini", folder / "next_macList.txt", took);
    fill_table(1500);
    const Files old = save_to(net_file(), mac_list(), took);
    fill_table(4000);
    g().Devices[17].DeviceName = "renamed in the new file";
    ASSERT_NE(old.net, next.net);
    ASSERT_NE(old.macs, next.macs);
    auto restore_old = [&] {
        write_file(net_file(), old.net);
        write_file(mac_list(), old.macs);
        clock.run_pending();
    };

    // Left alone, a child leaves the new files; how long it took sets the range of the kills.
    std::chrono::microseconds save_time{};
    save_in_child(std::nullopt, save_time);
    EXPECT_EQ(read_file(net_file()), next.net);
    EXPECT_EQ(read_file(mac_list()), next.macs);
    restore_old();

    std::mt19937 rng(20240611);
    std::uniform_int_distribution<long long> spread(0, save_time.count() * 6 / 5);
    int kept_old = 0, got_new = 0;
    for (int round = 0; round < 10; ++round) {
        const std::chrono::microseconds delay{round == 0 ? 0 : spread(rng)};
        std::chrono::microseconds lived{};
        save_in_child(delay, lived);
        const std::string net = read_file(net_file());
        const std::string macs = read_file(mac_list());
        EXPECT_TRUE(net == old.net || net == next.net) << "after " << delay.count() << " us: " << net.size() << " bytes";
        EXPECT_TRUE(macs == old.macs || macs == next.macs) << "after " << delay.count() << " us";
        // The MAC list is written after the network data file, never before it.
        if (macs == next.macs) {
            EXPECT_EQ(net, next.net);
        }
        (net == old.net ? kept_old : got_new) += 1;
        restore_old();
    }
    std::printf("a child's save of 4000 devices took %lld us here; of 10 kills %d kept the old files, %d found the new\n",
                static_cast<long long>(save_time.count()), kept_old, got_new);
}

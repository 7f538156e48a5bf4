#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/core/device_table.h"
#include "app/core/mod_main.h"

using namespace modMain;

namespace {

class DeviceTable : public ::testing::Test {
protected:
    void SetUp() override { modMain::reset(); }
    void TearDown() override { modMain::reset(); }

    static void put(int slot, const std::string& mac, const std::string& shortId, int16_t type = 7) {
        auto& d = g().Devices[slot];
        d.ID64Long = mac;
        d.ID16Short = shortId;
        d.DeviceType = type;
    }
};

const std::string kMacA = "00:11:22:33:44:55:66:01";
const std::string kMacB = "00:11:22:33:44:55:66:02";
const std::string kMacC = "00:11:22:33:44:55:66:03";

}  // namespace

TEST_F(DeviceTable, duplicate_short_addresses_resolve_to_the_highest_slot_and_macs_to_the_lowest) {
    put(1, kMacA, "1A2B");
    put(5, kMacB, "1A2B");
    put(9, kMacA, "3C4D");
    EXPECT_EQ(FindDeviceByShort("1A2B"), 5);
    EXPECT_EQ(FindDeviceByMac(kMacA), 1);
    EXPECT_EQ(FindDeviceByShort(""), 0);
    EXPECT_EQ(FindDeviceByMac(""), 0);
    EXPECT_EQ(FindDeviceByShort("9999"), 0);
}

TEST_F(DeviceTable, searches_stop_at_slot_32000) {
    put(32001, kMacA, "1A2B");
    EXPECT_EQ(FindDeviceByMac(kMacA), 0);
    EXPECT_EQ(FindDeviceByShort("1A2B"), 0);
    put(32000, kMacA, "1A2B");
    EXPECT_EQ(FindDeviceByMac(kMacA), 32000);
}

TEST_F(DeviceTable, identity_update_derives_type_text_and_end_device_defaults) {
    struct Case {
        int16_t type;
        const char* text;
        int32_t poll;
        int16_t keepAlive;
    };
    const Case cases[] = {{4, "End Device", 20000, 0}, {6, "End Device", 20000, 0}, {7, "Router", 777, 1},
                          {9, "Coordinator", 777, 1},  {5, "old", 777, 1},          {8, "old", 777, 1}};
    g().DefaultPollRate = 20000;
    for (const auto& c : cases) {
        put(1, kMacA, "0001", c.type);
        g().Devices[1].DeviceTypeSTR = "old";
        g().Devices[1].devPollRate = 777;
        g().Devices[1].stsEnableKeepAlive = 1;
        UpdateDeviceIdentity(kMacA, "ABCD", 1);
        const auto& d = g().Devices[1];
        EXPECT_EQ(d.ID16Short, "ABCD") << c.type;
        EXPECT_EQ(d.DeviceTypeSTR, c.text) << c.type;
        EXPECT_EQ(d.devPollRate, c.poll) << c.type;
        EXPECT_EQ(d.stsEnableKeepAlive, c.keepAlive) << c.type;
    }
}

TEST_F(DeviceTable, identity_update_leaves_a_slot_whose_mac_also_sits_lower) {
    put(1, kMacA, "0001");
    put(2, kMacA, "0002");
    UpdateDeviceIdentity(kMacA, "FFFF", 2);
    EXPECT_EQ(g().Devices[2].ID16Short, "0002");
    UpdateDeviceIdentity(kMacA, "FFFF", 0);
    EXPECT_EQ(g().Devices[1].ID16Short, "0001");
}

TEST_F(DeviceTable, deleting_the_middle_slot_moves_the_next_up_and_keeps_the_count_for_the_recount) {
    put(1, kMacA, "0001");
    put(2, kMacB, "0002");
    put(3, kMacC, "0003");
    g().Devices[3].devRxLog = "hello";
    g().TotalDevice = 3;
    DeleteDevice(2);
    EXPECT_EQ(g().Devices[1].ID64Long, kMacA);
    EXPECT_EQ(g().Devices[2].ID64Long, kMacC);
    EXPECT_EQ(g().Devices[2].devRxLog, "hello");
    EXPECT_TRUE(g().Devices[3].ID64Long.empty());
    EXPECT_TRUE(g().Devices[3].devRxLog.empty());
    EXPECT_EQ(g().TotalDevice, 3);
    EXPECT_EQ(g().ListDirty, 1);
}

TEST_F(DeviceTable, compaction_keeps_order_across_the_whole_table_and_clears_leftovers) {
    put(10, kMacA, "");
    put(40000, kMacB, "");
    put(65535, kMacC, "");
    g().Devices[7].DeviceName = "orphan without address";
    CompactDeviceTable();
    EXPECT_EQ(g().Devices[1].ID64Long, kMacA);
    EXPECT_EQ(g().Devices[2].ID64Long, kMacB);
    EXPECT_EQ(g().Devices[3].ID64Long, kMacC);
    EXPECT_TRUE(g().Devices[7].DeviceName.empty());
    EXPECT_TRUE(g().Devices[65535].ID64Long.empty());
}

TEST_F(DeviceTable, delete_outside_the_table_does_nothing) {
    put(1, kMacA, "0001");
    DeleteDevice(0);
    DeleteDevice(-5);
    EXPECT_EQ(g().Devices[1].ID64Long, kMacA);
    EXPECT_EQ(g().ListDirty, 0);
}

TEST_F(DeviceTable, clearing_short_ids_keeps_addresses_and_resets_link_state) {
    put(1, kMacA, "0001");
    g().Devices[1].devStatus = 1;
    g().Devices[1].DeviceName = "pump";
    ClearShortIds();
    EXPECT_EQ(g().Devices[1].ID16Short, "");
    EXPECT_EQ(g().Devices[1].devStatus, 0);
    EXPECT_EQ(g().Devices[1].ID64Long, kMacA);
    EXPECT_EQ(g().Devices[1].DeviceName, "pump");
}

TEST_F(DeviceTable, passes_that_stop_where_the_records_end_answer_as_passes_over_every_slot) {
    // One address and one short address everywhere: each search must reach the far end of the scanned
    // part. The names tell the records apart once compacted.
    const std::vector<std::vector<int>> layouts = {{32000}, {7, 31999, 32000, 32001, 65535}, {40000, 65535}};
    const State& table = g();
    for (const auto& slots : layouts) {
        modMain::reset();
        for (int slot : slots) {
            put(slot, kMacA, "1A2B");
            g().Devices[slot].DeviceName = std::to_string(slot);
        }
        const auto scanned = std::count_if(slots.begin(), slots.end(), [](int slot) { return slot <= kScanSlots; });
        EXPECT_EQ(FindDeviceByMac(kMacA), scanned ? slots.front() : 0) << slots.back();
        EXPECT_EQ(FindDeviceByShort("1A2B"), scanned ? slots[static_cast<size_t>(scanned) - 1] : 0) << slots.back();
        ClearShortIds();
        for (int slot : slots) EXPECT_EQ(table.Devices[slot].ID16Short.empty(), slot <= kScanSlots) << slot;
        CompactDeviceTable();
        const size_t n = slots.size();
        for (size_t k = 0; k < n; ++k) EXPECT_EQ(table.Devices[k + 1].DeviceName, std::to_string(slots[k]));
        for (int slot : slots) EXPECT_TRUE(slot <= static_cast<int>(n) || table.Devices[slot].ID64Long.empty()) << slot;
        // The last record kept its short address if it came from beyond the scanned part.
        EXPECT_EQ(FindDeviceByShort("1A2B"), slots.back() > kScanSlots ? static_cast<int16_t>(n) : 0) << slots.back();
        EXPECT_EQ(FindDeviceByMac(kMacA), 1);
    }
}

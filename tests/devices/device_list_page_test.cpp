#include <gtest/gtest.h>

#include <QImage>
#include <string>
#include <vector>

#include "app/core/device_list_page.h"
#include "app/core/mod_main.h"
#include "tests/devices/network_fixture.h"

using namespace modMain;

namespace {

class DeviceListPage : public NetworkFilesTest {
protected:
    // As start-up leaves the window once the coordinator answered.
    DeviceListPage() { main.frmLSTDEV->setEnabled(true); }

    // The six captions of row k, left to right as the operator reads them.
    std::vector<std::string> row(size_t k) const {
        std::vector<std::string> out;
        for (const auto* group : {&main.lblLstDEVSeq, &main.lblLstDEVDep, &main.lblLstDEVShort, &main.lblLstDEVName,
                                  &main.lblLstDEVType, &main.lblLstDEVKa})
            out.push_back((*group)[k]->text().toStdString());
        return out;
    }
    static std::vector<std::string> shown(int slot, const std::string& seq) {
        const DeviceRecord d = sample_device(slot);
        return {seq, d.ID64Long, d.ID16Short, d.DeviceName, d.DeviceTypeSTR, std::to_string(d.stsEnableKeepAlive)};
    }
    static std::vector<std::string> blank() { return std::vector<std::string>(6); }
    // Which image of the image list row k shows; 0 for none of them.
    int icon(size_t k) const {
        const QImage shown_image = main.picSTSDEV[k]->pixmap().toImage();
        for (int i = 1; i <= main.imgList.Count(); ++i)
            if (!shown_image.isNull() && shown_image == main.imgList.ListImages(i).toImage()) return i;
        return 0;
    }
    void show_page(int total, int top) {
        g().TotalDevice = static_cast<int16_t>(total);
        g().ListTop = static_cast<int16_t>(top);
        RefreshDeviceList();
    }
};

}  // namespace

TEST_F(DeviceListPage, scroll_buttons_are_enabled_only_where_there_is_more_to_see) {
    const struct {
        int total, top;
        bool up, down;
    } cases[] = {
        {0, 1, false, false},  {5, 3, false, false},  {12, 1, false, false}, {12, 7, false, false},
        {13, 1, false, true},  {13, 2, true, false},  {20, 1, false, true},  {20, 8, true, true},
        {20, 9, true, false},  {20, 15, true, false}, {32000, 31988, true, true},
    };
    fill_table(32000);
    for (const auto& c : cases) {
        main.cmdUP->setEnabled(!c.up);
        main.cmdDown->setEnabled(!c.down);
        show_page(c.total, c.top);
        EXPECT_EQ(main.cmdUP->isEnabled(), c.up) << c.total << " from " << c.top;
        EXPECT_EQ(main.cmdDown->isEnabled(), c.down) << c.total << " from " << c.top;
        EXPECT_EQ(main.lblTotalDevice->text().toStdString(), std::to_string(c.total));
    }
}

TEST_F(DeviceListPage, page_shows_twelve_slots_from_list_top_numbered_with_four_digits) {
    fill_table(20);
    show_page(20, 9);
    for (size_t k = 0; k < 12; ++k) {
        const int slot = 9 + static_cast<int>(k);
        char seq[16];
        std::snprintf(seq, sizeof seq, "%04d", slot);
        EXPECT_EQ(row(k), shown(slot, seq)) << "row " << k;
        EXPECT_FALSE(main.picSTSDEV[k]->isHidden());
    }
    EXPECT_EQ(row(0)[0], "0009");
    EXPECT_EQ(row(11)[0], "0020");

    fill_table(10010);
    show_page(10010, 9990);
    EXPECT_EQ(row(0)[0], "9990");
    EXPECT_EQ(row(10)[0], "10000");
    EXPECT_EQ(row(11), shown(10001, "10001"));
}

TEST_F(DeviceListPage, rows_past_the_last_device_are_blank_and_their_icons_hidden) {
    fill_table(20);
    show_page(20, 1);
    // Slots beyond the count still hold devices; the count decides.
    show_page(5, 1);
    for (size_t k = 0; k < 5; ++k) EXPECT_EQ(row(k), shown(static_cast<int>(k) + 1, "000" + std::to_string(k + 1)));
    for (size_t k = 5; k < 12; ++k) {
        EXPECT_EQ(row(k), blank()) << "row " << k;
        EXPECT_TRUE(main.picSTSDEV[k]->isHidden()) << "row " << k;
    }
    EXPECT_EQ(main.lblTotalDevice->text(), "5");
}

TEST_F(DeviceListPage, empty_slot_inside_the_used_range_is_a_blank_row_and_the_rest_keep_their_numbers) {
    fill_table(20);
    show_page(20, 1);
    g().Devices[3] = DeviceRecord{};
    show_page(20, 1);
    EXPECT_EQ(row(1), shown(2, "0002"));
    EXPECT_EQ(row(2), blank());
    EXPECT_TRUE(main.picSTSDEV[2]->isHidden());
    EXPECT_EQ(row(3), shown(4, "0004"));
    EXPECT_FALSE(main.picSTSDEV[3]->isHidden());
}

TEST_F(DeviceListPage, list_top_of_0_or_below_redraws_nothing) {
    fill_table(20);
    show_page(20, 9);
    const std::vector<std::string> first = row(0), last = row(11);
    for (int top : {0, -1, -32768}) {
        g().Devices[9].DeviceName = "changed";
        show_page(3, top);
        EXPECT_EQ(row(0), first) << top;
        EXPECT_EQ(row(11), last) << top;
        EXPECT_FALSE(main.picSTSDEV[11]->isHidden());
        EXPECT_TRUE(main.cmdUP->isEnabled());
        EXPECT_FALSE(main.cmdDown->isEnabled());
        EXPECT_EQ(main.lblTotalDevice->text(), "20");
    }
}

TEST_F(DeviceListPage, icon_shows_the_link_state_and_an_unknown_state_keeps_the_picture_the_row_had) {
    fill_table(4);
    const int16_t states[] = {0, 1, 2, 1};
    for (int i = 1; i <= 4; ++i) g().Devices[i].devStatus = states[i - 1];
    show_page(4, 1);
    EXPECT_EQ(icon(0), 1);
    EXPECT_EQ(icon(1), 2);
    EXPECT_EQ(icon(2), 3);
    EXPECT_EQ(icon(3), 2);

    g().Devices[1].devStatus = 3;
    g().Devices[2].devStatus = -1;
    g().Devices[3].devStatus = 0;
    show_page(4, 1);
    EXPECT_EQ(icon(0), 1);
    EXPECT_EQ(icon(1), 2);
    EXPECT_EQ(icon(2), 1);
    EXPECT_FALSE(main.picSTSDEV[0]->isHidden());
}

// The File menu's serial ports dialog and log folder, driven as the operator does: clicks on the
// table and the buttons, answers to the prompts through the dialogs seam.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "app/core/mod_main.h"
#include "app/main_window/main_menu.h"
#include "app/main_window/serial_ports_dialog.h"
#include "platform/port_map.h"
#include "platform/user_folders.h"
#include "tests/app/app_fixture.h"
#include "tests/link/pty_pair.h"
#include "tests/profile/temp_folder.h"

using namespace modMain;

namespace {

namespace fs = std::filesystem;

// An FTDI adapter with a stable name and a built-in port, both listed by the system; a simulator's
// pseudo-terminal that only the port map knows.
class SerialPortsDialogTest : public AppTest {
protected:
    SerialPortsDialogTest() {
        fs::create_directory(dev / "by-id");
        fs::create_symlink(adapter.slave_path, dev / "ttyUSB0");
        fs::create_symlink(builtin.slave_path, dev / "ttyS0");
        fs::create_symlink("../ttyUSB0", dev / "by-id/usb-FTDI_FT232R_A50285BI-if00-port0");
        source.ports = [this] {
            return std::vector<platform::PortInfo>{{dev / "ttyUSB0", "FT232R USB UART", "FTDI", "A50285BI"},
                                                   {dev / "ttyS0", "16550A", "", ""}};
        };
        source.by_id_folder = dev / "by-id";
        platform::register_port(1, dev / "ttyS0");
        platform::register_port(20, simulator.slave_path);
    }

    std::vector<std::vector<std::string>> Table(const SerialPortsDialog& d) const {
        std::vector<std::vector<std::string>> rows;
        for (int r = 0; r < d.tblPorts->rowCount(); ++r) {
            rows.emplace_back();
            for (int c = 0; c < SerialPortsDialog::Columns; ++c)
                rows.back().push_back(d.tblPorts->item(r, c)->text().toStdString());
        }
        return rows;
    }
    static void ClickRow(SerialPortsDialog& d, int row) {
        const QRect cell = d.tblPorts->visualItemRect(d.tblPorts->item(row, SerialPortsDialog::Device));
        QTest::mouseClick(d.tblPorts->viewport(), Qt::LeftButton, {}, cell.center());
    }

    TempFolder dev;
    PtyPair adapter, builtin, simulator;
    PortSource source;
};

}  // namespace

TEST_F(SerialPortsDialogTest, the_table_shows_every_port_and_every_number_of_the_map) {
    SerialPortsDialog d(source);
    const std::string by_id = dev / "by-id/usb-FTDI_FT232R_A50285BI-if00-port0";
    EXPECT_EQ(Table(d), (std::vector<std::vector<std::string>>{
                            {"", by_id, dev / "ttyUSB0", "FT232R USB UART", "FTDI", "A50285BI"},
                            {"1", "", dev / "ttyS0", "16550A", "", ""},
                            {"20", "", simulator.slave_path, "not listed by the system; present", "", ""}}));
    // Nothing is selected yet: neither button has anything to act on.
    EXPECT_FALSE(d.cmdAssign->isEnabled());
    EXPECT_FALSE(d.cmdRemove->isEnabled());
}

TEST_F(SerialPortsDialogTest, assign_and_remove_act_on_the_row_clicked) {
    const std::string by_id = dev / "by-id/usb-FTDI_FT232R_A50285BI-if00-port0";
    struct Step {
        const char* what;
        int row;
        QPushButton* SerialPortsDialog::*button;
        std::string answer;
        std::string number_cell;  // of the row afterwards
        std::vector<std::pair<int, std::string>> map;
        std::string message;
    };
    const std::vector<std::pair<int, std::string>> before{{1, dev / "ttyS0"}, {20, simulator.slave_path}};
    const Step steps[] = {
        {"the number offered is taken", 0, &SerialPortsDialog::cmdAssign, platform::ScriptedDialogs::kTakeDefault,
         "2", {{1, dev / "ttyS0"}, {2, by_id}, {20, simulator.slave_path}}, ""},
        {"a number out of range is refused", 0, &SerialPortsDialog::cmdAssign, "120", "2",
         {{1, dev / "ttyS0"}, {2, by_id}, {20, simulator.slave_path}},
         dev / "ttyUSB0" + ": port numbers go from 1 to 99"},
        {"cancel changes nothing", 0, &SerialPortsDialog::cmdAssign, "", "2",
         {{1, dev / "ttyS0"}, {2, by_id}, {20, simulator.slave_path}}, ""},
        {"remove takes the number away", 0, &SerialPortsDialog::cmdRemove, "", "", before, ""},
        {"the simulator's number is removed", 2, &SerialPortsDialog::cmdRemove, "", "1", {{1, dev / "ttyS0"}}, ""},
    };
    SerialPortsDialog d(source);
    d.show();
    for (const Step& s : steps) {
        dialogs.answers = {s.answer};
        dialogs.messages.clear();
        ClickRow(d, s.row);
        ASSERT_TRUE((d.*s.button)->isEnabled()) << s.what;
        QTest::mouseClick(d.*s.button, Qt::LeftButton);
        EXPECT_EQ(platform::mapped_ports(), s.map) << s.what;
        EXPECT_EQ(d.tblPorts->item(s.row == 2 ? 1 : s.row, SerialPortsDialog::Number)->text().toStdString(),
                  s.number_cell)
            << s.what;
        EXPECT_EQ(dialogs.messages, s.message.empty() ? std::vector<std::string>{}
                                                      : std::vector<std::string>{s.message})
            << s.what;
    }
    EXPECT_EQ(dialogs.asked.front().prompt, "Port number for " + dev / "ttyUSB0" + " (1-99):");
    // A listed port without a map entry has no number to remove.
    ClickRow(d, 0);
    EXPECT_TRUE(d.cmdAssign->isEnabled());
    EXPECT_FALSE(d.cmdRemove->isEnabled());
}

TEST_F(SerialPortsDialogTest, the_menu_opens_the_dialog_and_waits_for_it) {
    dialogs.answers = {"7"};
    bool seen = false;
    QTimer::singleShot(0, [this, &seen] {
        auto* d = dynamic_cast<SerialPortsDialog*>(QApplication::activeModalWidget());
        if (!d) {
            ADD_FAILURE() << "no serial ports dialog open";
            if (QWidget* other = QApplication::activeModalWidget()) other->close();
            return;
        }
        seen = true;
        ClickRow(*d, 0);
        QTest::mouseClick(d->cmdAssign, Qt::LeftButton);
        QTest::mouseClick(d->cmdClose, Qt::LeftButton);
    });
    SerialPortsMenu(source);
    EXPECT_TRUE(seen);
    EXPECT_EQ(platform::port_device_path(7), dev / "by-id/usb-FTDI_FT232R_A50285BI-if00-port0");
}

TEST_F(SerialPortsDialogTest, the_log_folder_is_shown_to_copy_when_nothing_opens_it) {
    for (const bool opens : {true, false}) {
        dialogs.messages.clear();
        std::string asked;
        OpenLogFolderMenu([&](const std::string& folder) {
            asked = folder;
            return opens;
        });
        EXPECT_EQ(asked, platform::state_folder());
        EXPECT_TRUE(fs::is_directory(asked));
        EXPECT_EQ(dialogs.messages, opens ? std::vector<std::string>{}
                                          : std::vector<std::string>{"No application here opens folders. The log "
                                                                     "files are in:\n" + asked});
    }
}

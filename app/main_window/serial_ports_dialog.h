#pragma once
// File > Serial ports: the machine's serial ports and the port map's other numbers in one table,
// with Assign (give the selected port a number) and Remove (take its number out of the map). The
// number is asked for, and refusals are told, through the dialogs seam, so tests answer for the
// operator.
#include <QDialog>
#include <string>
#include <vector>

#include "app/core/program_options.h"

class QPushButton;
class QTableWidget;

namespace modMain {

class SerialPortsDialog : public QDialog {
public:
    enum Column { Number, ById, Device, Description, Maker, SerialNumber, Columns };

    explicit SerialPortsDialog(const PortSource& source, QWidget* parent = nullptr);

    QTableWidget* tblPorts;
    QPushButton* cmdAssign;
    QPushButton* cmdRemove;
    QPushButton* cmdClose;

    void cmdAssign_Click();
    void cmdRemove_Click();

private:
    struct Row {
        int number = 0;       // 0: none
        bool mapped = false;  // the number is a port map entry
        std::string path;     // what a number given to this row opens
        int proposed = 0;     // the number offered for it
    };
    void Refill();
    void SelectionChanged();
    const Row* Selected() const;

    PortSource source_;
    std::vector<Row> rows_;
};

}  // namespace modMain

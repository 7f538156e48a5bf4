#include "app/main_window/serial_ports_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/core/conversion.h"
#include "app/core/log_line.h"
#include "app/core/version_info.h"
#include "app/main_window/menu_text.h"
#include "platform/dialogs.h"
#include "platform/port_map.h"
#include "platform/serial_ports.h"

namespace modMain {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

bool is_mapped(int number) {
    for (const auto& entry : platform::mapped_ports())
        if (entry.first == number) return true;
    return false;
}

}  // namespace

SerialPortsDialog::SerialPortsDialog(const PortSource& source, QWidget* parent) : QDialog(parent), source_(source) {
    setWindowTitle(QT("Serial ports", "Porte seriali"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QT("The serial ports of this computer, then the port map's other numbers. "
                                    "Select a port to give it a number or to take its number away.",
                                    "Le porte seriali di questo computer, poi gli altri numeri della mappa delle "
                                    "porte. Selezionare una porta per darle un numero o per toglierglielo."),
                                 this));
    tblPorts = new QTableWidget(0, Columns, this);
    tblPorts->setHorizontalHeaderLabels({QT("Number", "Numero"), QT("By-id name", "Nome by-id"),
                                         QT("Device", "Dispositivo"), QT("Description", "Descrizione"),
                                         QT("Maker", "Produttore"), QT("Serial number", "Numero di serie")});
    tblPorts->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblPorts->setSelectionMode(QAbstractItemView::SingleSelection);
    tblPorts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblPorts->verticalHeader()->hide();
    tblPorts->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(tblPorts);

    auto* buttons = new QDialogButtonBox(this);
    cmdAssign = buttons->addButton(QT("Assign number…", "Assegna numero…"), QDialogButtonBox::ActionRole);
    cmdRemove = buttons->addButton(QT("Remove number", "Togli numero"), QDialogButtonBox::ActionRole);
    cmdClose = buttons->addButton(QDialogButtonBox::Close);
    cmdClose->setText(QT("Close", "Chiudi"));
    layout->addWidget(buttons);
    connect(cmdAssign, &QPushButton::clicked, this, [this] { cmdAssign_Click(); });
    connect(cmdRemove, &QPushButton::clicked, this, [this] { cmdRemove_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(tblPorts, &QTableWidget::itemSelectionChanged, this, [this] { SelectionChanged(); });
    // A double-click is the quick way to the number.
    connect(tblPorts, &QTableWidget::cellDoubleClicked, this, [this] { cmdAssign_Click(); });
    Refill();
    // Wide enough for every column (long by-id names), as far as the screen allows.
    int width = tblPorts->verticalHeader()->width() + 2 * tblPorts->frameWidth();
    for (int c = 0; c < Columns; ++c) width += tblPorts->columnWidth(c);
    resize(std::min(std::max(width + 40, 720), 1200), 360);
}

void SerialPortsDialog::Refill() {
    const std::string keep = Selected() ? Selected()->path : std::string();
    const auto ports = platform::detect_ports(source_.ports(), source_.by_id_folder);
    const auto unlisted = platform::unlisted_mappings(ports);
    rows_.clear();
    tblPorts->setRowCount(0);
    auto add = [this](const Row& row, const std::vector<std::string>& cells) {
        const int r = tblPorts->rowCount();
        tblPorts->insertRow(r);
        for (int c = 0; c < Columns; ++c) tblPorts->setItem(r, c, new QTableWidgetItem(Q(cells[c])));
        rows_.push_back(row);
    };
    for (const platform::DetectedPort& p : ports)
        add({p.number, p.number != 0 && is_mapped(p.number), p.info.device, platform::proposed_port_number(p, ports)},
            {p.number ? std::to_string(p.number) : "", p.path != p.info.device ? p.path : "", p.info.device,
             p.info.description, p.info.manufacturer, p.info.serial_number});
    const std::string by_id_prefix = source_.by_id_folder + "/";
    for (const platform::UnlistedMapping& m : unlisted) {
        const bool by_id = m.path.rfind(by_id_prefix, 0) == 0;
        add({m.number, true, m.path, m.number},
            {std::to_string(m.number), by_id ? m.path : "", by_id ? "" : m.path,
             T("not listed by the system; ", "non elencata dal sistema; ") + m.state, "", ""});
    }
    tblPorts->resizeColumnsToContents();
    for (size_t r = 0; r < rows_.size() && !keep.empty(); ++r)
        if (rows_[r].path == keep) {
            tblPorts->selectRow(static_cast<int>(r));
            break;
        }
    SelectionChanged();
}

const SerialPortsDialog::Row* SerialPortsDialog::Selected() const {
    const int r = tblPorts ? tblPorts->currentRow() : -1;
    if (r < 0 || static_cast<size_t>(r) >= rows_.size() || !tblPorts->item(r, 0)->isSelected()) return nullptr;
    return &rows_[static_cast<size_t>(r)];
}

void SerialPortsDialog::SelectionChanged() {
    const Row* row = Selected();
    cmdAssign->setEnabled(row != nullptr);
    cmdRemove->setEnabled(row != nullptr && row->mapped);
}

void SerialPortsDialog::cmdAssign_Click() {
    const Row* row = Selected();
    if (!row) return;
    const Row chosen = *row;
    platform::Dialogs& d = platform::dialogs();
    const std::string typed = d.input_box(T("Port number for ", "Numero di porta per ") + chosen.path + " (1-99):",
                                          kAppTitle, chosen.proposed ? std::to_string(chosen.proposed) : "");
    if (typed.empty()) return;
    const int number = CInt(Val(typed));
    std::string stored;
    const std::string why = platform::give_port_number(number, chosen.path, stored, source_.by_id_folder);
    if (!why.empty()) {
        d.message_box(chosen.path + ": " + why, kAppTitle);
        return;
    }
    LogLine(T("Serial port ", "Porta seriale ") + std::to_string(number) + " = " + stored, 4);
    Refill();
}

void SerialPortsDialog::cmdRemove_Click() {
    const Row* row = Selected();
    if (!row || !row->mapped) return;
    const int number = row->number;
    platform::unregister_port(number);
    LogLine(T("Serial port ", "Porta seriale ") + std::to_string(number) + " = " + platform::port_device_path(number), 4);
    Refill();
}

}  // namespace modMain

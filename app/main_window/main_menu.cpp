#include "app/main_window/main_menu.h"

#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QUrl>

#include "app/core/commissioning_record.h"
#include "app/core/log_line.h"
#include "app/core/mod_main.h"
#include "app/core/network_files.h"
#include "app/core/serial_recording.h"
#include "app/core/version_info.h"
#include "app/health/frmHealth.h"
#include "app/main_window/frmMain.h"
#include "app/main_window/menu_text.h"
#include "app/main_window/serial_ports_dialog.h"
#include "platform/dialogs.h"
#include "platform/port_map.h"
#include "platform/program_folder.h"
#include "platform/project_version.h"
#include "platform/user_folders.h"

namespace modMain {

namespace {

std::string coordinator_digits() {
    std::string digits;
    for (char c : g().CoordMac)
        if (c != ':') digits += c;
    return digits.empty() ? "network" : digits;
}

}  // namespace

void ExportRecordMenu(const QDateTime& at) {
    const std::string proposed = QDir::homePath().toStdString() + "/Dalmiro-" + coordinator_digits() + "-" +
                                 at.toString(QStringLiteral("yyyyMMdd-HHmm")).toStdString() + ".csv";
    const std::string path =
        platform::dialogs().save_file_name(T("Export commissioning record", "Esporta verbale di collaudo"), proposed);
    if (path.empty()) return;
    if (ExportCommissioningRecord(path, at))
        LogLine(T("Commissioning record written to ", "Verbale di collaudo scritto in ") + path, 4);
    else
        platform::dialogs().message_box(
            T("The commissioning record could not be written to ", "Impossibile scrivere il verbale di collaudo in ") +
                path,
            kAppTitle);
}

void SaveMenu(frmMain& main) {
    main.SaveSettings();
    if (g().StartupDone == 1) {
        SaveNetworkData();
        WriteMacListFile();
    }
    LogLine(T("Settings and network files saved", "Impostazioni e file di rete salvati"), 4);
}

void RecordSerialMenu(QAction& entry, const QDateTime& at) {
    if (SerialRecordingActive()) {
        StopSerialRecording();
    } else {
        const std::string proposed = QDir::homePath().toStdString() + "/Dalmiro-serial-" + coordinator_digits() + "-" +
                                     at.toString(QStringLiteral("yyyyMMdd-HHmmss")).toStdString() + ".txt";
        const std::string path = platform::dialogs().save_file_name(
            T("Record serial traffic", "Registra il traffico seriale"), proposed);
        std::string error;
        if (!path.empty() && !StartSerialRecording(path, 0, error))
            platform::dialogs().message_box(
                T("The serial recording could not be started: ", "Impossibile avviare la registrazione seriale: ") +
                    error,
                kAppTitle);
    }
    entry.setChecked(SerialRecordingActive());
}

void SerialPortsMenu(const PortSource& source) {
    SerialPortsDialog dialog(source, windows().main);
    dialog.exec();
}

void OpenLogFolderMenu(const std::function<bool(const std::string&)>& open_folder) {
    const std::string folder = platform::state_folder();
    QDir().mkpath(QString::fromStdString(folder));
    if (open_folder(folder)) return;
    platform::dialogs().message_box(
        T("No application here opens folders. The log files are in:\n", "Nessuna applicazione qui apre le cartelle. "
                                                                          "I file di log sono in:\n") +
            folder,
        kAppTitle);
}

std::string AboutText() {
    const State& s = g();
    std::string network = platform::program_folder();
    if (!s.NetFilePath.empty()) network = s.NetFilePath + "\n    " + s.MacListPath;
    return std::string(kAppTitle) + " " + platform::kProjectVersion + "\n" + kLegalCopyright + "\n\n" +
           T("Serial port: ", "Porta seriale: ") + std::to_string(s.SerialPort) + " (" +
           platform::port_device_path(s.SerialPort) + ")\n" + T("Settings: ", "Impostazioni: ") +
           platform::settings_file("Corvani_ZigBee_Demo") + "\n" + T("Port map: ", "Mappa delle porte: ") +
           platform::settings_file("Dalmiro") + "\n" + T("Network files: ", "File di rete: ") + network + "\n" +
           T("Logs: ", "Log: ") + platform::state_folder();
}

void BuildMainMenu(frmMain& main) {
    QMenu* file = main.mnuFile;
    QObject::connect(file->addAction(QT("Export commissioning record…", "Esporta verbale di collaudo…")),
                     &QAction::triggered, [] { ExportRecordMenu(QDateTime::currentDateTime()); });
    QObject::connect(file->addAction(QT("Save", "Salva")), &QAction::triggered, [&main] { SaveMenu(main); });
    file->addSeparator();
    QObject::connect(file->addAction(QT("Serial ports…", "Porte seriali…")), &QAction::triggered,
                     [] { SerialPortsMenu(PortSource{}); });
    QAction* record = file->addAction(QT("Record serial traffic…", "Registra il traffico seriale…"));
    record->setObjectName(QStringLiteral("mnuRecordSerial"));
    record->setCheckable(true);
    record->setChecked(SerialRecordingActive());
    QObject::connect(record, &QAction::triggered, [record] { RecordSerialMenu(*record, QDateTime::currentDateTime()); });
    QObject::connect(file->addAction(QT("Open log folder", "Apri la cartella dei log")), &QAction::triggered, [] {
        OpenLogFolderMenu([](const std::string& folder) {
            return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
        });
    });
    file->addSeparator();
    // The same way out as the window's close button, so the same things are saved.
    QObject::connect(file->addAction(QT("Quit", "Esci")), &QAction::triggered, [&main] { main.close(); });
    auto* view = new QMenu(QT("View", "Visualizza"), &main);
    view->setObjectName(QStringLiteral("mnuView"));
    main.menubar->insertMenu(main.help->menuAction(), view);
    QAction* health = view->addAction(QT("Network health", "Salute della rete"));
    health->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    QObject::connect(health, &QAction::triggered, &main, [&main] { health::ShowHealthWindow(&main); });
    QObject::connect(main.help->addAction(QT("About", "Informazioni")), &QAction::triggered,
                     [] { platform::dialogs().message_box(AboutText(), kAppTitle); });
}

}  // namespace modMain

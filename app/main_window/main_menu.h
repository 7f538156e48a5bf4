#pragma once
// The main window's menus. File: export the commissioning record, save, the serial ports, recording
// the serial line, the log folder, quit. View: the network health window. Help: about. Each entry's
// work is a routine of its own, so tests drive it without the menu.
#include <QAction>
#include <QDateTime>
#include <functional>
#include <string>

#include "app/core/program_options.h"

class frmMain;

namespace modMain {

void BuildMainMenu(frmMain& main);

// Asks where to write the record (a name with the coordinator and the time proposed) and writes it.
void ExportRecordMenu(const QDateTime& at);
// Saves what closing the window saves, and the program goes on.
void SaveMenu(frmMain& main);
// Starts recording the serial line into a file the operator picks (a name with the coordinator and
// the time proposed), or stops the recording that runs; the entry's tick follows.
void RecordSerialMenu(QAction& entry, const QDateTime& at);
// Lists the ports with their numbers; the operator picks one and gives it a number.
void SerialPortsMenu(const PortSource& source);
// Opens the folder of the daily logs through `open_folder` (the desktop's file manager); when nothing
// opens it, the operator is shown its path to copy.
void OpenLogFolderMenu(const std::function<bool(const std::string&)>& open_folder);
// Version, the port in use and where every file of the program lives.
std::string AboutText();

}  // namespace modMain

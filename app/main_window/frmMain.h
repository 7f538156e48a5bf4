#pragma once
// The main window: the operator's console for the network. Controls come from frmMain.ui; the device
// list rows are grouped into arrays indexed 0..11 like the rows they show.
#include <QLabel>
#include <QMainWindow>
#include <array>

#include "app/main_window/image_list.h"
#include "app/main_window/status_panels.h"
#include "platform/timer.h"
#include "ui_frmMain.h"

class frmMain : public QMainWindow, public Ui::frmMain {
    Q_OBJECT
public:
    static constexpr int kListRows = 12;
    using RowLabels = std::array<QLabel*, kListRows>;

    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    void Form_Load();
    void tmrTimeOut_Timer();

    // The device list page.
    RowLabels lblLstDEVSeq{}, lblLstDEVDep{}, lblLstDEVShort{}, lblLstDEVName{}, lblLstDEVType{}, lblLstDEVKa{};
    RowLabels picSTSDEV{};

    platform::Timer tmrTimeOut;
    platform::Timer tmrDevAlive;
    platform::Timer tmrGenOper;
    platform::Timer tmrNewDevice;
    platform::Timer tmrTest;

    ImageList imgList;
};

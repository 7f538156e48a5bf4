#pragma once
// The log window: the colour-coded log of the coordinator traffic and the reply-wait progress bar.
// Closing it hides it for the rest of the run; the log then writes nothing.
#include <QWidget>

#include "app/log_splash/rich_text_box.h"
#include "ui_frmLog.h"

class frmLog : public QWidget, public Ui::frmLog {
    Q_OBJECT
public:
    explicit frmLog(QWidget* parent = nullptr);
    ~frmLog() override;

    void Form_Load();
    void Form_Unload();

protected:
    void closeEvent(QCloseEvent* event) override;
};

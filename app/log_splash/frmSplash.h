#pragma once
// The splash window: program name, version, company and copyright for a few seconds at start-up.
#include <QWidget>

#include "platform/timer.h"
#include "ui_frmSplash.h"

class frmSplash : public QWidget, public Ui::frmSplash {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);
    ~frmSplash() override;

    void Form_Load();
    void tmrSplash_Timer();

    platform::Timer tmrSplash;
};

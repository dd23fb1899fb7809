// The date-repair dialog: sets every catalogue and barcode date on or before 1900-01-01
// to the day the operator picks.
#pragma once

#include "platform/Application.h"
#include "platform/Database.h"
#include "ui_frmRedateMain.h"

class TRedateMain : public TForm, public Ui::TRedateMain {
public:
    TRedateMain();

    TQuery* qrTmp;

private:
    void cbBackupClick();
    void btModClick();
    void btExitClick();
};

extern TRedateMain* RedateMain;

// The four updates that set every date on or before 1900-01-01 to day ('yyyy-mm-dd'), in the order
// they run, each as the lines of its text.
QList<QStringList> DateRepairStatements(const QString& day);

// The connection-parameter dialog: shown when the connection failed at start-up; says what to
// check and lets an administrator edit the stored parameters for the next start.
#pragma once

#include "platform/Application.h"
#include "ui_frmDbPara.h"

class TDbPara : public TForm, public Ui::TDbPara {
public:
    TDbPara();

private:
    void FormKeyPress(char& key);
    void FormCreate();
    void btOkClick();
    void btExitClick();
    void btModClick();
};

extern TDbPara* DbPara;

// The splash shown while the database connection opens.
#pragma once

#include "platform/Application.h"
#include "ui_frmFlash.h"

class TFlash : public TForm, public Ui::TFlash {
public:
    TFlash();

private:
    void FormCreate();
};

// The splash: the connecting text, centred on the screen, borderless.
#include "frmFlash.h"
#include "unGlobal.h"

TFlash::TFlash() : TForm(Qt::SplashScreen | Qt::FramelessWindowHint) {
    setupUi(this);
    Position = TPosition::ScreenCenter;
    OnCreate = [this] { FormCreate(); };
}

void TFlash::FormCreate() {
    lbView->setText(QString::fromStdString(StatusText));
    lbView->adjustSize();
}

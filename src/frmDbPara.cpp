#include "frmDbPara.h"
#include "dmLibData.h"

TDbPara* DbPara = nullptr;

TDbPara::TDbPara() {
    setupUi(this);
    Position = TPosition::ScreenCenter;
    KeyPreview = true;
    OnCreate = [this] { FormCreate(); };
    OnKeyPress = [this](char& key) { FormKeyPress(key); };
    connect(btMod, &QPushButton::clicked, this, Handler(this, &TDbPara::btModClick));
    connect(btExit, &QPushButton::clicked, this, Handler(this, &TDbPara::btExitClick));
    connect(btOk, &QPushButton::clicked, this, Handler(this, &TDbPara::btOkClick));
}

void TDbPara::FormCreate() {
    setWindowTitle(QStringLiteral("设置数据库【%1】连接参数").arg(QLatin1String(SubsystemKeyName)));
    LoadConnectionParams(edOdbc, edUser, edPass);
}

// Enter moves on to the next control, as Tab does; the character itself still goes through.
void TDbPara::FormKeyPress(char& key) {
    if (key == '\r')
        SelectNextControl();
}

void TDbPara::btModClick() {
    grbBox->setVisible(true);
    SetOuterHeight(261);
}

void TDbPara::btOkClick() {
    SaveConnectionParams(edOdbc, edUser, edPass);
    close();
}

void TDbPara::btExitClick() {
    close();
}

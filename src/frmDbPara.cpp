// The connection-parameter dialog: unfolding, Enter as Tab, loading and saving the stored parameters.
#include "frmDbPara.h"
#include "dmLibData.h"
#include "platform/Cp936.h"
#include "platform/Exceptions.h"

#include <QValidator>

TDbPara* DbPara = nullptr;

namespace {
// Unfolded, the dialog is this high from the top of its title bar to the bottom of its frame, in
// pixels as designed: room below the parameter box (which ends 225 pixels into the client area)
// for a frame and title bar of the designed size. It is not the client height.
constexpr int UnfoldedOuterHeight = 261;

// The record holds code page 936 texts: a character it cannot hold is refused as it is typed or
// pasted, so that a save never has to store something else in its place.
class Cp936Validator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        try {
            ToCp936(input);
            return Acceptable;
        } catch (const EConvertError&) {
            return Invalid;
        }
    }
};
} // namespace

TDbPara::TDbPara() {
    setupUi(this);
    Position = TPosition::ScreenCenter;
    KeyPreview = true;
    auto* cp936 = new Cp936Validator(this);
    for (QLineEdit* edit : {edOdbc, edUser, edPass})
        edit->setValidator(cp936);
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
    SetOuterHeight(UnfoldedOuterHeight);
}

void TDbPara::btOkClick() {
    SaveConnectionParams(edOdbc, edUser, edPass);
    close();
}

void TDbPara::btExitClick() {
    close();
}

// The data module: the connection's stored settings, and the splash from before the connect to after it.
#include "dmLibData.h"
#include "frmFlash.h"
#include "unGlobal.h"

TLibDM* LibDM = nullptr;
QPointer<TFlash> FlashForm;

TLibDM::TLibDM() {
    // Stored settings of the connection; the record of stored parameters replaces the
    // alias and the login before connecting, when it exists.
    LibDB = Own(new TDatabase);
    LibDB->AliasName = QStringLiteral("LibODBC");
    LibDB->DatabaseName = QStringLiteral("LibDB");
    LibDB->LoginPrompt = false;
    LibDB->Params = {TDatabase::Param(TDatabase::UserNameParam, QStringLiteral("sa")),
                     TDatabase::Param(TDatabase::PasswordParam, QString())};
    LibDB->SessionName = QStringLiteral("Default");
    LibDB->BeforeConnect = [this](QObject* sender) { LibDBBeforeConnect(sender); };
    LibDB->AfterConnect = [this](QObject* sender) { LibDBAfterConnect(sender); };
    LibDB->SetStreamedConnected(true);
}

void TLibDM::LibDBBeforeConnect(QObject*) {
    ApplyConnectionParams(LibDB);
    StatusText = "系统正在连接数据库，请稍候...";
    FlashForm = Own(Construct<TFlash>());
    FlashForm->Show();
    FlashForm->Refresh();
}

void TLibDM::LibDBAfterConnect(QObject*) {
    delete FlashForm.data();
    StatusText = "OK";
}

#include "Redate.h"
#include "dmLibData.h"
#include "frmDbPara.h"
#include "frmRedateMain.h"
#include "unGlobal.h"

#include <QApplication>
#include <QIcon>

bool IsConnectedStatus(const std::string& status) {
    return status == "OK";
}

int RunStartup(const StartupForms& forms) {
    return Application.RunProgram([&] {
        StatusText.clear();
        LibDM = nullptr;
        RedateMain = nullptr;
        DbPara = nullptr;
        Application.Initialize();
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/res/Redate.ico")));
        Application.Title = QStringLiteral("修改日期为1900年前的编目、条码数据");
        try {
            forms.createDataModule();
            if (IsConnectedStatus(StatusText))
                forms.createDateRepair();
            else
                forms.createConnectionRepair();
        } catch (...) {
            // Whatever went wrong, the dialog itself tells the operator what to check.
            forms.createConnectionRepair();
        }
        Application.Run();
    });
}

int Redate() {
    return RunStartup({
        [] { Application.CreateForm(LibDM); },
        [] { Application.CreateForm(RedateMain); },
        [] { Application.CreateForm(DbPara); },
    });
}

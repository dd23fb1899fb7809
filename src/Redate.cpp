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

int Redate() {
    return Application.RunProgram([] {
        StatusText.clear();
        LibDM = nullptr;
        RedateMain = nullptr;
        DbPara = nullptr;
        Application.Initialize();
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/res/Redate.ico")));
        Application.Title = QStringLiteral("修改日期为1900年前的编目、条码数据");
        try {
            Application.CreateForm(LibDM);
            if (IsConnectedStatus(StatusText))
                Application.CreateForm(RedateMain);
            else
                Application.CreateForm(DbPara);
        } catch (...) {
            // Whatever went wrong, the operator is told what to check by the dialog itself.
            Application.CreateForm(DbPara);
        }
        Application.Run();
    });
}

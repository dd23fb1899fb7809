// Start-up: the application object, the data module, the choice of the main form, the event loop.
#include "Redate.h"
#include "dmLibData.h"
#include "frmDbPara.h"
#include "frmRedateMain.h"
#include "unGlobal.h"

#include <QApplication>
#include <QIcon>

// The pictures are compiled in; naming them here keeps them in whatever links the program's modules.
static void InitResources() {
    Q_INIT_RESOURCE(redate);
}

namespace {
// The sizes a window system picks from. Qt 6.4 decodes each file as it is added (about 5 % of the
// start-up's instructions, offscreen); the X platform asks for every size at the first window anyway.
QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64})
        icon.addFile(QStringLiteral(":/res/icons/redate-%1.png").arg(size), QSize(size, size));
    return icon;
}
} // namespace

int RunStartup(const StartupForms& forms) {
    return Application.RunProgram([&] {
        StatusText.clear();
        LibDM = nullptr;
        RedateMain = nullptr;
        DbPara = nullptr;
        Application.Initialize();
        InitResources();
        QApplication::setWindowIcon(ProgramIcon());
        Application.Title = QStringLiteral("修改日期为1900年前的编目、条码数据");
        try {
            forms.createDataModule();
            if (StatusText == "OK") // exactly these two characters
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

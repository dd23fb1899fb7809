// Renders each of the program's windows to a PNG, for the docs and for looking at them.
// Usage: redate_screenshots <folder>
#include "dmLibData.h"
#include "frmDbPara.h"
#include "frmFlash.h"
#include "frmRedateMain.h"
#include "platform/HiveStore.h"
#include "platform/Registry.h"
#include "unGlobal.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {
void Save(QWidget* window, const QString& path) {
    window->show();
    QTest::qWait(200);
    if (!window->grab().save(path))
        qFatal("cannot write %s", qPrintable(path));
    window->hide();
}

// The connection dialog shows a record of our own, the design-time one, rather than the machine's.
void UseSampleRecord(const QTemporaryDir& scratch) {
    SetHiveFilePath(QFile::encodeName(scratch.filePath(QStringLiteral("HKLM.reg"))).toStdString());
    TRegistry registry;
    if (!registry.OpenKey(ConnectionKey, true))
        qFatal("cannot write the sample record");
    registry.WriteString(OdbcNameValue, "LibODBC");
    registry.WriteString(UserNameValue, EncodeDigits("sa"));
    registry.WriteString(PasswordValue, EncodeDigits(""));
}
} // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);
    Application.Initialize();
    Application.Title = QStringLiteral("修改日期为1900年前的编目、条码数据");

    StatusText = "系统正在连接数据库，请稍候...";
    std::unique_ptr<TFlash> flash(Construct<TFlash>());
    Save(flash.get(), folder + "/splash.png");

    std::unique_ptr<TRedateMain> main(Construct<TRedateMain>());
    Save(main.get(), folder + "/date-repair.png");

    QTemporaryDir scratch;
    UseSampleRecord(scratch);
    std::unique_ptr<TDbPara> dbPara(Construct<TDbPara>());
    Save(dbPara.get(), folder + "/connection-collapsed.png");
    dbPara->show();
    QTest::mouseClick(dbPara->btMod, Qt::LeftButton);
    Save(dbPara.get(), folder + "/connection-expanded.png");
    return 0;
}

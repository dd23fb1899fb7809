// Start-up through the program's own entry: the splash, and the choice of the main form.
#include "LibraryFixture.h"
#include "ProgramRun.h"
#include "Redate.h"
#include "dmLibData.h"
#include "frmDbPara.h"
#include "frmRedateMain.h"
#include "platform/Database.h"
#include "platform/Exceptions.h"
#include "unGlobal.h"

#include <QApplication>
#include <QFile>
#include <QTest>

namespace {
std::vector<std::string> gone; // what program end destroyed, in order

// Stands in for a data module that completed, leaving the status text given.
class ProbeModule : public TDataModule {
public:
    ~ProbeModule() override { gone.push_back("module"); }
};
class ProbeDbPara : public TDbPara {
public:
    ~ProbeDbPara() override { gone.push_back("TDbPara"); }
};
ProbeModule* probeModule = nullptr;
ProbeDbPara* probeDbPara = nullptr;

enum class Creation { Succeeds, Raises, RaisesOnce };
} // namespace
Q_DECLARE_METATYPE(Creation)

class TestStartup : public QObject {
    Q_OBJECT
    LibraryFixture fixture;

private slots:
    void initTestCase() {
        // No data source LibODBC: the design-time settings cannot connect.
        LibraryFixture::CreateLibrary(fixture.AddDataSource("Elsewhere", "library.db"));
        fixture.AddDriver("Missing", fixture.Path("no-such-driver.so"));
        fixture.AddDataSource("Driverless", "library.db", "Missing");
        fixture.WriteOdbcIni();
    }
    void init() {
        QFile::remove(fixture.HivePath());
        ProgramRun::BeginTest();
    }
    void cleanup() { ProgramRun::EndTest(); }

    // The splash for the length of the attempt, then the connection-parameter dialog, no message box.
    void missingDataSource() {
        ProgramRun run;
        const int code = run.Start([&](TForm* main) {
            QVERIFY(dynamic_cast<TDbPara*>(main));
            QCOMPARE(main, DbPara);
            QVERIFY(!LibDM);
            QVERIFY(!RedateMain);
            QCOMPARE(StatusText, std::string("系统正在连接数据库，请稍候..."));
            QVERIFY(!QApplication::windowIcon().pixmap(32).isNull());
        });
        QCOMPARE(code, 0);
        QCOMPARE(run.splashes.size(), 1);
        QCOMPARE(run.splashes[0].caption, QString("系统正在连接数据库，请稍候..."));
        QCOMPARE(run.splashes[0].statusText, std::string("系统正在连接数据库，请稍候..."));
        QVERIFY2(run.otherWindowsAtMainForm.isEmpty(), qPrintable(run.otherWindowsAtMainForm.join(',')));
        QVERIFY(MessageBoxSeam::Log().empty());
    }

    // An administrator's record decides the data source and the login.
    void storedRecordChoosesTheConnection() {
        fixture.WriteHive(LibraryFixture::Record("  Elsewhere\t", "340334043407", ""));
        ProgramRun run;
        const int code = run.Start([&](TForm* main) {
            QVERIFY(dynamic_cast<TRedateMain*>(main));
            QCOMPARE(LibDM->LibDB->AliasName, QString("Elsewhere"));
            QCOMPARE(LibDM->LibDB->Params, (QStringList{"USER NAME=abc", "PASSWORD="}));
            QVERIFY(LibDM->LibDB->Connected());
        });
        QCOMPARE(code, 0);
        QCOMPARE(run.splashes.size(), 1);
    }

    // Records that lead to the connection-parameter dialog. One that cannot be applied shows no
    // splash at all, and the dialog's own reading of it reports the error before the dialog shows.
    void recordsThatFail_data() {
        QTest::addColumn<QByteArray>("hive");
        QTest::addColumn<bool>("splash");
        QTest::addColumn<QString>("errorBox"); // reported when the dialog reads the record, or empty
        QTest::newRow("driver cannot be loaded") << LibraryFixture::Record("Driverless", "", "") << true << "";
        QTest::newRow("empty alias") << LibraryFixture::Record("", "", "") << true << "";
        QTest::newRow("user name with a letter")
            << LibraryFixture::Record("Elsewhere", "34a3", "") << false << "'a' is not a valid integer value.";
        QTest::newRow("alias stored as a number")
            << QByteArray("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmere\\Lib]\r\n"
                          "\"ODBCNAME\"=dword:00000001\r\n")
            << false << "Invalid data type for 'ODBCNAME'";
    }
    void recordsThatFail() {
        QFETCH(QByteArray, hive);
        QFETCH(bool, splash);
        QFETCH(QString, errorBox);
        fixture.WriteHive(hive);
        if (!errorBox.isEmpty())
            MessageBoxSeam::Script({IDOK});
        size_t boxesBeforeShown = 0;
        ProgramRun run;
        const int code = run.Start([&](TForm* main) {
            QVERIFY(dynamic_cast<TDbPara*>(main));
            QVERIFY(!LibDM);
            boxesBeforeShown = MessageBoxSeam::Log().size();
        });
        QCOMPARE(code, 0);
        QCOMPARE(run.splashes.size(), splash ? 1 : 0);
        QCOMPARE(StatusText, splash ? std::string("系统正在连接数据库，请稍候...") : std::string());
        QCOMPARE(boxesBeforeShown, errorBox.isEmpty() ? size_t(0) : size_t(1));
        if (!errorBox.isEmpty()) {
            QCOMPARE(MessageBoxSeam::Log()[0].text, errorBox);
            QCOMPARE(MessageBoxSeam::Log()[0].flags, MB_OK | MB_ICONERROR);
        }
    }

    // Which dialog becomes the main form, for each way start-up's creations can end.
    void mainFormSelection_data() {
        QTest::addColumn<QString>("status");      // left by the data module; empty: its creation raises
        QTest::addColumn<Creation>("dateRepair"); // creation of the date-repair dialog
        QTest::addColumn<Creation>("connection"); // creation of the connection-parameter dialog
        QTest::addColumn<QString>("mainForm");    // empty: none, the last-chance box ends the run
        QTest::addColumn<int>("exitCode");
        QTest::newRow("connected") << "OK" << Creation::Succeeds << Creation::Succeeds << "RedateMain" << 0;
        QTest::newRow("ok") << "ok" << Creation::Succeeds << Creation::Succeeds << "DbPara" << 0;
        QTest::newRow("OK and a blank") << "OK " << Creation::Succeeds << Creation::Succeeds << "DbPara" << 0;
        QTest::newRow("Ok") << "Ok" << Creation::Succeeds << Creation::Succeeds << "DbPara" << 0;
        QTest::newRow("a blank and OK") << " OK" << Creation::Succeeds << Creation::Succeeds << "DbPara" << 0;
        QTest::newRow("connecting") << "系统正在连接数据库，请稍候..." << Creation::Succeeds << Creation::Succeeds
                                    << "DbPara" << 0;
        QTest::newRow("date-repair dialog raises") << "OK" << Creation::Raises << Creation::Succeeds << "DbPara" << 0;
        QTest::newRow("module raises") << "" << Creation::Succeeds << Creation::Succeeds << "DbPara" << 0;
        QTest::newRow("dialog raises once, then again in the failure branch")
            << "ok" << Creation::Succeeds << Creation::RaisesOnce << "DbPara" << 0;
        QTest::newRow("dialog raises in the failure branch") << "" << Creation::Succeeds << Creation::Raises << "" << 1;
    }
    void mainFormSelection() {
        QFETCH(QString, status);
        QFETCH(Creation, dateRepair);
        QFETCH(Creation, connection);
        QFETCH(QString, mainForm);
        QFETCH(int, exitCode);
        gone.clear();
        probeModule = nullptr;
        int connectionAttempts = 0;
        const StartupForms forms{
            [&] {
                if (status.isEmpty())
                    throw EDBEngineError("Data source name not found");
                Application.CreateForm(probeModule);
                StatusText = status.toStdString();
            },
            [&] {
                if (dateRepair == Creation::Raises)
                    throw EConvertError("'a' is not a valid integer value");
                Application.CreateForm(RedateMain);
            },
            [&] {
                ++connectionAttempts;
                if (connection == Creation::Raises || (connection == Creation::RaisesOnce && connectionAttempts == 1))
                    throw ERegistryException("Invalid data type for 'ODBCNAME'");
                Application.CreateForm(probeDbPara);
                DbPara = probeDbPara;
            },
        };
        if (exitCode)
            MessageBoxSeam::Script({IDOK});
        QString shown;
        ProgramRun run;
        const int code = run.Start(forms, [&](TForm* main) { shown = main->objectName(); });
        QCOMPARE(code, exitCode);
        QCOMPARE(shown, mainForm);
        if (exitCode) {
            // The last-chance box: the exception's text, task-modal.
            QCOMPARE(MessageBoxSeam::Log().size(), size_t(1));
            QCOMPARE(MessageBoxSeam::Log()[0].text, QString("Invalid data type for 'ODBCNAME'"));
            QCOMPARE(MessageBoxSeam::Log()[0].flags, unsigned(MB_OK | MB_ICONERROR | MB_TASKMODAL));
        } else {
            QVERIFY(MessageBoxSeam::Log().empty());
        }
        // A data module that was created lives to the end and goes after the main dialog.
        std::vector<std::string> expected;
        if (mainForm == "DbPara")
            expected.push_back("TDbPara");
        if (!status.isEmpty())
            expected.push_back("module");
        QCOMPARE(gone, expected);
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"

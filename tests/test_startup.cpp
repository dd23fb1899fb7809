// Start-up through the program's own entry: the splash, and the choice of the main form.
#include "LibraryFixture.h"
#include "ProgramRun.h"
#include "Redate.h"
#include "dmLibData.h"
#include "frmDbPara.h"
#include "frmRedateMain.h"
#include "platform/Database.h"
#include "unGlobal.h"

#include <QApplication>
#include <QTest>

class TestStartup : public QObject {
    Q_OBJECT
    LibraryFixture fixture;

private slots:
    void initTestCase() {
        // No data source LibODBC: the design-time settings cannot connect.
        fixture.AddDataSource("Elsewhere", "library.db");
        fixture.WriteOdbcIni();
    }
    void init() {
        MessageBoxSeam::ClearLog();
        MessageBoxSeam::Script({});
    }
    void cleanup() {
        MessageBoxSeam::StopScripting();
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
        QCOMPARE(TDatabase::OpenConnectionCount(), 0);
    }

    // The splash for the length of the attempt, then the connection-parameter dialog, no message box.
    void missingDataSource() {
        ProgramRun run;
        const int code = run.Start([&](TForm* main) {
            QVERIFY(dynamic_cast<TDbPara*>(main));
            QCOMPARE(main, DbPara);
            QVERIFY(!LibDM);
            QVERIFY(!RedateMain);
            QCOMPARE(StatusText, std::string("系统正在连接数据库，请稍候..."));
        });
        QCOMPARE(code, 0);
        QCOMPARE(run.splashes.size(), 1);
        QCOMPARE(run.splashes[0].caption, QString("系统正在连接数据库，请稍候..."));
        QCOMPARE(run.splashes[0].statusText, std::string("系统正在连接数据库，请稍候..."));
        QVERIFY2(run.otherWindowsAtMainForm.isEmpty(), qPrintable(run.otherWindowsAtMainForm.join(',')));
        QVERIFY(MessageBoxSeam::Log().empty());
    }

    // Only the two characters "OK" count as a connection.
    void connectedStatus_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("connected");
        QTest::newRow("OK") << "OK" << true;
        QTest::newRow("ok") << "ok" << false;
        QTest::newRow("Ok") << "Ok" << false;
        QTest::newRow("trailing blank") << "OK " << false;
        QTest::newRow("leading blank") << " OK" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("connecting") << "系统正在连接数据库，请稍候..." << false;
    }
    void connectedStatus() {
        QFETCH(QString, status);
        QFETCH(bool, connected);
        QCOMPARE(IsConnectedStatus(status.toStdString()), connected);
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"

// The date-repair dialog, run through the program's own entry against the SQLite ODBC driver.
#include "LibraryFixture.h"
#include "ProgramRun.h"
#include "dmLibData.h"
#include "frmRedateMain.h"
#include "platform/Database.h"
#include "unGlobal.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
const QString Title = QStringLiteral("修改日期为1900年前的编目、条码数据");
const QString Day = QStringLiteral("2024-05-06");

using Rows = QList<QStringList>;

// Every catalogue and barcode row of the demo data after a repair with Day.
const QString D = Day, N = LibraryFixture::Null;
const Rows RepairedBianma = {{"1", D},
                             {"2", D},
                             {"3", "1900-01-02"},
                             {"4", D},
                             {"5", "2003-06-10"},
                             {"6", "2024-11-30"},
                             {"7", N},
                             {"8", D},
                             {"9", "1999-12-31"},
                             {"10", "1901-01-01"},
                             {"11", D},
                             {"12", "2025-03-15"}};
const Rows RepairedTiaoma = {
    {"1", D, D, D, "0"},
    {"2", D, D, "1899-12-31", "9"}, // marked '9': keeps tm_yydate
    {"3", D, "2003-06-10", "1900-01-02", "1"},
    {"4", "2004-02-29", D, "1900-01-01", "9"},
    {"5", "1900-01-02", "1900-01-02", "1900-01-02", "0"},
    {"6", N, N, N, N},
    {"7", D, "2010-09-01", N, "9"},
    {"8", "2023-08-15", "2023-08-15", "2023-08-15", "0"},
    {"9", D, D, "1900-01-01", N}, // a NULL mark is not known to differ from '9'
    {"10", D, D, D, ""},
    {"11", "2024-12-01", N, D, "0"},
    {"12", "1900-01-02", D, "2020-02-02", "9"},
    {"13", D, D, D, "2"},
    {"14", "1999-12-31", "1999-12-31", "1900-01-01", "9"},
    {"15", "2025-01-20", "1901-01-01", D, "1"},
    {"16", D, N, "2000-01-01", "9"},
    {"17", "2001-09-11", D, D, "3"},
    {"18", "1960-06-01", "1960-06-01", "1960-06-01", "9"},
};

} // namespace

class TestDateRepair : public QObject {
    Q_OBJECT
    LibraryFixture fixture;
    QString db;

    Rows Bianma() const { return LibraryFixture::Rows(db, "select bm_id, bm_date from lib_bianma order by bm_id"); }
    Rows Tiaoma() const {
        return LibraryFixture::Rows(
            db, "select tm_id, tm_logdate, tm_initdate, tm_yydate, tm_mark from lib_tiaoma order by tm_id");
    }

    static TRedateMain* Dialog(TForm* main) {
        auto* dialog = dynamic_cast<TRedateMain*>(main);
        if (!dialog)
            qFatal("the main form is not the date-repair dialog");
        return dialog;
    }
    // Ticks the backup box, picks Day and presses the update button.
    static void Repair(TRedateMain* dialog) {
        if (!dialog->cbBackup->isChecked())
            QTest::mouseClick(dialog->cbBackup, Qt::LeftButton);
        dialog->dtBegin->setDate(QDate::fromString(Day, Qt::ISODate));
        QTest::mouseClick(dialog->btMod, Qt::LeftButton);
    }

private slots:
    void initTestCase() {
        db = fixture.AddDataSource("LibODBC", "library.db");
        fixture.WriteOdbcIni();
    }
    void init() {
        LibraryFixture::CreateLibrary(db);
        ProgramRun::BeginTest();
    }
    void cleanup() { ProgramRun::EndTest(); }

    // Start, splash, dialog; tick, pick, press, Yes: exactly the rows the four updates name change.
    void wholeRun() {
        ProgramRun run;
        int connectionsDuringRun = -1;
        const int code = run.Start([&](TForm* main) {
            TRedateMain* dialog = Dialog(main);
            QCOMPARE(StatusText, std::string("OK"));
            QVERIFY(LibDM && !FlashForm);
            connectionsDuringRun = TDatabase::OpenConnectionCount();
            MessageBoxSeam::Script({IDYES, IDOK});
            Repair(dialog);
        });
        QCOMPARE(code, 0);
        QCOMPARE(run.splashes.size(), 1);
        QCOMPARE(run.splashes[0].caption, QString("系统正在连接数据库，请稍候..."));
        QVERIFY(run.splashes[0].pictures);
        QVERIFY(run.otherWindowsAtMainForm.isEmpty());
        QCOMPARE(connectionsDuringRun, 1);

        const auto& log = MessageBoxSeam::Log();
        QCOMPARE(log.size(), size_t(2));
        QCOMPARE(log[0].text, QString("您真的需要修改这些记录吗？"));
        QCOMPARE(log[0].caption, QString("提示信息"));
        QCOMPARE(log[0].flags, MB_YESNO | MB_DEFBUTTON2);
        QCOMPARE(log[1].text, QString("处理完成！"));
        QCOMPARE(log[1].caption, QString("提示信息"));
        QCOMPARE(log[1].flags, MB_OK | MB_ICONINFORMATION);
        QCOMPARE(Bianma(), RepairedBianma);
        QCOMPARE(Tiaoma(), RepairedTiaoma);
    }

    void initialStateAndBackupBox() {
        ProgramRun run;
        run.Start([&](TForm* main) {
            TRedateMain* dialog = Dialog(main);
            QCOMPARE(dialog->windowTitle(), Title);
            QCOMPARE(dialog->dtBegin->date(), QDate(2003, 6, 10));
            QVERIFY(!dialog->cbBackup->isChecked());
            QVERIFY(!dialog->btMod->isEnabled());
            QCOMPARE(QApplication::focusWidget(), dialog->cbBackup);
            // Space bar and mouse, any number of times: the button is enabled exactly while ticked.
            for (int i = 0; i < 5; ++i) {
                if (i % 2)
                    QTest::keyClick(dialog->cbBackup, Qt::Key_Space);
                else
                    QTest::mouseClick(dialog->cbBackup, Qt::LeftButton);
                QCOMPARE(dialog->btMod->isEnabled(), dialog->cbBackup->isChecked());
                QCOMPARE(dialog->cbBackup->isChecked(), i % 2 == 0);
            }
            // Unticked again, the button cannot start a run.
            QTest::mouseClick(dialog->cbBackup, Qt::LeftButton);
            QVERIFY(!dialog->cbBackup->isChecked() && !dialog->btMod->isEnabled());
            QTest::mouseClick(dialog->btMod, Qt::LeftButton);
        });
        QVERIFY(MessageBoxSeam::Log().empty());
    }

    // Tab and Shift+Tab wrap through the controls that can take the focus, out of the date field at once.
    void tabOrder_data() {
        QTest::addColumn<bool>("armed");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("unticked") << false << QStringList{"cbBackup", "btExit", "dtBegin"};
        QTest::newRow("ticked") << true << QStringList{"cbBackup", "btExit", "btMod", "dtBegin"};
    }
    void tabOrder() {
        QFETCH(bool, armed);
        QFETCH(QStringList, order);
        ProgramRun run;
        run.Start([&](TForm* main) {
            TRedateMain* dialog = Dialog(main);
            if (armed)
                QTest::keyClick(dialog->cbBackup, Qt::Key_Space);
            QCOMPARE(WalkFocus(order.size()), order);
            QCOMPARE(QApplication::focusWidget(), dialog->cbBackup); // wrapped round
            QCOMPARE(WalkFocus(order.size(), true), order);
        });
    }

    // No, or Enter on the real box where No is the default: nothing runs.
    void declinedRunChangesNothing_data() {
        QTest::addColumn<bool>("realBox");
        QTest::newRow("No") << false;
        QTest::newRow("Enter") << true;
    }
    void declinedRunChangesNothing() {
        QFETCH(bool, realBox);
        const Rows bianma = Bianma(), tiaoma = Tiaoma();
        ProgramRun run;
        run.Start([&](TForm* main) {
            TRedateMain* dialog = Dialog(main);
            if (realBox) {
                MessageBoxSeam::StopScripting();
                QTimer::singleShot(0, [] {
                    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                    QVERIFY(box);
                    QTest::keyClick(box, Qt::Key_Return);
                });
            } else {
                MessageBoxSeam::Script({IDNO});
            }
            Repair(dialog);
            QVERIFY(dialog->qrTmp->SQL.isEmpty());
        });
        QCOMPARE(MessageBoxSeam::Log().size(), size_t(1));
        QCOMPARE(Bianma(), bianma);
        QCOMPARE(Tiaoma(), tiaoma);
    }

    void secondRunChangesNothing() {
        ProgramRun run;
        run.Start([&](TForm* main) {
            TRedateMain* dialog = Dialog(main);
            MessageBoxSeam::Script({IDYES, IDOK, IDYES, IDOK});
            Repair(dialog);
            const Rows bianma = Bianma(), tiaoma = Tiaoma();
            Repair(dialog);
            QCOMPARE(Bianma(), bianma);
            QCOMPARE(Tiaoma(), tiaoma);
            QVERIFY(dialog->cbBackup->isChecked() && dialog->btMod->isEnabled());
        });
        QCOMPARE(MessageBoxSeam::Log().size(), size_t(4));
        QCOMPARE(Tiaoma(), RepairedTiaoma);
    }

    // Statement 3 fails: 1 and 2 stay applied, 4 does not run, the error box has the engine's text;
    // the dialog stays armed, and once the cause is gone a run completes.
    void failingStatement() {
        LibraryFixture::FailUpdatesOf(db, "lib_tiaoma", "tm_initdate", "tm_initdate is locked for audit");
        const Rows before = Tiaoma();
        ProgramRun run;
        run.Start([&](TForm* main) {
            TRedateMain* dialog = Dialog(main);
            MessageBoxSeam::Script({IDYES, IDOK});
            Repair(dialog);
            const auto& log = MessageBoxSeam::Log();
            QCOMPARE(log.size(), size_t(2));
            QVERIFY2(log[1].text.contains("tm_initdate is locked for audit"), qPrintable(log[1].text));
            QCOMPARE(log[1].caption, Title);
            QCOMPARE(log[1].flags, MB_OK | MB_ICONERROR);
            QVERIFY(dialog->cbBackup->isChecked() && dialog->btMod->isEnabled());
            QVERIFY2(!QApplication::overrideCursor(), "the wait cursor outlived the failed run");

            QCOMPARE(Bianma(), RepairedBianma);
            const Rows after = Tiaoma();
            for (int i = 0; i < after.size(); ++i) {
                QCOMPARE(after[i][1], RepairedTiaoma[i][1]); // statement 2 applied
                QCOMPARE(after[i][2], before[i][2]);         // statement 3 failed
                QCOMPARE(after[i][3], before[i][3]);         // statement 4 never ran
            }

            LibraryFixture::AllowUpdatesOf(db, "lib_tiaoma", "tm_initdate");
            MessageBoxSeam::ClearLog();
            MessageBoxSeam::Script({IDYES, IDOK});
            Repair(dialog);
            QCOMPARE(MessageBoxSeam::Log().back().text, QString("处理完成！"));
        });
        QCOMPARE(Tiaoma(), RepairedTiaoma);
    }

    // A database without the tables: the engine's message, and nothing else happens.
    void missingTables() {
        LibraryFixture::Execute(db, "drop table lib_bianma; drop table lib_tiaoma;");
        ProgramRun run;
        run.Start([&](TForm* main) {
            MessageBoxSeam::Script({IDYES, IDOK});
            Repair(Dialog(main));
        });
        const auto& log = MessageBoxSeam::Log();
        QCOMPARE(log.size(), size_t(2));
        QVERIFY2(log[1].text.contains("no such table"), qPrintable(log[1].text));
        QCOMPARE(log[1].flags, MB_OK | MB_ICONERROR);
    }

    // The title bar's close box (a close event) ends the program as the close button does.
    void closingEndsTheProgram_data() {
        QTest::addColumn<bool>("button");
        QTest::newRow("关闭") << true;
        QTest::newRow("close box") << false;
    }
    void closingEndsTheProgram() {
        QFETCH(bool, button);
        ProgramRun run;
        const int code = run.Start([&](TForm* main) {
            if (button)
                QTest::mouseClick(Dialog(main)->btExit, Qt::LeftButton);
            else
                QVERIFY(main->close());
            QVERIFY(!main->isVisible());
        });
        QCOMPARE(code, 0);
    }
};

QTEST_MAIN(TestDateRepair)
#include "test_date_repair.moc"

// The connection-parameter dialog as start-up shows it when the connection fails: its layout,
// its keyboard and its display states.
#include "LibraryFixture.h"
#include "ProgramRun.h"
#include "dmLibData.h"
#include "frmDbPara.h"
#include "frmRedateMain.h"
#include "platform/Database.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

namespace {
TDbPara* Dialog(TForm* main) {
    auto* dialog = dynamic_cast<TDbPara*>(main);
    if (!dialog)
        qFatal("the main form is not the connection-parameter dialog");
    return dialog;
}

void Expand(TDbPara* dialog) {
    QTest::mouseClick(dialog->btMod, Qt::LeftButton);
}

QWidget* Focused() {
    return QApplication::focusWidget();
}

// Types text as a keyboard or an input method would, one key event a character.
void Type(QWidget* widget, const QString& text) {
    for (const char32_t c : text.toUcs4()) {
        const QString ch = QString::fromUcs4(&c, 1);
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, ch, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, ch, Qt::NoModifier);
    }
}
} // namespace

class TestConnectionDialog : public QObject {
    Q_OBJECT
    LibraryFixture fixture;

    QByteArray ReadHive() const {
        QFile hive(fixture.HivePath());
        return hive.open(QIODevice::ReadOnly) ? hive.readAll() : QByteArray();
    }

private slots:
    void initTestCase() {
        // No data source LibODBC: a start without a record fails to connect and opens the dialog.
        LibraryFixture::CreateLibrary(fixture.AddDataSource("图书馆", "library.db"));
        fixture.WriteOdbcIni();
    }
    void init() {
        QFile::remove(fixture.HivePath());
        ProgramRun::BeginTest();
    }
    void cleanup() { ProgramRun::EndTest(); }

    void collapsedAndExpanded() {
        ProgramRun run;
        run.Start([&](TForm* main) {
            TDbPara* dialog = Dialog(main);
            QCOMPARE(dialog->windowTitle(), QString("设置数据库【Lib】连接参数"));
            QCOMPARE(dialog->size(), QSize(483, 105));
            const QRect screen = dialog->screen()->geometry();
            const QRect outer = dialog->frameGeometry();
            QCOMPARE(outer.x(), (screen.width() - outer.width()) / 2);
            QCOMPARE(outer.y(), (screen.height() - outer.height()) / 2);
            QVERIFY(!dialog->grbBox->isVisible());
            QCOMPARE(Focused(), dialog->btExit);
            for (QPushButton* b : dialog->findChildren<QPushButton*>())
                QVERIFY2(!b->isDefault() && !b->autoDefault(), qPrintable(b->objectName()));

            Expand(dialog);
            Expand(dialog);
            QVERIFY(dialog->grbBox->isVisible());
            QCOMPARE(dialog->frameGeometry().height(), 261);
            QCOMPARE(dialog->frameGeometry().topLeft(), outer.topLeft());
            QCOMPARE(dialog->frameGeometry().width(), outer.width());
            QCOMPARE(Focused(), dialog->btMod);

            // The user name is masked like the password; the alias name is plain.
            dialog->edOdbc->setText("LibODBC");
            dialog->edUser->setText("sa");
            dialog->edPass->setText("secret");
            QCOMPARE(dialog->edOdbc->displayText(), QString("LibODBC"));
            QCOMPARE(dialog->edUser->displayText(), QString("**"));
            QCOMPARE(dialog->edPass->displayText(), QString("******"));
            QCOMPARE(dialog->edUser->text(), QString("sa"));
        });
    }

    // The operator's failed start, the administrator's save, and the next start connecting with it.
    void saveThenConnect() {
        ProgramRun first;
        const int code = first.Start([&](TForm* main) {
            TDbPara* dialog = Dialog(main);
            QCOMPARE(dialog->edOdbc->text(), QString());
            Expand(dialog);
            Type(dialog->edOdbc, " 图书馆 ");
            Type(dialog->edUser, "  张三 ");
            Type(dialog->edPass, " abc ");
            QTest::mouseClick(dialog->btOk, Qt::LeftButton);
            QVERIFY(!dialog->isVisible());
        });
        QCOMPARE(code, 0);
        const QByteArray record = ReadHive();
        // 图书馆 in code page 936; 张三 is D5 C5 C8 FD, four digits a byte.
        QVERIFY2(record.contains("\"ODBCNAME\"=\"\xcd\xbc\xca\xe9\xb9\xdd\"\r\n"), record.constData());
        QVERIFY2(record.contains("\"USERNAME\"=\"7333703370407773\"\r\n"), record.constData());
        QVERIFY2(record.contains("\"PASSWORD\"=\"340334043407\"\r\n"), record.constData());

        ProgramRun second;
        second.Start([&](TForm* main) {
            QVERIFY(dynamic_cast<TRedateMain*>(main));
            QCOMPARE(LibDM->LibDB->AliasName, QString("图书馆"));
            QCOMPARE(LibDM->LibDB->Params, (QStringList{"USER NAME=张三", "PASSWORD=abc"}));
        });
        QVERIFY(MessageBoxSeam::Log().empty());
    }

    // A save the store refuses leaves the dialog open with the entries; a second save is possible.
    void refusedSaveKeepsTheDialog() {
        fixture.WriteHive("this is no registry file\r\n");
        MessageBoxSeam::Script({IDOK});
        ProgramRun run;
        run.Start([&](TForm* main) {
            TDbPara* dialog = Dialog(main);
            Expand(dialog);
            QTest::keyClicks(dialog->edOdbc, "LibODBC");
            QTest::mouseClick(dialog->btOk, Qt::LeftButton);
            QVERIFY(dialog->isVisible() && dialog->grbBox->isVisible());
            QCOMPARE(dialog->edOdbc->text(), QString("LibODBC"));
            QCOMPARE(MessageBoxSeam::Log().size(), size_t(1));
            QCOMPARE(MessageBoxSeam::Log()[0].text, QString("Failed to create key SOFTWARE\\Quillmere."));
            QCOMPARE(MessageBoxSeam::Log()[0].flags, MB_OK | MB_ICONERROR);

            QFile::remove(fixture.HivePath());
            QTest::mouseClick(dialog->btOk, Qt::LeftButton);
            QVERIFY(!dialog->isVisible());
        });
        QVERIFY(QFile::exists(fixture.HivePath()));
    }

    // A record the dialog cannot read: the error box first, then the dialog with what was read.
    void unreadableRecord() {
        fixture.WriteHive(LibraryFixture::Record("LibODBC", "34a3", "3403"));
        MessageBoxSeam::Script({IDOK});
        ProgramRun run;
        run.Start([&](TForm* main) {
            TDbPara* dialog = Dialog(main);
            QCOMPARE(MessageBoxSeam::Log().size(), size_t(1));
            QCOMPARE(dialog->windowTitle(), QString("设置数据库【Lib】连接参数"));
            QCOMPARE(MessageBoxSeam::Log()[0].text, QString("'a' is not a valid integer value."));
            QCOMPARE(dialog->edOdbc->text(), QString("LibODBC"));
            QCOMPARE(dialog->edUser->text(), QString());
            QCOMPARE(dialog->edPass->text(), QString());
        });
    }

    // The edits take only what code page 936 can hold, typed or pasted.
    void editsTakeCodePage936Only() {
        ProgramRun run;
        run.Start([&](TForm* main) {
            TDbPara* dialog = Dialog(main);
            Expand(dialog);
            Type(dialog->edUser, "张三한€");
            QCOMPARE(dialog->edUser->text(), QString("张三€"));
            dialog->edOdbc->setFocus();
            QApplication::clipboard()->setText("Lib😀");
            dialog->edOdbc->paste();
            QCOMPARE(dialog->edOdbc->text(), QString());
            QApplication::clipboard()->setText("图书馆");
            dialog->edOdbc->paste();
            QCOMPARE(dialog->edOdbc->text(), QString("图书馆"));
        });
    }

    // Tab and Shift+Tab wrap among the controls that can take the focus; Esc does nothing.
    void tabOrder_data() {
        QTest::addColumn<bool>("expanded");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("collapsed") << false << QStringList{"btExit", "btMod"};
        QTest::newRow("expanded") << true << QStringList{"btExit", "btMod", "edOdbc", "edUser", "edPass", "btOk"};
    }
    void tabOrder() {
        QFETCH(bool, expanded);
        QFETCH(QStringList, order);
        ProgramRun run;
        run.Start([&](TForm* main) {
            TDbPara* dialog = Dialog(main);
            if (expanded)
                Expand(dialog);
            dialog->btExit->setFocus();
            QCOMPARE(WalkFocus(order.size()), order);
            QCOMPARE(QApplication::focusWidget(), dialog->btExit); // wrapped round
            QCOMPARE(WalkFocus(order.size(), true), order);
            QTest::keyClick(Focused(), Qt::Key_Escape);
            QVERIFY(dialog->isVisible());
        });
    }

    // Enter presses a focused button and otherwise moves on, as the dialog's table of keys says.
    void enterKey_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("focusAfter"); // empty: the dialog has closed and the program ends
        QTest::addColumn<bool>("expanded");
        QTest::addColumn<bool>("keypad"); // the Enter of the numeric keypad rather than Return
        // clang-format off
        QTest::newRow("btExit")         << "btExit" << ""       << false << false;
        QTest::newRow("btMod")          << "btMod"  << "btMod"  << true  << false;
        QTest::newRow("edOdbc")         << "edOdbc" << "edUser" << true  << false;
        QTest::newRow("edUser")         << "edUser" << "edPass" << true  << false;
        QTest::newRow("edPass")         << "edPass" << "btOk"   << true  << false;
        QTest::newRow("btOk")           << "btOk"   << ""       << true  << false;
        QTest::newRow("btMod, keypad")  << "btMod"  << "btMod"  << true  << true;
        QTest::newRow("edUser, keypad") << "edUser" << "edPass" << true  << true;
        // clang-format on
    }
    void enterKey() {
        QFETCH(QString, focus);
        QFETCH(QString, focusAfter);
        QFETCH(bool, expanded);
        QFETCH(bool, keypad);
        ProgramRun run;
        const int code = run.Start([&](TForm* main) {
            TDbPara* dialog = Dialog(main);
            if (focus != "btExit" && focus != "btMod")
                Expand(dialog);
            auto* target = dialog->findChild<QWidget*>(focus);
            target->setFocus();
            auto* edit = qobject_cast<QLineEdit*>(target);
            QSignalSpy returned(edit ? edit : dialog->edOdbc, &QLineEdit::returnPressed);
            if (keypad)
                QTest::keyClick(target, Qt::Key_Enter, Qt::KeypadModifier);
            else
                QTest::keyClick(target, Qt::Key_Return);
            QCOMPARE(dialog->isVisible(), !focusAfter.isEmpty());
            if (!focusAfter.isEmpty()) {
                QCOMPARE(Focused()->objectName(), focusAfter);
                QCOMPARE(dialog->grbBox->isVisible(), expanded);
                // The carriage return still reaches the edit it was typed in.
                QCOMPARE(returned.count(), edit ? 1 : 0);
            }
        });
        QCOMPARE(code, 0);
    }
};

QTEST_MAIN(TestConnectionDialog)
#include "test_connection_dialog.moc"

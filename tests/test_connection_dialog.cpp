// The connection-parameter dialog as start-up shows it when the connection fails: its layout,
// its keyboard and its display states.
#include "LibraryFixture.h"
#include "ProgramRun.h"
#include "frmDbPara.h"
#include "platform/Database.h"

#include <QApplication>
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
} // namespace

class TestConnectionDialog : public QObject {
    Q_OBJECT
    LibraryFixture fixture;

private slots:
    void initTestCase() {
        // No data source at all: every start fails to connect and opens the dialog.
        fixture.WriteOdbcIni();
    }
    void init() {
        MessageBoxSeam::ClearLog();
        MessageBoxSeam::Script({});
    }
    void cleanup() {
        MessageBoxSeam::StopScripting();
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    }

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
            QStringList forward, backward;
            for (int i = 0; i < order.size(); ++i) {
                forward << Focused()->objectName();
                QTest::keyClick(Focused(), Qt::Key_Tab);
            }
            QCOMPARE(forward, order);
            QCOMPARE(Focused(), dialog->btExit);
            for (int i = 0; i < order.size(); ++i) {
                QTest::keyClick(Focused(), Qt::Key_Backtab, Qt::ShiftModifier);
                backward.prepend(Focused()->objectName());
            }
            QCOMPARE(backward, order);
            QTest::keyClick(Focused(), Qt::Key_Escape);
            QVERIFY(dialog->isVisible());
        });
    }

    // Enter presses a focused button and otherwise moves on, as the dialog's table of keys says.
    void enterKey_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("focusAfter"); // empty: the dialog has closed and the program ends
        QTest::addColumn<bool>("expanded");
        QTest::newRow("btExit") << "btExit"
                                << "" << false;
        QTest::newRow("btMod") << "btMod"
                               << "btMod" << true;
        QTest::newRow("edOdbc") << "edOdbc"
                                << "edUser" << true;
        QTest::newRow("edUser") << "edUser"
                                << "edPass" << true;
        QTest::newRow("edPass") << "edPass"
                                << "btOk" << true;
        QTest::newRow("btOk") << "btOk"
                              << "" << true;
    }
    void enterKey() {
        QFETCH(QString, focus);
        QFETCH(QString, focusAfter);
        QFETCH(bool, expanded);
        ProgramRun run;
        const int code = run.Start([&](TForm* main) {
            TDbPara* dialog = Dialog(main);
            if (focus != "btExit" && focus != "btMod")
                Expand(dialog);
            auto* target = dialog->findChild<QWidget*>(focus);
            target->setFocus();
            auto* edit = qobject_cast<QLineEdit*>(target);
            QSignalSpy returned(edit ? edit : dialog->edOdbc, &QLineEdit::returnPressed);
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

// The application layer: the error box, the message-box seam, creation, ownership and the main form.
#include "platform/Application.h"
#include "platform/Exceptions.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
std::vector<QString> gone; // names of destroyed components, in order

class Probe : public TComponent {
public:
    explicit Probe(QString name, bool failLoad = false) : name_(std::move(name)), failLoad_(failLoad) {
        setObjectName(name_);
    }
    ~Probe() override { gone.push_back(name_); }
    void Loaded() override {
        if (failLoad_)
            throw EDBEngineError("cannot connect");
    }

private:
    QString name_;
    bool failLoad_;
};

class Module : public TDataModule {
public:
    Module() {
        Own(new Probe("first"));
        Own(new Probe("second"));
    }
};
class FailingModule : public TDataModule {
public:
    FailingModule() {
        Own(new Probe("db", true));
        Own(new Probe("after"));
    }
};
class Form : public TForm {
public:
    Form() { resize(200, 100); }
};
class FailingCreateForm : public TForm {
public:
    FailingCreateForm() {
        resize(200, 100);
        OnCreate = [this] {
            setWindowTitle("created");
            throw ERegistryException("Invalid data type for 'ODBCNAME'");
        };
    }
};
} // namespace

class TestApplication : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Application.Initialize();
        Application.Title = "修改日期为1900年前的编目、条码数据";
        MessageBoxSeam::ClearLog();
        MessageBoxSeam::Script({});
        gone.clear();
    }
    void cleanup() {
        MessageBoxSeam::StopScripting();
        Application.DestroyComponents();
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    }

    void errorBoxText_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "no such table: lib_tiaoma"
                                << "no such table: lib_tiaoma.";
        QTest::newRow("digit") << "code 42"
                               << "code 42.";
        QTest::newRow("chinese") << "连接失败"
                                 << "连接失败.";
        QTest::newRow("full stop") << "Failed."
                                   << "Failed.";
        QTest::newRow("quote") << "Invalid data type for 'ODBCNAME'"
                               << "Invalid data type for 'ODBCNAME'";
        QTest::newRow("blank") << "ends in a blank "
                               << "ends in a blank ";
        QTest::newRow("hyphen") << "a-"
                                << "a-";
        QTest::newRow("slash") << "a/"
                               << "a/.";
        QTest::newRow("empty") << ""
                               << "";
    }
    void errorBoxText() {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(ErrorBoxText(message), shown);
    }

    // A handler's exception becomes the error box under the application title; EAbort is silent.
    void guardedHandlers() {
        MessageBoxSeam::Script({IDOK, IDOK});
        Guarded([] { throw EDBEngineError("table lib_tiaoma is locked"); });
        Guarded([] { throw EAbort(""); });
        Guarded([] { throw std::runtime_error("plain"); });
        const auto& log = MessageBoxSeam::Log();
        QCOMPARE(log.size(), size_t(2));
        QCOMPARE(log[0].text, QString("table lib_tiaoma is locked."));
        QCOMPARE(log[0].caption, Application.Title);
        QCOMPARE(log[0].flags, MB_OK | MB_ICONERROR);
        QCOMPARE(log[1].text, QString("plain."));
    }

    void dataModuleIsNeverMainForm() {
        Module* module = nullptr;
        Form* form = nullptr;
        Application.CreateForm(module);
        QVERIFY(module);
        QVERIFY(!Application.MainForm());
        Application.CreateForm(form);
        QCOMPARE(Application.MainForm(), form);
        Form* second = nullptr;
        Application.CreateForm(second);
        QCOMPARE(Application.MainForm(), form);
    }

    // Program end destroys the last created first; a module destroys what it owns the same way.
    void destructionOrder() {
        Module* module = nullptr;
        Application.CreateForm(module);
        Application.Own(new Probe("dialog"));
        Application.DestroyComponents();
        QCOMPARE(gone, (std::vector<QString>{"dialog", "second", "first"}));
    }

    void failedModuleLeavesNothing() {
        FailingModule* module = reinterpret_cast<FailingModule*>(0x1);
        QVERIFY_THROWS_EXCEPTION(EDBEngineError, Application.CreateForm(module));
        QVERIFY(module == nullptr);
        QCOMPARE(gone, (std::vector<QString>{"after", "db"}));
        QVERIFY(!Application.MainForm());
    }

    // A failing creation handler is reported, and the form still exists and becomes the main form.
    void failingCreateHandlerStillCreates() {
        MessageBoxSeam::Script({IDOK});
        FailingCreateForm* form = nullptr;
        Application.CreateForm(form);
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QString("created"));
        QCOMPARE(Application.MainForm(), form);
        QCOMPARE(MessageBoxSeam::Log().size(), size_t(1));
        QCOMPARE(MessageBoxSeam::Log()[0].text, QString("Invalid data type for 'ODBCNAME'"));
    }

    void lastChanceHandler() {
        MessageBoxSeam::Script({IDOK});
        const int code = Application.RunProgram([] { throw ERegistryException("Failed to create key X"); });
        QCOMPARE(code, 1);
        QCOMPARE(MessageBoxSeam::Log().back().text, QString("Failed to create key X"));
        QCOMPARE(MessageBoxSeam::Log().back().flags, unsigned(MB_OK | MB_ICONERROR | MB_TASKMODAL));
        QCOMPARE(Application.RunProgram([] {}), 0);
    }

    void scriptedAnswersInOrder() {
        MessageBoxSeam::Script({IDNO, IDYES});
        QCOMPARE(Application.MessageBox("q1", "提示信息", MB_YESNO | MB_DEFBUTTON2), int(IDNO));
        QCOMPARE(Application.MessageBox("q2", "提示信息", MB_YESNO), int(IDYES));
        QCOMPARE(MessageBoxSeam::Log()[0].flags, MB_YESNO | MB_DEFBUTTON2);
    }

    // The real box: Chinese buttons, No as the default for MB_DEFBUTTON2, and the answer returned.
    void realMessageBox() {
        MessageBoxSeam::StopScripting();
        QStringList buttons;
        QString defaultText, shownText;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            shownText = box->text();
            for (auto* b : box->buttons())
                buttons << b->text();
            defaultText = box->defaultButton()->text();
            QTest::keyClick(box, Qt::Key_Return);
        });
        const int answer = Application.MessageBox("您真的需要修改这些记录吗？", "提示信息", MB_YESNO | MB_DEFBUTTON2);
        QCOMPARE(answer, int(IDNO));
        QCOMPARE(shownText, QString("您真的需要修改这些记录吗？"));
        QVERIFY2(buttons.join('|').contains("是") && buttons.join('|').contains("否"), qPrintable(buttons.join('|')));
        QVERIFY(defaultText.contains("否"));
    }
};

QTEST_MAIN(TestApplication)
#include "test_application.moc"

// ApplyConnectionParams, LoadConnectionParams and SaveConnectionParams over a hive file of the
// test's own: on a TDatabase that is never connected and on plain edits.
#include "ChildProcess.h"
#include "dmLibData.h"
#include "platform/Exceptions.h"
#include "platform/HiveStore.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {
const QByteArray Section = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmere\\Lib]\r\n";

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The design-time settings of LibDB.
void DesignTime(TDatabase& database) {
    database.AliasName = QStringLiteral("LibODBC");
    database.Params = QStringList{QStringLiteral("USER NAME=sa"), QStringLiteral("PASSWORD=")};
}

struct Edits {
    QLineEdit odbc, user, pass;
    QStringList Texts() const { return {odbc.text(), user.text(), pass.text()}; }
};
} // namespace

class TestConnectionParams : public QObject {
    Q_OBJECT

    QTemporaryDir* root_ = nullptr;
    QString hive_;

    void WriteHive(const QByteArray& bytes) {
        QFile file(hive_);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    // The stored record of each case: nothing at all, or the lines of the section.
    static void Records() {
        QTest::addColumn<bool>("present");
        QTest::addColumn<QByteArray>("values");
        QTest::addColumn<QString>("alias"); // alias name after the operation
        QTest::addColumn<QString>("user");  // clear user name
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("error"); // message of the exception, or empty
        QTest::newRow("no record") << false << QByteArray() << ""
                                   << ""
                                   << ""
                                   << "";
        QTest::newRow("key with no values") << true << QByteArray() << ""
                                            << ""
                                            << ""
                                            << "";
        QTest::newRow("blanks around values")
            << true << QByteArray("\"ODBCNAME\"=\"  Other \t\"\r\n\"USERNAME\"=\" 340334043407 \"\r\n") << "Other"
            << "abc"
            << ""
            << "";
        QTest::newRow("length not a multiple of four")
            << true << QByteArray("\"ODBCNAME\"=\"Other\"\r\n\"USERNAME\"=\"34033\"\r\n\"PASSWORD\"=\"3403\"\r\n")
            << "Other"
            << ""
            << "a"
            << "";
        QTest::newRow("Chinese alias and user")
            << true << QByteArray("\"ODBCNAME\"=\"\xCD\xBC\xCA\xE9\xB9\xDD\"\r\n\"USERNAME\"=\"7333703370407773\"\r\n")
            << QStringLiteral("图书馆") << QStringLiteral("张三") << ""
            << "";
        QTest::newRow("user name 34a3")
            << true << QByteArray("\"ODBCNAME\"=\"Other\"\r\n\"USERNAME\"=\"34a3\"\r\n\"PASSWORD\"=\"3403\"\r\n")
            << "Other"
            << ""
            << ""
            << "'a' is not a valid integer value";
        QTest::newRow("ODBCNAME as DWORD")
            << true << QByteArray("\"ODBCNAME\"=dword:00000001\r\n\"USERNAME\"=\"3403\"\r\n") << ""
            << ""
            << ""
            << "Invalid data type for 'ODBCNAME'";
    }

    void Store(bool present, const QByteArray& values) {
        if (present)
            WriteHive(Section + values);
    }

private slots:
    void init() {
        root_ = new QTemporaryDir;
        QVERIFY(root_->isValid());
        QFile::setPermissions(root_->path(),
                              QFile::permissions(root_->path()) | QFileDevice::ReadOther | QFileDevice::ExeOther);
        hive_ = root_->path() + "/HKLM.reg";
        SetHiveFilePath(hive_.toStdString());
        MessageBoxSeam::ClearLog();
    }
    void cleanup() {
        MessageBoxSeam::StopScripting();
        delete root_;
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void apply_data() { Records(); }
    void apply() {
        QFETCH(bool, present);
        QFETCH(QByteArray, values);
        QFETCH(QString, alias);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, error);
        Store(present, values);
        TDatabase database;
        DesignTime(database);
        QString raised;
        try {
            ApplyConnectionParams(&database);
        } catch (const Exception& e) {
            raised = QString::fromUtf8(e.what());
        }
        QCOMPARE(raised, error);
        if (!present) { // design-time settings stand
            QCOMPARE(database.AliasName, QStringLiteral("LibODBC"));
            QCOMPARE(database.Params, QStringList({"USER NAME=sa", "PASSWORD="}));
        } else if (error.startsWith("Invalid data type")) { // nothing applied
            QCOMPARE(database.AliasName, QStringLiteral("LibODBC"));
            QCOMPARE(database.Params, QStringList({"USER NAME=sa", "PASSWORD="}));
        } else if (!error.isEmpty()) { // the alias applied, the list cleared, nothing after the error
            QCOMPARE(database.AliasName, alias);
            QCOMPARE(database.Params, QStringList());
        } else {
            QCOMPARE(database.AliasName, alias);
            QCOMPARE(database.Params, QStringList({"USER NAME=" + user, "PASSWORD=" + password}));
        }
    }

    void load_data() { Records(); }
    void load() {
        QFETCH(bool, present);
        QFETCH(QByteArray, values);
        QFETCH(QString, alias);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, error);
        Store(present, values);
        Edits edits;
        QString raised;
        try {
            LoadConnectionParams(&edits.odbc, &edits.user, &edits.pass);
        } catch (const Exception& e) {
            raised = QString::fromUtf8(e.what());
        }
        QCOMPARE(raised, error);
        // The edits set before an error keep their texts; the later ones stay empty.
        QCOMPARE(edits.Texts(), QStringList({alias, user, password}));
    }

    void save_data() {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QByteArray>("values"); // the value lines written
        QTest::newRow("abc") << QStringList{"Other", "abc", ""}
                             << QByteArray("\"ODBCNAME\"=\"Other\"\r\n\"USERNAME\"=\"340334043407\"\r\n"
                                           "\"PASSWORD\"=\"\"\r\n");
        QTest::newRow("three empty edits")
            << QStringList{"", "", ""} << QByteArray("\"ODBCNAME\"=\"\"\r\n\"USERNAME\"=\"\"\r\n\"PASSWORD\"=\"\"\r\n");
        QTest::newRow("blanks not stored") << QStringList{" Other\t", "  abc ", " "}
                                           << QByteArray("\"ODBCNAME\"=\"Other\"\r\n\"USERNAME\"=\"340334043407\"\r\n"
                                                         "\"PASSWORD\"=\"\"\r\n");
        QTest::newRow("Chinese alias and user")
            << QStringList{QStringLiteral(" 图书馆 "), QStringLiteral("张三"), ""}
            << QByteArray("\"ODBCNAME\"=\"\xCD\xBC\xCA\xE9\xB9\xDD\"\r\n\"USERNAME\"=\"7333703370407773\"\r\n"
                          "\"PASSWORD\"=\"\"\r\n");
    }
    void save() {
        QFETCH(QStringList, typed);
        QFETCH(QByteArray, values);
        Edits edits;
        edits.odbc.setText(typed[0]);
        edits.user.setText(typed[1]);
        edits.pass.setText(typed[2]);
        SaveConnectionParams(&edits.odbc, &edits.user, &edits.pass);
        QCOMPARE(ReadFile(hive_), QByteArray("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmere]\r\n\r\n"
                                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmere\\Lib]\r\n") +
                                      values);
        QVERIFY(MessageBoxSeam::Log().empty());
        // Loading shows the trimmed texts again.
        Edits loaded;
        LoadConnectionParams(&loaded.odbc, &loaded.user, &loaded.pass);
        QCOMPARE(loaded.Texts(), QStringList({typed[0].trimmed(), typed[1].trimmed(), typed[2].trimmed()}));
    }

    // A text that code page 936 cannot hold is refused before anything is written.
    void saveRefusesWhatCodePage936CannotHold() {
        WriteHive(Section + "\"ODBCNAME\"=\"Old\"\r\n");
        const QByteArray before = ReadFile(hive_);
        Edits edits;
        edits.odbc.setText(QStringLiteral("New"));
        edits.pass.setText(QStringLiteral("pä"));
        QVERIFY_THROWS_EXCEPTION(EConvertError, SaveConnectionParams(&edits.odbc, &edits.user, &edits.pass));
        QCOMPARE(ReadFile(hive_), before);
    }

    // Without write rights: the record present gives the failure box and writes nothing; the key
    // missing raises "Failed to create key". Run as nobody when the suite runs as root.
    void saveWithoutRights_data() {
        QTest::addColumn<bool>("present");
        QTest::newRow("record present") << true;
        QTest::newRow("key missing") << false;
    }
    void saveWithoutRights() {
        QFETCH(bool, present);
        WriteHive(present ? Section + "\"ODBCNAME\"=\"Old\"\r\n" : QByteArray("REGEDIT4\r\n"));
        const QByteArray before = ReadFile(hive_);
        const bool root = geteuid() == 0;
        if (!root) {
            QFile::setPermissions(hive_, QFileDevice::ReadOwner);
            QFile::setPermissions(root_->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
        const QString report = InChild([&]() -> std::string {
            if (std::string dropped = DropWriteRights(); !dropped.empty())
                return dropped;
            MessageBoxSeam::Script({IDOK});
            Edits edits;
            edits.odbc.setText(QStringLiteral("New"));
            std::string outcome;
            try {
                SaveConnectionParams(&edits.odbc, &edits.user, &edits.pass);
                outcome = "returned";
            } catch (const ERegistryException& error) {
                outcome = error.what();
            }
            for (const MessageBoxRecord& box : MessageBoxSeam::Log())
                outcome +=
                    "|" + box.text.toStdString() + "|" + box.caption.toStdString() + "|" + std::to_string(box.flags);
            return outcome;
        });
        if (!root) {
            QFile::setPermissions(root_->path(),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            QFile::setPermissions(hive_, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
        const QString expected =
            present ? QStringLiteral("returned|保存您配置的参数失败！只有具有权限的用户，如Administrator才能修改，"
                                     "请与系统管理员联系！|提示信息|64")
                    : QStringLiteral("Failed to create key SOFTWARE\\Quillmere");
        QCOMPARE(report, expected);
        QCOMPARE(ReadFile(hive_), before);
    }
};

QTEST_MAIN(TestConnectionParams)
#include "test_connection_params.moc"

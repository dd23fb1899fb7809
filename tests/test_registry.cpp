// TRegistry over the hive file: the accessor's case table shared with Windows, the file's format,
// rights, and writes that survive being killed and racing each other.
#include "ChildProcess.h"
#include "RecordSample.h"
#include "RegistryCases.h"
#include "TestSettings.h"
#include "platform/Exceptions.h"
#include "platform/HiveDocument.h"
#include "platform/HiveStore.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// The committed files of tests/data.
QString TestData() {
    return QString::fromUtf8(REDATE_TEST_DATA);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

std::string Describe(const char* what, bool value) {
    return value ? std::string() : std::string(what) + " failed";
}
} // namespace

class TestRegistry : public QObject {
    Q_OBJECT

    QTemporaryDir* root_ = nullptr;
    QString folder_;
    QString hive_;

    void MakeFolderReadOnly(bool readOnly) {
        if (geteuid() == 0)
            return;
        QFile::setPermissions(folder_, readOnly
                                           ? QFileDevice::ReadOwner | QFileDevice::ExeOwner
                                           : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        for (const QString& file : {hive_, hive_ + ".lock"}) {
            if (QFile::exists(file))
                QFile::setPermissions(file, readOnly ? QFileDevice::ReadOwner
                                                     : QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
    }

private slots:
    void init() {
        root_ = new QTemporaryDir;
        QVERIFY(root_->isValid());
        // Every user must reach the hive folder, as with /etc.
        QFile::setPermissions(root_->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                                 QFileDevice::ReadOther | QFileDevice::ExeOther |
                                                 QFileDevice::ReadGroup | QFileDevice::ExeGroup);
        folder_ = root_->path() + "/quillmere";
        hive_ = folder_ + "/HKLM.reg";
        SetHiveFilePath(hive_.toStdString());
    }
    void cleanup() {
        MakeFolderReadOnly(false);
        delete root_;
        root_ = nullptr;
    }

    void accessor_data() {
        QTest::addColumn<int>("index");
        for (std::size_t i = 0; i < RegistryCases.size(); ++i)
            QTest::newRow(RegistryCases[i].name) << static_cast<int>(i);
    }
    void accessor() {
        QFETCH(int, index);
        try {
            RegistryCases[static_cast<std::size_t>(index)].run();
        } catch (const CaseFailure& failure) {
            QFAIL(failure.what());
        }
    }

    // The bytes the hive holds after a save on a fresh machine; tests/data/record-regedit4.reg is
    // this file, for regedit on Windows to import (scripts/test-windows).
    void freshFileFormat() {
        const mode_t mask = umask(077);
        {
            TRegistry registry;
            registry.CreateKey(ParentKeyPath);
            registry.CreateKey(RecordSample::Key);
        }
        WriteRecordSample();
        umask(mask);
        const QByteArray expected = "REGEDIT4\r\n"
                                    "\r\n"
                                    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmere]\r\n"
                                    "\r\n"
                                    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmere\\Lib]\r\n"
                                    "\"ODBCNAME\"=\"\xCD\xBC\xCA\xE9\xB9\xDD ODBC\"\r\n"
                                    "\"USERNAME\"=\"7333703370407773\"\r\n"
                                    "\"PASSWORD\"=\"3700337004043737\"\r\n";
        QCOMPARE(ReadFile(hive_), expected);
        QCOMPARE(ReadFile(TestData() + "/record-regedit4.reg"), expected);
        struct stat info {};
        QCOMPARE(stat(folder_.toLocal8Bit().constData(), &info), 0);
        QCOMPARE(info.st_mode & 07777, 0755u);
        QCOMPARE(stat(hive_.toLocal8Bit().constData(), &info), 0);
        QCOMPARE(info.st_mode & 07777, 0644u);
    }

    // What the program does not know stays byte for byte: line ends, comments, other roots,
    // continuation lines, a missing last line end.
    void unknownContentKept() {
        QDir().mkpath(folder_);
        const QByteArray before = "REGEDIT4\n"
                                  "; kept\n"
                                  "\n"
                                  "[HKEY_CURRENT_USER\\SOFTWARE\\Quillmere\\Lib]\n"
                                  "\"ODBCNAME\"=\"other root\"\n"
                                  "\n"
                                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmere\\Lib]\r\n"
                                  "\"Blob\"=hex:01,02,\\\n"
                                  "    03\n"
                                  "\"odbcname\"=\"old\"\n"
                                  "\"Flag\"=dword:0000002A\n"
                                  "\n"
                                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmere\\Lib\\Sub]\n"
                                  "\"X\"=\"y\"";
        WriteFile(hive_, before);
        {
            TRegistry registry;
            QVERIFY(registry.OpenKey(RecordSample::Key, true));
            registry.WriteString("ODBCNAME", "new");
            registry.WriteString("USERNAME", "");
            TRegistry sub;
            QVERIFY(sub.OpenKey(RecordSample::Key + "\\Sub", true));
            sub.WriteString("Z", "\xD5\xC5");
        }
        QByteArray after = before;
        after.replace("\"odbcname\"=\"old\"\n", "\"ODBCNAME\"=\"new\"\r\n");
        after.replace("\"Flag\"=dword:0000002A\n", "\"Flag\"=dword:0000002A\n\"USERNAME\"=\"\"\r\n");
        after.append("\r\n\"Z\"=\"\xD5\xC5\"\r\n");
        QCOMPARE(ReadFile(hive_), after);

        StoredValue blob;
        auto key = OpenRegistryKey(HKEY_LOCAL_MACHINE, RecordSample::Key, RegAccess::Read);
        QVERIFY(key);
        QCOMPARE(key->Read("Blob", blob), ReadOutcome::Found);
        QCOMPARE(blob.type, RegType::Binary);
        QCOMPARE(QByteArray::fromStdString(blob.data), QByteArray("\x01\x02\x03"));
    }

    // A file that is no export file is neither read nor overwritten.
    void notAHive() {
        QDir().mkpath(folder_);
        const QByteArray garbage = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmere\\Lib]\r\n\"ODBCNAME\"=\"x\"\r\n";
        WriteFile(hive_, garbage);
        TRegistry registry;
        QVERIFY(!registry.KeyExists(RecordSample::Key));
        QVERIFY(!registry.OpenKey(RecordSample::Key, true));
        QVERIFY_THROWS_EXCEPTION(ERegistryException, registry.CreateKey(ParentKeyPath));
        QCOMPARE(ReadFile(hive_), garbage);
    }

    // A value that does not parse cannot be read, and says so.
    void unreadableValue() {
        QDir().mkpath(folder_);
        WriteFile(hive_, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmere\\Lib]\r\n\"ODBCNAME\"=hex:0g\r\n");
        TRegistry registry;
        QVERIFY(registry.OpenKeyReadOnly(RecordSample::Key));
        try {
            registry.ReadString("ODBCNAME");
            QFAIL("no error");
        } catch (const ERegistryException& error) {
            QCOMPARE(QByteArray(error.what()), QByteArray("Failed to get data for 'ODBCNAME'"));
        }
    }

    // The file Wine's regedit exported from the registry that tst_win32registry wrote: UTF-16LE.
    // REDATE_WINE_EXPORT names a fresh export when scripts/test-windows runs this test.
    void unicodeExport() {
        QDir().mkpath(folder_);
        QString exported = QString::fromUtf8(qgetenv("REDATE_WINE_EXPORT"));
        if (exported.isEmpty())
            exported = TestData() + "/wine-export.reg";
        const QByteArray before = ReadFile(exported);
        QVERIFY(before.startsWith("\xFF\xFE"));
        WriteFile(hive_, before);
        try {
            CheckRecordSample();
            TRegistry registry;
            QVERIFY(registry.OpenKeyReadOnly(RecordSample::Key + "\\Extra"));
            QCOMPARE(registry.ReadString("Path"), ExpandSample.substr(0, ExpandSample.size() - 1));
            QVERIFY_THROWS_EXCEPTION(ERegistryException, registry.ReadString("Count"));
        } catch (const CaseFailure& failure) {
            QFAIL(failure.what());
        }
        // A write keeps the file's format and every other line as it was.
        {
            TRegistry registry;
            QVERIFY(registry.OpenKey(RecordSample::Key, true));
            registry.WriteString("PASSWORD", "\xD5\xC5");
        }
        const QByteArray after = ReadFile(hive_);
        QByteArray expected = before;
        const QString line = QStringLiteral("\"PASSWORD\"=\"3700337004043737\"\r\n");
        const QString replaced = QStringLiteral("\"PASSWORD\"=\"张\"\r\n");
        expected.replace(QByteArray(reinterpret_cast<const char*>(line.utf16()), line.size() * 2),
                         QByteArray(reinterpret_cast<const char*>(replaced.utf16()), replaced.size() * 2));
        QCOMPARE(after, expected);
    }

    void withoutWriteRights_data() {
        QTest::addColumn<bool>("recordPresent");
        QTest::newRow("record present: OpenKey false") << true;
        QTest::newRow("key missing: Failed to create key") << false;
    }
    void withoutWriteRights() {
        QFETCH(bool, recordPresent);
        if (recordPresent) {
            WriteRecordSample();
        } else {
            QDir().mkpath(folder_);
            QFile::setPermissions(folder_, QFile::permissions(root_->path()));
        }
        const QByteArray before = ReadFile(hive_);
        MakeFolderReadOnly(true);
        const QString report = InChild([&]() -> std::string {
            if (std::string dropped = DropWriteRights(); !dropped.empty())
                return dropped;
            TRegistry registry;
            if (recordPresent) {
                std::string failures = Describe("KeyExists", registry.KeyExists(RecordSample::Key));
                failures += Describe("OpenKey refused", !registry.OpenKey(RecordSample::Key, true));
                failures += Describe("OpenKeyReadOnly", registry.OpenKeyReadOnly(RecordSample::Key));
                if (registry.ReadString("ODBCNAME") != RecordSample::Alias)
                    failures += "read failed";
                return failures;
            }
            try {
                registry.CreateKey(ParentKeyPath);
                return "CreateKey did not raise";
            } catch (const ERegistryException& error) {
                return error.what() == std::string("Failed to create key SOFTWARE\\Quillmere") ? "" : error.what();
            }
        });
        QCOMPARE(report, QString());
        MakeFolderReadOnly(false);
        QCOMPARE(ReadFile(hive_), before);
    }

    // A writer killed at any moment leaves the hive whole, as it was before or after one write.
    void killedWriter() {
        {
            TRegistry registry;
            QVERIFY(registry.OpenKey(RecordSample::Key, true));
            registry.WriteString("COUNTER", "0");
            registry.WriteString("FILLER", "0");
        }
        WriteRecordSample();
        const std::string base = ReadFile(hive_).toStdString();
        long last = 0;
        long lastFiller = 0;
        for (int round = 0; round < 200; ++round) {
            const pid_t pid = fork();
            if (pid == 0) { // never returns into the test framework
                try {
                    TRegistry registry;
                    if (!registry.OpenKey(RecordSample::Key, true))
                        _exit(1);
                    for (long i = last + 1;; ++i) {
                        registry.WriteString("COUNTER", std::to_string(i));
                        registry.WriteString("FILLER",
                                             std::string(static_cast<std::size_t>(i % 5000), 'x') + std::to_string(i));
                    }
                } catch (...) {
                    _exit(2);
                }
            }
            // Killed at a random moment; every tenth writer only once its first write has landed, so that
            // writes get done however slowly a loaded machine lets the writer start.
            if (round % 10 == 9) {
                const QByteArray before = ReadFile(hive_);
                for (int wait = 0; wait < 10000 && ReadFile(hive_) == before; ++wait)
                    usleep(1000);
            }
            usleep(QRandomGenerator::global()->bounded(200, 20000));
            kill(pid, SIGKILL);
            int status = 0;
            waitpid(pid, &status, 0);
            QVERIFY(WIFSIGNALED(status));

            TRegistry registry;
            QVERIFY(registry.OpenKeyReadOnly(RecordSample::Key));
            const std::string counter = registry.ReadString("COUNTER");
            const std::string filler = registry.ReadString("FILLER");
            const long c = std::stol(counter);
            QVERIFY2(c >= last, "a write was lost");
            // FILLER follows COUNTER: the same number, the one before, or as the last round left it.
            const long f = std::stol(filler.substr(filler.find_first_not_of('x')));
            QVERIFY(f == c || f == c - 1 || f == lastFiller);
            HiveDocument expected = HiveDocument::Parse(base);
            QVERIFY(expected.Write(RecordSample::Key, "COUNTER", {RegType::String, counter + '\0'}));
            QVERIFY(expected.Write(RecordSample::Key, "FILLER", {RegType::String, filler + '\0'}));
            QCOMPARE(ReadFile(hive_), QByteArray::fromStdString(expected.Bytes()));
            last = c;
            lastFiller = f;
        }
        QVERIFY2(last > 0, "the writer never got a write done");
    }

    // Two processes saving at once lose none of each other's values.
    void concurrentWriters() {
        WriteRecordSample();
        std::vector<pid_t> writers;
        for (const char* prefix : {"A", "B"}) {
            const pid_t pid = fork();
            if (pid == 0) { // never returns into the test framework
                try {
                    for (int i = 0; i < 40; ++i) {
                        TRegistry registry;
                        if (!registry.OpenKey(RecordSample::Key, true))
                            _exit(1);
                        registry.WriteString(prefix + std::to_string(i), std::to_string(i));
                    }
                } catch (...) {
                    _exit(2);
                }
                _exit(0);
            }
            writers.push_back(pid);
        }
        for (const pid_t pid : writers) {
            int status = 0;
            waitpid(pid, &status, 0);
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        TRegistry registry;
        QVERIFY(registry.OpenKeyReadOnly(RecordSample::Key));
        for (const char* prefix : {"A", "B"}) {
            for (int i = 0; i < 40; ++i)
                QCOMPARE(registry.ReadString(prefix + std::to_string(i)), std::to_string(i));
        }
    }

    // Crashes the fuzzers found, kept as cases.
    void fuzzRegressions_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("header only") << QByteArray("REGEDIT4");
        QTest::newRow("odd UTF-16") << QByteArray("\xFF\xFE\x57", 3);
        QTest::newRow("lone lead byte at the end") << QByteArray("REGEDIT4\n[HKEY_LOCAL_MACHINE\\\x81");
        QTest::newRow("continuation at the end") << QByteArray("REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=hex:01,\\");
        // Each backslash at the end takes one more line: the new value must not be one of them.
        QTest::newRow("three backslashes at the end")
            << QByteArray("REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=hex:01,\\\\\\");
        QTest::newRow("two backslashes before a value written into the key")
            << ReadFile(TestData() + "/hive-hex-swallows-written.reg");
    }
    void fuzzRegressions() {
        QFETCH(QByteArray, bytes);
        HiveDocument document = HiveDocument::Parse(bytes.toStdString());
        QCOMPARE(QByteArray::fromStdString(document.Bytes()), document.Valid() ? bytes : QByteArray());
        if (!document.Valid())
            return;
        // Into the key the file has, after what is already there, and into a new key.
        for (const char* key : {"SOFTWARE\\Quillmere\\Lib", "A\\B"}) {
            document.AddKey(key);
            QVERIFY(document.Write(key, "v", {RegType::String, std::string("w\0", 2)}));
            StoredValue value;
            QCOMPARE(HiveDocument::Parse(document.Bytes()).Read(key, "v", value), ReadOutcome::Found);
            QCOMPARE(value.data, std::string("w\0", 2));
        }
    }

private:
    const std::string ParentKeyPath = ParentKey;
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "test_registry.moc"

// Start-up against a database server that cannot be reached, through the real ODBC driver of each
// network engine and no server at all: a refused port, a server that accepts the connection and then
// says nothing, a host name that does not resolve. Each ends in the connection-parameter dialog, with
// the splash before it and no message box.
//
// unixODBC reads odbc.ini once per process, and a silent server is waited out for the length of the
// login timeout, so the parent runs each driver in a child of its own, all at once; REDATE_DRIVER
// names the child's driver.
#include "LibraryFixture.h"
#include "ProgramRun.h"
#include "SilentServer.h"
#include "TestSettings.h"
#include "dmLibData.h"
#include "frmDbPara.h"
#include "frmRedateMain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <memory>

namespace {

constexpr const char* OdbcDir = REDATE_ODBC_DRIVER_DIR "/";
const QStringList Drivers = {"freetds", "postgresql", "mariadb"};
// A name under .invalid with an empty label: the resolver refuses it without asking any name
// server, so nothing leaves the machine.
const QString UnknownHost = QStringLiteral("no..such.invalid");

// The data source's lines after Driver= for a host and port, as the README's guide writes them.
QString DataSourceKeys(const QString& driver, const QString& host, int port) {
    if (driver == "freetds")
        return QStringLiteral("Server=%1\nPort=%2\nTDS_Version=7.4\nDatabase=library\nClientCharset=UTF-8\n")
            .arg(host)
            .arg(port);
    if (driver == "postgresql")
        return QStringLiteral("Servername=%1\nPort=%2\nDatabase=library\n").arg(host).arg(port);
    // MariaDB Connector/ODBC ignores the login timeout; the guide bounds the attempt in the data source.
    return QStringLiteral("Server=%1\nPort=%2\nDatabase=library\nCONN_TIMEOUT=15\n").arg(host).arg(port);
}

QString DriverLibrary(const QString& driver) {
    if (driver == "freetds")
        return OdbcDir + QStringLiteral("libtdsodbc.so");
    if (driver == "postgresql")
        return OdbcDir + QStringLiteral("psqlodbcw.so");
    return OdbcDir + QStringLiteral("libmaodbc.so");
}

void WriteText(const QString& path, const QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0)
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

class TestUnreachable : public QObject {
    Q_OBJECT
    const QString driver_ = qEnvironmentVariable("REDATE_DRIVER");
    LibraryFixture fixture_;
    std::unique_ptr<SilentServer> silent_;
    std::unique_ptr<RefusingPort> refusing_;

private slots:
    void initTestCase() {
        if (driver_.isEmpty())
            return;
        QVERIFY2(Drivers.contains(driver_), qPrintable(driver_));
        silent_ = std::make_unique<SilentServer>();
        refusing_ = std::make_unique<RefusingPort>();
        QString sources;
        for (const auto& [name, host, port] : {std::tuple{"Refused", QStringLiteral("127.0.0.1"), refusing_->Port()},
                                               std::tuple{"Silent", QStringLiteral("127.0.0.1"), silent_->Port()},
                                               std::tuple{"Unknown", UnknownHost, 1433}})
            sources += QStringLiteral("[%1]\nDriver=%2\n%3\n")
                           .arg(QLatin1String(name), DriverLibrary(driver_), DataSourceKeys(driver_, host, port));
        WriteText(fixture_.Path("odbcinst.ini"), "");
        WriteText(fixture_.Path("odbc.ini"), sources);
        // FreeTDS would read the machine's freetds.conf as well.
        WriteText(fixture_.Path("freetds.conf"), "[global]\n");
        qputenv("FREETDSCONF", QFile::encodeName(fixture_.Path("freetds.conf")));
    }
    void init() { ProgramRun::BeginTest(); }
    void cleanup() { ProgramRun::EndTest(); }

    // The parent's test: every driver's child passes.
    void eachDriver() {
        if (!driver_.isEmpty())
            QSKIP("run by the parent");
        std::vector<std::unique_ptr<QProcess>> children;
        for (const QString& driver : Drivers) {
            const QString dir = fixture_.Path(driver);
            QVERIFY(QDir().mkpath(dir));
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("REDATE_DRIVER", driver);
            env.insert("ODBCSYSINI", dir);
            env.insert("ODBCINI", dir + "/odbc.ini");
            auto& child = children.emplace_back(std::make_unique<QProcess>());
            child->setProcessEnvironment(env);
            child->setProcessChannelMode(QProcess::MergedChannels);
            child->start(QCoreApplication::applicationFilePath(), {"failurePath"});
        }
        for (size_t i = 0; i < children.size(); ++i) {
            QProcess& child = *children[i];
            const bool finished = child.waitForFinished(100000);
            const QByteArray out = child.readAll();
            qInfo("%s:\n%s", qPrintable(Drivers[i]), out.constData());
            QVERIFY2(finished, qPrintable(Drivers[i] + " did not finish"));
            QCOMPARE(child.exitStatus(), QProcess::NormalExit);
            QVERIFY2(child.exitCode() == 0, qPrintable(Drivers[i] + " failed"));
        }
    }

    void failurePath_data() {
        QTest::addColumn<QString>("dataSource");
        QTest::newRow("refused port") << "Refused";
        QTest::newRow("silent server") << "Silent";
        QTest::newRow("unknown host") << "Unknown";
    }
    void failurePath() {
        if (driver_.isEmpty())
            QSKIP("run in a child per driver");
        QFETCH(QString, dataSource);
        fixture_.WriteHive(LibraryFixture::Record(dataSource.toLatin1(), "37073403", "")); // sa, empty password
        const int acceptedBefore = silent_->Accepted();
        SilentServer::Clock::time_point shownAt{};
        ProgramRun run;
        const int code = run.Start([&](TForm* main) {
            shownAt = SilentServer::Clock::now();
            QVERIFY(dynamic_cast<TDbPara*>(main));
            QVERIFY(!LibDM);
            QVERIFY(!RedateMain);
        });
        QCOMPARE(code, 0);
        QCOMPARE(run.splashes.size(), 1);
        QVERIFY(MessageBoxSeam::Log().empty());
        if (dataSource == "Silent") {
            // The attempt reached the server, waited while it said nothing, and gave up by itself:
            // the server never closed a connection, the driver did.
            QVERIFY(silent_->Accepted() > acceptedBefore);
            QVERIFY(silent_->FirstAccepted() < shownAt);
            QVERIFY(silent_->ClientsHungUp(std::chrono::seconds(10)));
            const auto waited = std::chrono::duration<double>(shownAt - silent_->FirstAccepted()).count();
            qInfo("%s gave up %.1f s after the server went silent", qPrintable(driver_), waited);
        } else {
            QCOMPARE(silent_->Accepted(), acceptedBefore);
        }
    }
};

QTEST_MAIN(TestUnreachable)
#include "test_unreachable.moc"

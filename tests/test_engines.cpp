// The date repair on each database engine the libraries run, through the program's own start-up,
// data module and dialog, against a real server: SQLite, PostgreSQL and MariaDB through their ODBC
// drivers. REDATE_ENGINE names the engine of this process; for a server, REDATE_SERVER_DIR is the
// folder where tests/servers/dbserver left its port.
//
// The test's own view of the database is a second ODBC connection, as a different login ("redate")
// where the engine has logins, made with the raw ODBC API so that it shares no code with the program.
#include "ProgramRun.h"
#include "TestSettings.h"
#include "dmLibData.h"
#include "frmDbPara.h"
#include "frmRedateMain.h"
#include "platform/Application.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <sql.h>
#include <sqlext.h>

#include <functional>
#include <stdexcept>

namespace {

const QString Null = QStringLiteral("NULL");
const QString ProgramTitle = QStringLiteral("修改日期为1900年前的编目、条码数据");
const QString Refused = QStringLiteral("statement 3 refused");

QString Env(const char* name) {
    const QString value = qEnvironmentVariable(name);
    if (value.isEmpty())
        throw std::runtime_error(std::string(name) + " is not set");
    return value;
}

QString ReadText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return QString::fromUtf8(file.readAll()).trimmed();
}

void WriteText(const QString& path, const QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0)
        throw std::runtime_error("cannot write " + path.toStdString());
}

// What differs between the engines: how to reach them, and the SQL the test itself needs.
struct Engine {
    QString name;
    QString driver;     // absolute path of the ODBC driver
    QString dataSource; // the keys of [LibODBC] after Driver=
    QString admin;      // connection string of the test's own connection
    QString schema;     // file under demo/
    // Makes statement 3 (the update of tm_initdate) fail with Refused; the second one undoes it.
    QStringList refuse, allow;
    // Logs the connection and the program's session count at each statement into run_log(who, sessions).
    QStringList logRun;
    QString sessions; // the program's sessions now
};

constexpr const char* OdbcDir = REDATE_ODBC_DRIVER_DIR "/";

Engine MakeEngine(const QString& name, int port) {
    Engine e;
    e.name = name;
    if (name == "sqlite") {
        const QString file = QDir(Env("REDATE_TEST_DIR")).filePath(QStringLiteral("library.db"));
        QFile::remove(file);
        e.driver = OdbcDir + QStringLiteral("libsqlite3odbc.so");
        e.dataSource = QStringLiteral("Database=%1\n").arg(file);
        e.admin = QStringLiteral("Database=%1;").arg(file);
        e.schema = QStringLiteral("library-sqlite.sql");
        e.refuse = {"create trigger refuse before update of tm_initdate on lib_tiaoma "
                    "begin select raise(abort, 'statement 3 refused'); end"};
        e.allow = {"drop trigger refuse"};
        return e;
    }
    // The servers: the program logs in as sa (from SQLConnect), the test as redate.
    const QString host = name == "postgresql" ? QStringLiteral("Servername") : QStringLiteral("Server");
    e.dataSource = QStringLiteral("%1=127.0.0.1\nPort=%2\nDatabase=library\n").arg(host).arg(port);
    e.admin = QStringLiteral("%1=127.0.0.1;Port=%2;Database=library;UID=redate;PWD=;").arg(host).arg(port);
    if (name == "postgresql") {
        e.driver = OdbcDir + QStringLiteral("psqlodbcw.so");
        e.schema = QStringLiteral("library-postgresql.sql");
        e.refuse = {"create or replace function refuse() returns trigger language plpgsql as "
                    "$$ begin raise exception 'statement 3 refused'; end $$",
                    "create trigger refuse before update of tm_initdate on lib_tiaoma "
                    "for each statement execute function refuse()"};
        e.allow = {"drop trigger refuse on lib_tiaoma"};
        e.sessions = QStringLiteral("select count(*) from pg_stat_activity where usename = 'sa'");
        // Statement triggers, run as the administrator so that they see every session.
        e.logRun = {"create table run_log (n serial, who int, sessions int)",
                    "create or replace function log_run() returns trigger language plpgsql security definer as "
                    "$$ begin insert into run_log (who, sessions) select pg_backend_pid(), count(*) "
                    "from pg_stat_activity where usename = 'sa'; return null; end $$",
                    "create trigger log_bm after update on lib_bianma for each statement execute function log_run()",
                    "create trigger log_tm after update on lib_tiaoma for each statement execute function log_run()"};
    } else if (name == "mariadb") {
        e.driver = OdbcDir + QStringLiteral("libmaodbc.so");
        e.schema = QStringLiteral("library-mariadb.sql");
        e.refuse = {"create trigger refuse before update on lib_tiaoma for each row begin "
                    "if not (new.tm_initdate <=> old.tm_initdate) then "
                    "signal sqlstate '45000' set message_text = 'statement 3 refused'; end if; end"};
        e.allow = {"drop trigger refuse"};
        e.sessions = QStringLiteral("select count(*) from information_schema.processlist where user = 'sa'");
        // Row triggers only here: each logs once per changed row. Inside a trigger the session's own
        // row of the process list shows the trigger's definer, not sa.
        const QString log = QStringLiteral("insert into run_log (who, sessions) select connection_id(), count(*) "
                                           "from information_schema.processlist "
                                           "where user = 'sa' or id = connection_id()");
        e.logRun = {"create table run_log (n int auto_increment primary key, who int, sessions int)",
                    "create trigger log_bm after update on lib_bianma for each row " + log,
                    "create trigger log_tm after update on lib_tiaoma for each row " + log};
    } else {
        throw std::runtime_error("unknown REDATE_ENGINE " + name.toStdString());
    }
    return e;
}

// The test's own connection: every statement in autocommit, every failure thrown with the driver's text.
class Admin {
public:
    explicit Admin(const QString& connection) {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
        QByteArray text = connection.toUtf8();
        const SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS, nullptr,
                                              0, nullptr, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc))
            Throw(SQL_HANDLE_DBC, dbc_, "connect " + connection);
    }
    ~Admin() {
        SQLDisconnect(dbc_);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }
    Admin(const Admin&) = delete;
    Admin& operator=(const Admin&) = delete;

    void Execute(const QString& sql) { Run(sql, nullptr); }
    void Execute(const QStringList& statements) {
        for (const QString& s : statements)
            Execute(s);
    }
    // Every row of a query, each column as text, NULL as Null.
    QList<QStringList> Rows(const QString& sql) {
        QList<QStringList> rows;
        Run(sql, &rows);
        return rows;
    }
    QStringList Column(const QString& sql) {
        QStringList column;
        for (const QStringList& row : Rows(sql))
            column << row.value(0);
        return column;
    }
    QString Value(const QString& sql) { return Column(sql).value(0); }

private:
    void Run(const QString& sql, QList<QStringList>* rows) {
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt);
        QByteArray text = sql.toUtf8();
        SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
            try {
                Throw(SQL_HANDLE_STMT, stmt, sql);
            } catch (...) {
                SQLFreeHandle(SQL_HANDLE_STMT, stmt);
                throw;
            }
        }
        SQLSMALLINT columns = 0;
        SQLNumResultCols(stmt, &columns);
        while (rows && columns > 0 && SQL_SUCCEEDED(SQLFetch(stmt))) {
            QStringList row;
            for (SQLUSMALLINT c = 1; c <= columns; ++c) {
                char buffer[256];
                SQLLEN length = 0;
                SQLGetData(stmt, c, SQL_C_CHAR, buffer, sizeof buffer, &length);
                row << (length == SQL_NULL_DATA ? Null : QString::fromUtf8(buffer).trimmed());
            }
            rows->append(row);
        }
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    }
    [[noreturn]] static void Throw(SQLSMALLINT type, SQLHANDLE handle, const QString& what) {
        QString message = what;
        SQLCHAR state[6], text[1024];
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        for (SQLSMALLINT i = 1;
             SQL_SUCCEEDED(SQLGetDiagRec(type, handle, i, state, &native, text, sizeof text, &length)); ++i)
            message += QStringLiteral("\n[%1] %2").arg(reinterpret_cast<char*>(state), reinterpret_cast<char*>(text));
        throw std::runtime_error(message.toStdString());
    }

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
};

QString Literal(const QString& value) {
    return value == Null ? value : QLatin1Char('\'') + value + QLatin1Char('\'');
}

// Starts the program as main() does and runs operate once its main form is on the screen; the form
// is closed afterwards, which ends the program. Returns the exit code.
int StartProgram(const std::function<void()>& operate) {
    ProgramRun run;
    return run.Start([&](TForm*) { operate(); });
}

// Ticks the backup box, picks the day (an invalid day leaves the picker as it starts) and presses
// the update button, answering Yes and then OK to whatever box follows.
void RunRepair(const QDate& day) {
    QVERIFY(RedateMain);
    MessageBoxSeam::Script({IDYES, IDOK});
    if (!RedateMain->cbBackup->isChecked())
        QTest::mouseClick(RedateMain->cbBackup, Qt::LeftButton, {}, QPoint(5, RedateMain->cbBackup->height() / 2));
    QVERIFY(RedateMain->btMod->isEnabled());
    if (day.isValid())
        RedateMain->dtBegin->setDate(day);
    QTest::mouseClick(RedateMain->btMod, Qt::LeftButton);
}

} // namespace

class TestEngines : public QObject {
    Q_OBJECT
    Engine engine_;
    std::unique_ptr<Admin> db_;

    bool Server() const { return engine_.name != "sqlite"; }

    // Both tables emptied, then filled: bianma rows are dates, tiaoma rows "logdate|initdate|yydate|mark".
    void Fill(const QStringList& bianma, const QStringList& tiaoma) {
        db_->Execute(QStringLiteral("delete from lib_bianma"));
        db_->Execute(QStringLiteral("delete from lib_tiaoma"));
        int id = 0;
        for (const QString& date : bianma)
            db_->Execute(
                QStringLiteral("insert into lib_bianma (bm_id, bm_date) values (%1, %2)").arg(++id).arg(Literal(date)));
        id = 0;
        for (const QString& row : tiaoma) {
            const QStringList f = row.split(QLatin1Char('|'));
            db_->Execute(QStringLiteral("insert into lib_tiaoma (tm_id, tm_logdate, tm_initdate, tm_yydate, tm_mark) "
                                        "values (%1, %2, %3, %4, %5)")
                             .arg(++id)
                             .arg(Literal(f[0]), Literal(f[1]), Literal(f[2]), Literal(f[3])));
        }
    }
    QStringList Bianma() { return db_->Column(QStringLiteral("select bm_date from lib_bianma order by bm_id")); }
    QStringList Tiaoma() {
        QStringList rows;
        for (const QStringList& r :
             db_->Rows(QStringLiteral("select tm_logdate, tm_initdate, tm_yydate from lib_tiaoma order by tm_id")))
            rows << r.join(QLatin1Char('|'));
        return rows;
    }
    const QStringList OldBianma = {"1899-12-31"};
    const QStringList OldTiaoma = {"1899-12-31|1899-12-31|1899-12-31|0"};

private slots:
    void initTestCase() {
        const QString name = Env("REDATE_ENGINE");
        const int port = name == "sqlite" ? 0 : ReadText(Env("REDATE_SERVER_DIR") + "/port").toInt();
        engine_ = MakeEngine(name, port);
        // In the child run of serverDownAtStart the data source points where no server listens.
        const bool down = qEnvironmentVariableIsSet("REDATE_SERVER_DOWN");
        QString dataSource = engine_.dataSource;
        if (down)
            dataSource.replace(QStringLiteral("Port=%1").arg(port), QStringLiteral("Port=1"));
        const QString dir = Env("REDATE_TEST_DIR");
        WriteText(dir + "/odbcinst.ini", "");
        WriteText(dir + "/odbc.ini", "[LibODBC]\nDriver=" + engine_.driver + "\n" + dataSource);
        if (down)
            return;
        db_ = std::make_unique<Admin>("DRIVER=" + engine_.driver + ";" + engine_.admin);
        const QString script = ReadText(QStringLiteral(REDATE_DEMO_DIR "/") + engine_.schema);
        db_->Execute(QStringLiteral("drop table if exists lib_bianma"));
        db_->Execute(QStringLiteral("drop table if exists lib_tiaoma"));
        db_->Execute(QStringLiteral("drop table if exists run_log"));
        for (QString statement : script.split(QLatin1Char(';'))) {
            QStringList lines = statement.split(QLatin1Char('\n'));
            lines.removeIf([](const QString& l) { return l.trimmed().startsWith(QLatin1String("--")); });
            statement = lines.join(QLatin1Char('\n')).trimmed();
            if (!statement.isEmpty())
                db_->Execute(statement);
        }
        if (engine_.name == "postgresql")
            db_->Execute(QStringLiteral("grant select, update on lib_bianma, lib_tiaoma to sa"));
    }
    void init() { ProgramRun::BeginTest(); }
    void cleanup() { ProgramRun::EndTest(); }

    // D in an expected date stands for the day picked; an empty day leaves the picker untouched.
    void repair_data() {
        QTest::addColumn<QString>("day");
        QTest::addColumn<int>("runs");
        QTest::addColumn<QStringList>("bianma");
        QTest::addColumn<QStringList>("bianmaAfter");
        QTest::addColumn<QStringList>("tiaoma");
        QTest::addColumn<QStringList>("tiaomaAfter");
        QTest::newRow("cut-off day changed, day after kept")
            << "2011-03-04" << 1 << QStringList{"1900-01-01", "1900-01-02"} << QStringList{"D", "1900-01-02"}
            << QStringList{"1900-01-01|1900-01-02|1900-01-01|0", "1900-01-02|1900-01-01|1900-01-02|1"}
            << QStringList{"D|1900-01-02|D", "1900-01-02|D|1900-01-02"};
        QTest::newRow("picker untouched writes 2003-06-10")
            << "" << 1 << QStringList{"1753-01-01", "2024-11-30"} << QStringList{"2003-06-10", "2024-11-30"}
            << QStringList{"1850-07-04|1899-12-31|1000-01-01|2"} << QStringList{"2003-06-10|2003-06-10|2003-06-10"};
        QTest::newRow("mark 9 keeps tm_yydate")
            << "2011-03-04" << 1 << QStringList{} << QStringList{} << QStringList{"1899-12-31|1899-12-31|1899-12-31|9"}
            << QStringList{"D|D|1899-12-31"};
        // NULL <= '1900-01-01' is unknown, not true: a NULL date stays NULL.
        QTest::newRow("NULL dates stay NULL") << "2011-03-04" << 1 << QStringList{Null} << QStringList{Null}
                                              << QStringList{"NULL|NULL|NULL|0"} << QStringList{"NULL|NULL|NULL"};
        // tm_mark<>'9' is unknown for a NULL mark, so the fourth statement leaves tm_yydate alone
        // there, as on a '9'; an empty mark is not '9' and is changed.
        QTest::newRow("NULL mark keeps tm_yydate, empty mark does not")
            << "2011-03-04" << 1 << QStringList{} << QStringList{}
            << QStringList{"1899-12-31|1899-12-31|1899-12-31|NULL", "1899-12-31|1899-12-31|1899-12-31|"}
            << QStringList{"D|D|1899-12-31", "D|D|D"};
        QTest::newRow("empty tables") << "2011-03-04" << 1 << QStringList{} << QStringList{} << QStringList{}
                                      << QStringList{};
        QTest::newRow("second run changes nothing more")
            << "2011-03-04" << 2 << QStringList{"1899-12-31", "1999-12-31"} << QStringList{"D", "1999-12-31"}
            << QStringList{"1899-12-31|2023-08-15|1899-12-31|9", "2023-08-15|1899-12-31|1899-12-31|0"}
            << QStringList{"D|2023-08-15|1899-12-31", "2023-08-15|D|D"};
    }
    void repair() {
        QFETCH(QString, day);
        QFETCH(int, runs);
        QFETCH(QStringList, bianma);
        QFETCH(QStringList, bianmaAfter);
        QFETCH(QStringList, tiaoma);
        QFETCH(QStringList, tiaomaAfter);
        Fill(bianma, tiaoma);
        const QDate picked = QDate::fromString(day, Qt::ISODate);
        const QString d = day.isEmpty() ? QStringLiteral("2003-06-10") : day;
        bianmaAfter.replaceInStrings(QStringLiteral("D"), d);
        tiaomaAfter.replaceInStrings(QStringLiteral("D"), d);

        QCOMPARE(StartProgram([&] {
                     for (int run = 0; run < runs; ++run) {
                         RunRepair(picked);
                         QCOMPARE(Bianma(), bianmaAfter);
                         QCOMPARE(Tiaoma(), tiaomaAfter);
                     }
                 }),
                 0);
        QVERIFY(!QTest::currentTestFailed());
        // Each run: the confirmation, then the completion box, whatever the statements changed.
        const auto& log = MessageBoxSeam::Log();
        QCOMPARE(log.size(), size_t(2 * runs));
        for (int run = 0; run < runs; ++run) {
            QCOMPARE(log[2 * run].flags, MB_YESNO | MB_DEFBUTTON2);
            QCOMPARE(log[2 * run + 1].text, QString("处理完成！"));
            QCOMPARE(log[2 * run + 1].flags, MB_OK | MB_ICONINFORMATION);
        }
    }

    // The server sees one session of the program, before the run, during each statement and after
    // it, and all four statements run on it.
    void oneConnection() {
        if (!Server())
            QSKIP("SQLite has no sessions");
        Fill(OldBianma, OldTiaoma);
        db_->Execute(engine_.logRun);
        QCOMPARE(StartProgram([&] {
                     QCOMPARE(db_->Value(engine_.sessions), QString("1"));
                     RunRepair({});
                     QCOMPARE(db_->Value(engine_.sessions), QString("1"));
                 }),
                 0);
        const QList<QStringList> log = db_->Rows(QStringLiteral("select who, sessions from run_log order by n"));
        db_->Execute(QStringLiteral("drop table run_log"));
        db_->Execute(QStringLiteral("drop trigger log_bm") + (engine_.name == "postgresql" ? " on lib_bianma" : ""));
        db_->Execute(QStringLiteral("drop trigger log_tm") + (engine_.name == "postgresql" ? " on lib_tiaoma" : ""));
        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(log.size(), 4);
        for (const QStringList& statement : log) {
            QCOMPARE(statement[0], log[0][0]);
            QCOMPARE(statement[1], QString("1"));
        }
        QCOMPARE(Bianma(), QStringList{"2003-06-10"});
    }

    // Statement 3 rejected: 1 and 2 stay applied, 4 does not run, the error box carries the engine's
    // message under the program's title, and the dialog stays armed for a run that then completes.
    void rejectedStatement() {
        Fill(OldBianma, OldTiaoma);
        db_->Execute(engine_.refuse);
        QCOMPARE(StartProgram([&] {
                     RunRepair({});
                     const auto& log = MessageBoxSeam::Log();
                     QCOMPARE(log.size(), size_t(2));
                     QVERIFY2(log[1].text.contains(Refused), qPrintable(log[1].text));
                     QCOMPARE(log[1].caption, ProgramTitle);
                     QCOMPARE(log[1].flags, MB_OK | MB_ICONERROR);
                     QVERIFY(RedateMain->cbBackup->isChecked());
                     QVERIFY(RedateMain->btMod->isEnabled());
                     QCOMPARE(Bianma(), QStringList{"2003-06-10"});
                     QCOMPARE(Tiaoma(), QStringList{"2003-06-10|1899-12-31|1899-12-31"});

                     db_->Execute(engine_.allow);
                     RunRepair({});
                     QCOMPARE(MessageBoxSeam::Log().back().text, QString("处理完成！"));
                     QCOMPARE(Tiaoma(), QStringList{"2003-06-10|2003-06-10|2003-06-10"});
                 }),
                 0);
    }

    // The server ends the program's session in the middle of the run (PostgreSQL: the session
    // terminates itself from a trigger on statement 3; MariaDB: the administrator kills it before
    // the first statement). The program reports it and stays armed; it never reconnects, so a new
    // start completes the repair.
    void sessionEnded() {
        if (!Server())
            QSKIP("SQLite has no server session to end");
        const bool pg = engine_.name == "postgresql";
        Fill(OldBianma, OldTiaoma);
        if (pg)
            db_->Execute(QStringList{"create or replace function end_session() returns trigger language plpgsql as "
                                     "$$ begin perform pg_terminate_backend(pg_backend_pid()); return null; end $$",
                                     "create trigger end_session before update of tm_initdate on lib_tiaoma "
                                     "for each statement execute function end_session()"});
        QCOMPARE(StartProgram([&] {
                     if (!pg)
                         db_->Execute("kill connection " +
                                      db_->Value("select id from information_schema.processlist where user = 'sa'"));
                     RunRepair({});
                     if (pg)
                         db_->Execute(QStringLiteral("drop trigger end_session on lib_tiaoma"));
                     const auto& log = MessageBoxSeam::Log();
                     QCOMPARE(log.size(), size_t(2));
                     qInfo("error box: %s", qPrintable(log[1].text));
                     QVERIFY(!log[1].text.isEmpty());
                     QCOMPARE(log[1].caption, ProgramTitle);
                     QCOMPARE(log[1].flags, MB_OK | MB_ICONERROR);
                     QVERIFY(RedateMain->btMod->isEnabled());
                     if (pg) {
                         QVERIFY2(log[1].text.contains("terminating connection"), qPrintable(log[1].text));
                         QCOMPARE(Bianma(), QStringList{"2003-06-10"});
                         QCOMPARE(Tiaoma(), QStringList{"2003-06-10|1899-12-31|1899-12-31"});
                     } else {
                         QCOMPARE(Bianma(), OldBianma);
                     }
                     // The same dialog again: the connection is gone, so it fails again, still without a crash.
                     RunRepair({});
                     QCOMPARE(MessageBoxSeam::Log().size(), size_t(4));
                     QCOMPARE(MessageBoxSeam::Log().back().flags, MB_OK | MB_ICONERROR);
                 }),
                 0);
        QVERIFY(!QTest::currentTestFailed());
        MessageBoxSeam::ClearLog();
        QCOMPARE(StartProgram([] { RunRepair({}); }), 0);
        QCOMPARE(MessageBoxSeam::Log().back().text, QString("处理完成！"));
        QCOMPARE(Bianma(), QStringList{"2003-06-10"});
        QCOMPARE(Tiaoma(), QStringList{"2003-06-10|2003-06-10|2003-06-10"});
    }

    // No server on the data source's port: the connection-parameter dialog is the main form, and no
    // box is shown. unixODBC reads odbc.ini once per process, so this runs in a child of its own.
    void serverDownAtStart() {
        if (!Server())
            QSKIP("an SQLite data source has no server to be down");
        if (qEnvironmentVariableIsSet("REDATE_SERVER_DOWN")) {
            QCOMPARE(StartProgram([] {
                         QVERIFY(DbPara);
                         QCOMPARE(Application.MainForm(), static_cast<TForm*>(DbPara));
                         QVERIFY(!RedateMain);
                     }),
                     0);
            QVERIFY(MessageBoxSeam::Log().empty());
            return;
        }
        const QString dir = Env("REDATE_TEST_DIR") + "/down";
        QDir().mkpath(dir);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("REDATE_SERVER_DOWN", "1");
        env.insert("REDATE_TEST_DIR", dir);
        env.insert("ODBCSYSINI", dir);
        env.insert("ODBCINI", dir + "/odbc.ini");
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {"serverDownAtStart"});
        QVERIFY(child.waitForFinished(120000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
    }
};

QTEST_MAIN(TestEngines)
#include "test_engines.moc"

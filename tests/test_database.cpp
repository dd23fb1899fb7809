// The database layer against the real SQLite ODBC driver: connecting, running statements, the
// messages of failures, and that no ODBC handle outlives its use.
#include "LibraryFixture.h"
#include "platform/Database.h"
#include "platform/Exceptions.h"

#include <QtTest>

#include <functional>
#include <memory>

namespace {

const QString ChineseSource = QStringLiteral("图书馆");

// The message of the EDBEngineError that action raises, or a text saying what happened instead.
QString EngineError(const std::function<void()>& action) {
    try {
        action();
    } catch (const EDBEngineError& error) {
        return QString::fromStdString(error.Message());
    } catch (const std::exception& error) {
        return QStringLiteral("<not an engine error: %1>").arg(QString::fromUtf8(error.what()));
    }
    return QStringLiteral("<no exception>");
}

// LibDB as the data module stores it.
std::unique_ptr<TDatabase> DesignDatabase(const QString& alias = QStringLiteral("LibODBC")) {
    auto database = std::make_unique<TDatabase>();
    database->AliasName = alias;
    database->DatabaseName = QStringLiteral("LibDB");
    database->LoginPrompt = false;
    database->Params = QStringList{QStringLiteral("USER NAME=sa"), QStringLiteral("PASSWORD=")};
    return database;
}

void Exec(const QString& databaseName, const QStringList& sql) {
    TQuery query;
    query.DatabaseName = databaseName;
    query.SQL = sql;
    query.ExecSQL();
    query.Close();
}

} // namespace

class TestDatabase : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void connectsWithDesignSettings();
    void connectFailures_data();
    void connectFailures();
    void duplicateDatabaseName();
    void execSqlSendsLinesWithCrLf();
    void updateMatchingNoRowSucceeds();
    void failingStatement_data();
    void failingStatement();
    void execSqlRefused_data();
    void execSqlRefused();
    void chineseDataSourceName();
    void connectSequence_data();
    void connectSequence();
    void closeAndDestruction();

private:
    std::unique_ptr<LibraryFixture> fixture_;
    QString library_;
    QString chineseLibrary_;
    QString unloadableDriver_;
};

void TestDatabase::initTestCase() {
    fixture_ = std::make_unique<LibraryFixture>();
    library_ = fixture_->AddDataSource(QStringLiteral("LibODBC"), QStringLiteral("library.db"));
    chineseLibrary_ = fixture_->AddDataSource(ChineseSource, QStringLiteral("图书馆.db"));
    unloadableDriver_ = fixture_->Path(QStringLiteral("missing/libnothing.so"));
    fixture_->AddDriver(QStringLiteral("Unloadable"), unloadableDriver_);
    fixture_->AddDataSource(QStringLiteral("Unloadable"), QStringLiteral("unloadable.db"),
                            QStringLiteral("Unloadable"));
    fixture_->WriteOdbcIni();
}

void TestDatabase::init() {
    LibraryFixture::CreateLibrary(library_);
    LibraryFixture::CreateLibrary(chineseLibrary_);
}

void TestDatabase::cleanup() {
    QCOMPARE(TDatabase::OpenConnectionCount(), 0);
    QCOMPARE(TDatabase::OpenStatementCount(), 0);
}

void TestDatabase::connectsWithDesignSettings() {
    // The query finds its database by name when it runs, not when it is made.
    TQuery query;
    query.DatabaseName = QStringLiteral("LibDB");
    query.SQL = QStringList{QStringLiteral("update lib_bianma set bm_date='2003-06-10' where bm_id=1")};

    auto database = DesignDatabase();
    database->Loaded();
    QVERIFY(!database->Connected()); // not stored as connected

    database->SetStreamedConnected(true);
    database->Loaded();
    QVERIFY(database->Connected());
    QCOMPARE(TDatabase::OpenConnectionCount(), 1);
    QCOMPARE(FindDatabase(QStringLiteral("Default"), QStringLiteral("LibDB")), database.get());

    query.ExecSQL();
    QCOMPARE(TDatabase::OpenConnectionCount(), 1); // over LibDB, no second connection
    QCOMPARE(TDatabase::OpenStatementCount(), 0);
    QCOMPARE(LibraryFixture::Column(library_, QStringLiteral("select bm_date from lib_bianma where bm_id=1")),
             QStringList{QStringLiteral("2003-06-10")});
}

void TestDatabase::connectFailures_data() {
    QTest::addColumn<QString>("alias");
    QTest::addColumn<QString>("databaseName");
    QTest::addColumn<QString>("expected");

    QTest::newRow("data source missing") << "NoSuchSource"
                                         << "LibDB"
                                         << "Data source name not found";
    QTest::newRow("driver library cannot be loaded")
        << "Unloadable"
        << "LibDB" << QStringLiteral("Can't open lib '%1'").arg(unloadableDriver_);
    QTest::newRow("database name empty") << "LibODBC"
                                         << ""
                                         << "the database name is empty";
    // An empty data-source name would reach the driver manager's default data source.
    QTest::newRow("alias name empty") << ""
                                      << "LibDB"
                                      << "the alias name is empty";
}

void TestDatabase::connectFailures() {
    QFETCH(QString, alias);
    QFETCH(QString, databaseName);
    QFETCH(QString, expected);

    auto database = DesignDatabase(alias);
    database->DatabaseName = databaseName;
    int before = 0, after = 0;
    database->BeforeConnect = [&](QObject*) { ++before; };
    database->AfterConnect = [&](QObject*) { ++after; };

    const QString message = EngineError([&] { database->Open(); });
    QVERIFY2(message.contains(expected), qPrintable(message));
    QCOMPARE(before, 1);
    QCOMPARE(after, 0);
    QVERIFY(!database->Connected());
    QCOMPARE(TDatabase::OpenConnectionCount(), 0);
}

void TestDatabase::duplicateDatabaseName() {
    auto first = DesignDatabase();
    first->Open();
    auto second = DesignDatabase(ChineseSource);

    const QString message = EngineError([&] { second->Open(); });
    QVERIFY2(message.contains(QStringLiteral("Duplicate database name 'LibDB'")), qPrintable(message));
    QCOMPARE(TDatabase::OpenConnectionCount(), 1);
    QCOMPARE(FindDatabase(QStringLiteral("Default"), QStringLiteral("libdb")), first.get());
}

void TestDatabase::execSqlSendsLinesWithCrLf() {
    auto database = DesignDatabase();
    database->Open();
    // The literal spans the line break, so the stored mark shows the separator byte for byte; the
    // comment ends at the line break, so the where clause still counts.
    Exec(QStringLiteral("LibDB"),
         {QStringLiteral("update lib_tiaoma set tm_mark='a"), QStringLiteral("b' -- a comment ends at the line break"),
          QStringLiteral("where tm_id=1")});
    QCOMPARE(LibraryFixture::Column(library_, QStringLiteral("select tm_mark from lib_tiaoma where tm_id<=2")),
             (QStringList{QStringLiteral("a\r\nb"), QStringLiteral("9")}));
}

void TestDatabase::updateMatchingNoRowSucceeds() {
    auto database = DesignDatabase();
    database->Open();
    const QString dates = QStringLiteral("select bm_date from lib_bianma order by bm_id");
    const QStringList before = LibraryFixture::Column(library_, dates);

    const QString message = EngineError([] {
        Exec(QStringLiteral("LibDB"), {QStringLiteral("update lib_bianma set"),
                                       QStringLiteral("    bm_date='2003-06-10'"), QStringLiteral("where bm_id=-1")});
    });
    QCOMPARE(message, QStringLiteral("<no exception>"));
    QCOMPARE(LibraryFixture::Column(library_, dates), before);
}

void TestDatabase::failingStatement_data() {
    QTest::addColumn<QStringList>("sql");
    QTest::addColumn<QString>("refusal"); // when set, updates of tm_initdate fail with this text
    QTest::addColumn<QString>("expected");

    const QStringList updateInitDate{QStringLiteral("update lib_tiaoma set"),
                                     QStringLiteral("    tm_initdate='2003-06-10'"),
                                     QStringLiteral("where tm_initdate<='1900-01-01'")};

    QTest::newRow("unknown table, Chinese name")
        << QStringList{QStringLiteral("update 旧书目 set bm_date='2003-06-10'")} << QString()
        << QStringLiteral("no such table: 旧书目");
    QTest::newRow("syntax error") << QStringList{QStringLiteral("update lib_bianma bm_date='2003-06-10'")} << QString()
                                  << QStringLiteral("syntax error");
    QTest::newRow("refused by the database")
        << updateInitDate << QStringLiteral("不许修改初始日期") << QStringLiteral("不许修改初始日期");
    // Longer than the first buffer that the diagnostics are read into.
    const QString longRefusal = QStringLiteral("初始日期不可修改").repeated(12) + QStringLiteral("。");
    QTest::newRow("long message") << updateInitDate << longRefusal << longRefusal;
    // The text goes to the driver as one statement; it is not split.
    QTest::newRow("two statements") << QStringList{QStringLiteral("update lib_bianma set bm_date='2003-06-10';"),
                                                   QStringLiteral("update lib_tiaoma set tm_mark='1'")}
                                    << QString() << QStringLiteral("only one SQL statement allowed");
}

void TestDatabase::failingStatement() {
    QFETCH(QStringList, sql);
    QFETCH(QString, refusal);
    QFETCH(QString, expected);

    if (!refusal.isEmpty())
        LibraryFixture::FailUpdatesOf(library_, QStringLiteral("lib_tiaoma"), QStringLiteral("tm_initdate"), refusal);
    auto database = DesignDatabase();
    database->Open();

    const QString message = EngineError([&] { Exec(QStringLiteral("LibDB"), sql); });
    QVERIFY2(message.count(expected) == 1, qPrintable(message));
    // Diagnostics read after another call on the handle would be that call's function sequence error.
    QVERIFY2(!message.contains(QStringLiteral("sequence error")), qPrintable(message));
    QStringList lines = message.split(QLatin1Char('\n'));
    QCOMPARE(lines.removeDuplicates(), 0);
    QCOMPARE(TDatabase::OpenStatementCount(), 0);

    // The connection goes on working after the failure.
    QVERIFY(database->Connected());
    Exec(QStringLiteral("LibDB"), {QStringLiteral("update lib_bianma set bm_date='2003-06-10' where bm_id=1")});
    QCOMPARE(LibraryFixture::Column(library_, QStringLiteral("select bm_date from lib_bianma where bm_id=1")),
             QStringList{QStringLiteral("2003-06-10")});
}

void TestDatabase::execSqlRefused_data() {
    QTest::addColumn<QString>("databaseName");
    QTest::addColumn<bool>("open");
    QTest::addColumn<QStringList>("sql");
    QTest::addColumn<QString>("expected");

    const QStringList update{QStringLiteral("update lib_bianma set bm_date='2003-06-10' where bm_id=1")};
    QTest::newRow("unknown database name")
        << "NoSuchDB" << true << update << "Unknown database 'NoSuchDB' in session 'Default'";
    QTest::newRow("database closed") << "LibDB" << false << update << "Database 'LibDB' is not open";
    QTest::newRow("no lines") << "LibDB" << true << QStringList{} << "No SQL statement available";
    // SQLite would take blank text as a statement that did nothing.
    QTest::newRow("blank lines") << "LibDB" << true << QStringList{QString(), QStringLiteral("  ")}
                                 << "No SQL statement available";
}

void TestDatabase::execSqlRefused() {
    QFETCH(QString, databaseName);
    QFETCH(bool, open);
    QFETCH(QStringList, sql);
    QFETCH(QString, expected);

    auto database = DesignDatabase();
    if (open)
        database->Open();

    const QString message = EngineError([&] { Exec(databaseName, sql); });
    QVERIFY2(message.contains(expected), qPrintable(message));
    QCOMPARE(database->Connected(), open);
    QCOMPARE(LibraryFixture::Column(library_, QStringLiteral("select bm_date from lib_bianma where bm_id=1")),
             QStringList{QStringLiteral("1899-12-31")});
}

void TestDatabase::chineseDataSourceName() {
    auto database = DesignDatabase(ChineseSource);
    database->DatabaseName = QStringLiteral("馆藏");
    QVERIFY_THROWS_NO_EXCEPTION(database->Open());
    QVERIFY(database->Connected());

    Exec(QStringLiteral("馆藏"), {QStringLiteral("update lib_bianma set bm_date='2003-06-10' where bm_id=1")});
    const QString date = QStringLiteral("select bm_date from lib_bianma where bm_id=1");
    QCOMPARE(LibraryFixture::Column(chineseLibrary_, date), QStringList{QStringLiteral("2003-06-10")});
    QCOMPARE(LibraryFixture::Column(library_, date), QStringList{QStringLiteral("1899-12-31")});
}

void TestDatabase::connectSequence_data() {
    QTest::addColumn<QString>("failIn");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<bool>("connected");

    const QString before = QStringLiteral("before: closed, 0 connections");
    const QString after = QStringLiteral("after: open, 1 connections");
    QTest::newRow("no failure") << QString() << QStringList{before, after} << true;
    QTest::newRow("before-connect raises") << "before" << QStringList{before} << false;
    // The engine has connected by then; the sequence ends there and the database stays open.
    QTest::newRow("after-connect raises") << "after" << QStringList{before, after} << true;
}

void TestDatabase::connectSequence() {
    QFETCH(QString, failIn);
    QFETCH(QStringList, log);
    QFETCH(bool, connected);

    auto database = DesignDatabase();
    QStringList seen;
    auto record = [&](const char* handler, QObject* sender) {
        QCOMPARE(sender, database.get());
        seen.append(
            QStringLiteral("%1: %2, %3 connections")
                .arg(QLatin1String(handler), database->Connected() ? QStringLiteral("open") : QStringLiteral("closed"))
                .arg(TDatabase::OpenConnectionCount()));
        if (failIn == QLatin1String(handler))
            throw EConvertError("handler failed");
    };
    database->BeforeConnect = [&](QObject* sender) { record("before", sender); };
    database->AfterConnect = [&](QObject* sender) { record("after", sender); };

    bool raised = false;
    try {
        database->Open();
    } catch (const EConvertError&) {
        raised = true; // the handler's own exception, passed on unchanged
    }
    QCOMPARE(raised, !failIn.isEmpty());
    QCOMPARE(seen, log);
    QCOMPARE(database->Connected(), connected);
    QCOMPARE(TDatabase::OpenConnectionCount(), connected ? 1 : 0);

    // Opening an open database does nothing, the handlers included.
    if (connected) {
        database->Open();
        QCOMPARE(seen, log);
    }
}

void TestDatabase::closeAndDestruction() {
    auto owner = std::make_unique<QObject>();
    auto database = DesignDatabase();
    database->setParent(owner.get());
    TDatabase* libDB = database.release();
    int opened = 0;
    libDB->BeforeConnect = [&](QObject*) { ++opened; };

    libDB->Open();
    libDB->Close();
    QVERIFY(!libDB->Connected());
    QCOMPARE(TDatabase::OpenConnectionCount(), 0);
    libDB->Close(); // closing a closed database is harmless

    libDB->Open(); // and it opens again
    QCOMPARE(opened, 2);
    QCOMPARE(TDatabase::OpenConnectionCount(), 1);

    owner.reset(); // the owner destroys the database, which closes it and leaves the session
    QCOMPARE(TDatabase::OpenConnectionCount(), 0);
    QCOMPARE(FindDatabase(QStringLiteral("Default"), QStringLiteral("LibDB")), nullptr);
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "test_database.moc"

// TDatabase and TQuery over ODBC: connecting with the stored login and a bounded wait, running one
// statement at a time, and every diagnostic record of a failure in the engine's error.
#include "platform/Database.h"

#include "platform/Exceptions.h"
#include "platform/Odbc.h"

#include <sqlext.h>

#include <string>
#include <vector>

namespace {

// Live handles by type, so that tests can see a leak.
int liveConnections = 0;
int liveStatements = 0;

int* LiveCounter(SQLSMALLINT type) {
    switch (type) {
    case SQL_HANDLE_DBC:
        return &liveConnections;
    case SQL_HANDLE_STMT:
        return &liveStatements;
    default:
        return nullptr;
    }
}

std::string Quoted(const QString& name) {
    return "'" + name.toStdString() + "'";
}

// The distinct texts of all diagnostic records of a handle, one per line. Must be the first call
// on the handle after the failed one: any other call replaces its diagnostics.
std::string DiagnosticMessage(SQLSMALLINT handleType, SQLHANDLE handle) {
    QStringList texts;
    std::string text;
    for (SQLSMALLINT record = 1; handle != SQL_NULL_HANDLE && Odbc::DiagnosticText(handleType, handle, record, text);
         ++record) {
        const QString line = QString::fromUtf8(text).trimmed();
        if (!line.isEmpty() && !texts.contains(line))
            texts.append(line);
    }
    return texts.join(QLatin1Char('\n')).toStdString();
}

[[noreturn]] void RaiseEngineError(const char* function, SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle) {
    std::string message = DiagnosticMessage(handleType, handle);
    if (message.empty())
        message = std::string(function) + " failed (ODBC return code " + std::to_string(rc) + ")";
    throw EDBEngineError(message);
}

void Check(const char* function, SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle) {
    if (!SQL_SUCCEEDED(rc))
        RaiseEngineError(function, rc, handleType, handle);
}

// One ODBC handle, freed when the holder goes, on whatever path.
class OdbcHandle {
public:
    OdbcHandle(SQLSMALLINT type, SQLSMALLINT parentType, SQLHANDLE parent) : type_(type) {
        Check("SQLAllocHandle", SQLAllocHandle(type, parent, &handle_), parentType, parent);
        if (int* counter = LiveCounter(type_))
            ++*counter;
    }
    ~OdbcHandle() {
        SQLFreeHandle(type_, handle_);
        if (int* counter = LiveCounter(type_))
            --*counter;
    }
    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;

    SQLHANDLE get() const { return handle_; }

private:
    SQLSMALLINT type_;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

// The databases of all sessions, in creation order. Never destroyed, so that a database held by a
// static owner can still leave the list at program end.
std::vector<TDatabase*>& KnownDatabases() {
    static auto* databases = new std::vector<TDatabase*>;
    return *databases;
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The value of the line NAME=VALUE, as the engine reads its parameter lists; empty when absent.
QString ParamValue(const QStringList& params, const QString& name) {
    for (const QString& line : params) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals >= 0 && SameName(line.left(equals), name))
            return line.mid(equals + 1);
    }
    return {};
}

} // namespace

// An environment and a connection on it, connected for as long as the object lives.
class OdbcConnection {
public:
    OdbcConnection(const std::string& dataSource, const std::string& user, const std::string& password)
        : environment_(SQL_HANDLE_ENV, SQL_HANDLE_ENV, SQL_NULL_HANDLE),
          connection_(SQL_HANDLE_DBC, SQL_HANDLE_ENV, SetOdbc3(environment_.get())) {
        // Each statement takes effect by itself; the program never commits.
        Check("SQLSetConnectAttr",
              SQLSetConnectAttr(connection_.get(), SQL_ATTR_AUTOCOMMIT,
                                reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_ON)), SQL_IS_UINTEGER),
              SQL_HANDLE_DBC, connection_.get());
        // A server that accepts the connection and then says nothing would hold the program at its
        // splash for as long as it stays silent; bounded, it ends in the connection dialog like any
        // other failed connection. Drivers that ignore the attribute are named in the README.
        Check("SQLSetConnectAttr",
              SQLSetConnectAttr(connection_.get(), SQL_ATTR_LOGIN_TIMEOUT,
                                reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(TDatabase::LoginTimeoutSeconds)),
                                SQL_IS_UINTEGER),
              SQL_HANDLE_DBC, connection_.get());
        Check("SQLConnect", Odbc::Connect(connection_.get(), dataSource, user, password), SQL_HANDLE_DBC,
              connection_.get());
    }
    // Runs only once the constructor has completed, that is when connected.
    ~OdbcConnection() { SQLDisconnect(connection_.get()); }
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    void ExecuteDirect(const std::string& statement) {
        OdbcHandle handle(SQL_HANDLE_STMT, SQL_HANDLE_DBC, connection_.get());
        const SQLRETURN rc = Odbc::ExecDirect(handle.get(), statement);
        // Under ODBC 3 an update that matches no row answers SQL_NO_DATA.
        if (rc != SQL_NO_DATA)
            Check("SQLExecDirect", rc, SQL_HANDLE_STMT, handle.get());
    }

private:
    static SQLHENV SetOdbc3(SQLHENV environment) {
        Check("SQLSetEnvAttr",
              SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION,
                            reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_OV_ODBC3)), 0),
              SQL_HANDLE_ENV, environment);
        return environment;
    }

    OdbcHandle environment_;
    OdbcHandle connection_;
};

TDatabase::TDatabase(QObject* parent) : TComponent(parent) {
    KnownDatabases().push_back(this);
}

TDatabase::~TDatabase() {
    Close();
    std::erase(KnownDatabases(), this);
}

void TDatabase::Loaded() {
    if (streamedConnected_)
        Open();
}

void TDatabase::Open() {
    if (Connected())
        return;
    if (BeforeConnect)
        BeforeConnect(this);

    if (DatabaseName.isEmpty())
        throw EDBEngineError("Cannot connect: the database name is empty");
    if (TDatabase* other = FindDatabase(SessionName, DatabaseName); other && other != this && other->Connected())
        throw EDBEngineError("Duplicate database name " + Quoted(DatabaseName) + " in session " + Quoted(SessionName));
    // An empty data-source name would connect to the driver manager's default data source.
    if (AliasName.trimmed().isEmpty())
        throw EDBEngineError("Cannot connect database " + Quoted(DatabaseName) + ": the alias name is empty");
    connection_ = std::make_unique<OdbcConnection>(AliasName.toStdString(),
                                                   ParamValue(Params, QLatin1String(UserNameParam)).toStdString(),
                                                   ParamValue(Params, QLatin1String(PasswordParam)).toStdString());

    if (AfterConnect)
        AfterConnect(this);
}

void TDatabase::Close() {
    connection_.reset();
}

bool TDatabase::Connected() const {
    return connection_ != nullptr;
}

void TDatabase::ExecuteDirect(const QString& statement) {
    if (!connection_)
        throw EDBEngineError("Database " + Quoted(DatabaseName) + " is not open");
    connection_->ExecuteDirect(statement.toStdString());
}

int TDatabase::OpenConnectionCount() {
    return liveConnections;
}

int TDatabase::OpenStatementCount() {
    return liveStatements;
}

TDatabase* FindDatabase(const QString& sessionName, const QString& databaseName) {
    TDatabase* found = nullptr;
    for (TDatabase* database : KnownDatabases()) {
        if (SameName(database->SessionName, sessionName) && SameName(database->DatabaseName, databaseName)) {
            if (database->Connected())
                return database;
            if (!found)
                found = database;
        }
    }
    return found;
}

TQuery::TQuery(QObject* parent) : TComponent(parent) {}

void TQuery::ExecSQL() {
    QString statement;
    for (const QString& line : SQL)
        statement += line + QStringLiteral("\r\n");
    // A blank text would pass as a statement that did nothing.
    if (statement.trimmed().isEmpty())
        throw EDBEngineError("No SQL statement available");

    TDatabase* database = FindDatabase(SessionName, DatabaseName);
    if (!database)
        throw EDBEngineError("Unknown database " + Quoted(DatabaseName) + " in session " + Quoted(SessionName));
    database->ExecuteDirect(statement);
}

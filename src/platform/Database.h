// The database component and the query component over ODBC, and the session
// "Default" in which queries find their database by name.
#pragma once

#include "platform/Application.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

using TNotifyEvent = std::function<void(QObject* sender)>;

class OdbcConnection; // the ODBC environment and connection handles, owned by TDatabase

class TDatabase : public TComponent {
public:
    explicit TDatabase(QObject* parent = nullptr);
    ~TDatabase() override; // closes the connection

    // The names of the two lines of Params that give the login.
    static constexpr const char* UserNameParam = "USER NAME";
    static constexpr const char* PasswordParam = "PASSWORD";
    // A line of Params.
    static QString Param(const char* name, const QString& value) { return QLatin1String(name) + u'=' + value; }

    // Stored settings. Params are lines NAME=VALUE.
    QString AliasName;    // the ODBC data source
    QString DatabaseName; // the name queries refer to
    QString SessionName = QStringLiteral("Default");
    bool LoginPrompt = true;
    QStringList Params;
    TNotifyEvent BeforeConnect;
    TNotifyEvent AfterConnect;

    // Stored as connected: opened by Loaded, once every stored setting is in place.
    void SetStreamedConnected(bool connected) { streamedConnected_ = connected; }
    void Loaded() override;

    // How long the engine connect may wait for the server, the usual default of database drivers on Windows.
    static constexpr unsigned LoginTimeoutSeconds = 15;

    // Before-connect handler, engine connect, after-connect handler; nothing if already open.
    // An exception ends the sequence where it is raised: from the before-connect handler or the
    // engine connect it leaves the database closed, from the after-connect handler open.
    // Raises EDBEngineError when the engine cannot connect. No login dialog is ever shown.
    void Open();
    void Close();
    bool Connected() const;

    // Runs one statement without a result set in autocommit. Raises EDBEngineError with the
    // distinct diagnostic texts, one per line.
    void ExecuteDirect(const QString& statement);

    // Live ODBC connection and statement handles of the process, for checking that nothing is
    // opened twice or left behind.
    static int OpenConnectionCount();
    static int OpenStatementCount();

private:
    bool streamedConnected_ = false;
    std::unique_ptr<OdbcConnection> connection_;
};

// The database known in a session by the given database name (names compare case-insensitively),
// open or not; the open one if there are several; null if there is none.
TDatabase* FindDatabase(const QString& sessionName, const QString& databaseName);

class TQuery : public TComponent {
public:
    explicit TQuery(QObject* parent = nullptr);

    QString DatabaseName;
    QString SessionName = QStringLiteral("Default");
    QStringList SQL; // the statement, one entry per line

    // Sends the lines, each followed by CR LF, as one statement over the database named
    // DatabaseName; expects no result set. The query is closed afterwards, whatever happens.
    // Raises EDBEngineError when the database is unknown or closed, or the statement fails.
    void ExecSQL();
    // The query never keeps a result set, so there is nothing to close.
    void Close() {}
};

// The database component and the query component over ODBC, and the session
// "Default" in which queries find their database by name.
#pragma once

#include "Application.h"

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

    // Stored settings. Params are lines NAME=VALUE; "USER NAME" and "PASSWORD" give the login.
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

    // Before-connect handler, engine connect, after-connect handler; nothing if already open.
    // Raises EDBEngineError when the engine cannot connect.
    void Open();
    void Close();
    bool Connected() const;

    // Runs one statement without a result set in autocommit. Raises EDBEngineError with the
    // distinct diagnostic texts, one per line.
    void ExecuteDirect(const QString& statement);

    // Live ODBC connections of the process, for checking that nothing is opened twice or left open.
    static int OpenConnectionCount();

private:
    bool streamedConnected_ = false;
    std::unique_ptr<OdbcConnection> connection_;
};

// The open database of a session with the given database name, or null.
TDatabase* FindDatabase(const QString& sessionName, const QString& databaseName);

class TQuery : public TComponent {
public:
    explicit TQuery(QObject* parent = nullptr);

    QString DatabaseName;
    QString SessionName = QStringLiteral("Default");
    QStringList SQL; // the statement, one entry per line

    // Sends the lines, each followed by CR LF, as one statement over the database named
    // DatabaseName; expects no result set. The query is closed afterwards, whatever happens.
    void ExecSQL();
    void Close();
};

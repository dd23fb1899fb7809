// A private ODBC set-up for one test executable, and the library database on SQLite, reached
// through the SQLite C API so that the fixture does not depend on the code under test.
//
// CTest points ODBCSYSINI at a folder of the test's own and ODBCINI at odbc.ini in it. unixODBC
// reads both files once, at the process's first ODBC call: register every driver and data source
// and call WriteOdbcIni before the code under test touches ODBC. A data source added later is not
// seen by that process.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class LibraryFixture {
public:
    // Takes the folder from ODBCSYSINI and registers the SQLite driver. Throws when ODBCSYSINI is
    // unset or ODBCINI does not name odbc.ini in it, so that no test writes the machine's own set-up.
    LibraryFixture();

    static inline const QString SqliteDriver = QStringLiteral("SQLite3");

    QString Folder() const { return folder_; }
    // The hive file that holds this test's machine-wide record (HKEY_LOCAL_MACHINE); the fixture
    // points the registry accessor at it and removes what an earlier run left there.
    QString HivePath() const;
    // The absolute path of a file in the folder.
    QString Path(const QString& fileName) const;

    void AddDriver(const QString& name, const QString& library);
    // A data source whose Database= is the SQLite file databaseFile (relative to the folder or absolute).
    // Returns the file's absolute path.
    QString AddDataSource(const QString& name, const QString& databaseFile, const QString& driver = SqliteDriver);
    // Writes odbcinst.ini and odbc.ini with everything registered so far.
    void WriteOdbcIni() const;

    // A fresh library database (schema from demo/library-sqlite.sql), with the sample rows of
    // demo/library-rows.sql when withRows. An existing file is replaced.
    static void CreateLibrary(const QString& databaseFile, bool withRows = true);
    // Runs SQL text (one or more statements) on the file.
    static void Execute(const QString& databaseFile, const QString& sql);
    // The rows of a query, every column as text; NULL comes back as Null.
    static QList<QStringList> Rows(const QString& databaseFile, const QString& query);
    static inline const QString Null = QStringLiteral("<NULL>");
    // The first column of every row of a query.
    static QStringList Column(const QString& databaseFile, const QString& query);

    // From now on every UPDATE that sets column of table fails with message (a trigger that
    // raises ABORT); AllowUpdatesOf takes that back.
    static void FailUpdatesOf(const QString& databaseFile, const QString& table, const QString& column,
                              const QString& message);
    static void AllowUpdatesOf(const QString& databaseFile, const QString& table, const QString& column);

private:
    struct DataSource {
        QString name;
        QString driver;
        QString database;
    };

    QString folder_;
    QList<QPair<QString, QString>> drivers_;
    QList<DataSource> dataSources_;
};

#include "LibraryFixture.h"
#include "TestSettings.h"
#include "platform/HiveStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace {

[[noreturn]] void Fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

QByteArray ReadDemoFile(const char* name) {
    QFile file(QStringLiteral(REDATE_DEMO_DIR "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        Fail(QStringLiteral("cannot read %1").arg(file.fileName()));
    return file.readAll();
}

void WriteFile(const QString& path, const QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0)
        Fail(QStringLiteral("cannot write %1").arg(path));
}

struct CloseDatabase {
    void operator()(sqlite3* database) const { sqlite3_close(database); }
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;

Database OpenDatabase(const QString& path) {
    sqlite3* handle = nullptr;
    const int rc =
        sqlite3_open_v2(path.toUtf8().constData(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    Database database(handle);
    if (rc != SQLITE_OK)
        Fail(QStringLiteral("cannot open %1: %2").arg(path, QString::fromUtf8(sqlite3_errmsg(handle))));
    // The ODBC driver may hold the file for a moment; wait rather than fail.
    sqlite3_busy_timeout(handle, 5000);
    return database;
}

void ExecuteOn(sqlite3* database, const QByteArray& sql) {
    char* error = nullptr;
    if (sqlite3_exec(database, sql.constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : sqlite3_errmsg(database));
        sqlite3_free(error);
        Fail(QStringLiteral("SQL failed: %1\n%2").arg(message, QString::fromUtf8(sql)));
    }
}

QString TriggerName(const QString& table, const QString& column) {
    return QStringLiteral("fixture_fail_%1_%2").arg(table, column);
}

} // namespace

LibraryFixture::LibraryFixture() {
    const QString sysIni = qEnvironmentVariable("ODBCSYSINI");
    const QString userIni = qEnvironmentVariable("ODBCINI");
    if (sysIni.isEmpty() || QFileInfo(userIni) != QFileInfo(QDir(sysIni).filePath(QStringLiteral("odbc.ini"))))
        Fail(QStringLiteral("ODBCSYSINI must name the test's own folder and ODBCINI odbc.ini in it "
                            "(ODBCSYSINI=%1, ODBCINI=%2)")
                 .arg(sysIni, userIni));
    folder_ = QDir(sysIni).absolutePath();
    if (!QDir().mkpath(folder_))
        Fail(QStringLiteral("cannot create %1").arg(folder_));
    AddDriver(SqliteDriver, QStringLiteral(REDATE_SQLITE_ODBC_DRIVER));
    // The machine-wide record of this test lives in its folder, and starts absent.
    QFile::remove(HivePath());
    SetHiveFilePath(HivePath().toStdString());
}

QString LibraryFixture::HivePath() const {
    return Path(QStringLiteral("HKLM.reg"));
}

void LibraryFixture::WriteHive(const QByteArray& bytes) const {
    QFile file(HivePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        Fail(QStringLiteral("cannot write %1").arg(HivePath()));
}

QByteArray LibraryFixture::Record(const QByteArray& alias, const QByteArray& user, const QByteArray& password) {
    return "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmere\\Lib]\r\n\"ODBCNAME\"=\"" + alias +
           "\"\r\n\"USERNAME\"=\"" + user + "\"\r\n\"PASSWORD\"=\"" + password + "\"\r\n";
}

QString LibraryFixture::Path(const QString& fileName) const {
    return QDir(folder_).absoluteFilePath(fileName);
}

void LibraryFixture::AddDriver(const QString& name, const QString& library) {
    drivers_.append({name, library});
}

QString LibraryFixture::AddDataSource(const QString& name, const QString& databaseFile, const QString& driver) {
    const QString path = Path(databaseFile);
    dataSources_.append({name, driver, path});
    return path;
}

void LibraryFixture::WriteOdbcIni() const {
    QString drivers;
    for (const auto& [name, library] : drivers_)
        drivers += QStringLiteral("[%1]\nDriver=%2\n\n").arg(name, library);
    QString sources;
    for (const DataSource& source : dataSources_)
        sources += QStringLiteral("[%1]\nDriver=%2\nDatabase=%3\n\n").arg(source.name, source.driver, source.database);
    WriteFile(Path(QStringLiteral("odbcinst.ini")), drivers);
    WriteFile(Path(QStringLiteral("odbc.ini")), sources);
}

void LibraryFixture::CreateLibrary(const QString& databaseFile, bool withRows) {
    QFile::remove(databaseFile);
    QFile::remove(databaseFile + QStringLiteral("-journal"));
    const Database database = OpenDatabase(databaseFile);
    ExecuteOn(database.get(), ReadDemoFile("library-sqlite.sql"));
    if (withRows)
        ExecuteOn(database.get(), ReadDemoFile("library-rows.sql"));
}

void LibraryFixture::Execute(const QString& databaseFile, const QString& sql) {
    ExecuteOn(OpenDatabase(databaseFile).get(), sql.toUtf8());
}

QList<QStringList> LibraryFixture::Rows(const QString& databaseFile, const QString& query) {
    const Database database = OpenDatabase(databaseFile);
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(database.get(), query.toUtf8().constData(), -1, &raw, nullptr) != SQLITE_OK)
        Fail(QStringLiteral("cannot prepare %1: %2").arg(query, QString::fromUtf8(sqlite3_errmsg(database.get()))));
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);

    QList<QStringList> rows;
    int rc;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        QStringList row;
        for (int column = 0; column < sqlite3_column_count(raw); ++column) {
            if (sqlite3_column_type(raw, column) == SQLITE_NULL)
                row.append(Null);
            else
                row.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, column)),
                                             sqlite3_column_bytes(raw, column)));
        }
        rows.append(row);
    }
    if (rc != SQLITE_DONE)
        Fail(QStringLiteral("cannot read %1: %2").arg(query, QString::fromUtf8(sqlite3_errmsg(database.get()))));
    return rows;
}

QStringList LibraryFixture::Column(const QString& databaseFile, const QString& query) {
    QStringList values;
    for (const QStringList& row : Rows(databaseFile, query))
        values.append(row.value(0));
    return values;
}

void LibraryFixture::FailUpdatesOf(const QString& databaseFile, const QString& table, const QString& column,
                                   const QString& message) {
    QString quotedMessage = message;
    quotedMessage.replace(QLatin1Char('\''), QStringLiteral("''"));
    Execute(databaseFile, QStringLiteral("CREATE TRIGGER %1 BEFORE UPDATE OF %3 ON %2 "
                                         "BEGIN SELECT RAISE(ABORT, '%4'); END;")
                              .arg(TriggerName(table, column), table, column, quotedMessage));
}

void LibraryFixture::AllowUpdatesOf(const QString& databaseFile, const QString& table, const QString& column) {
    Execute(databaseFile, QStringLiteral("DROP TRIGGER IF EXISTS %1;").arg(TriggerName(table, column)));
}

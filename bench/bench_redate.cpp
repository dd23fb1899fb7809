// What the program costs, measured from outside the event loop's point of view:
//   bench_redate startup   the program's start-up until the date-repair dialog is on the screen
//   bench_redate baseline  the least a program can do for the same: open the data source LibODBC
//                          with the same login and show an empty Qt dialog
//   bench_redate baseline-text  the same dialog with one label of Chinese text in the program's font
//   bench_redate baseline-fontdb  the empty dialog once the system's font list is read (fontconfig's
//                          set-up): what any program that draws a text pays, whatever its font
//   bench_redate repair    start-up, then one update run through the dialog, answered Yes
//   bench_redate statements DAY  prints the dialog's four statements for DAY, one a line, for isql
// Each prints one line "<ms> <peak resident KiB>": for startup and baseline the milliseconds since
// REDATE_BENCH_T0 (nanoseconds of the real-time clock, taken by the caller just before starting
// this process), for repair the milliseconds of the update run alone.
#include "Redate.h"
#include "frmRedateMain.h"
#include "platform/Application.h"

#include <QApplication>
#include <QDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QTimer>

#include <sql.h>
#include <sqlext.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

double MillisecondsSince(long long ns) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return (std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() - ns) / 1e6;
}
long long Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}
long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Runs then once window is on the screen, from the event loop.
void WhenShown(const std::function<QWidget*()>& window, const std::function<void()>& then) {
    auto* poll = new QTimer;
    poll->setInterval(1);
    QObject::connect(poll, &QTimer::timeout, [=] {
        QWidget* w = window();
        if (!w || !w->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        then();
    });
    poll->start();
}

enum class Extra { None, ChineseText, FontList };

int Baseline(long long t0, Extra extra) {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    char dsn[] = "LibODBC", user[] = "sa", password[] = "";
    if (!SQL_SUCCEEDED(SQLConnect(dbc, reinterpret_cast<SQLCHAR*>(dsn), SQL_NTS, reinterpret_cast<SQLCHAR*>(user),
                                  SQL_NTS, reinterpret_cast<SQLCHAR*>(password), SQL_NTS))) {
        std::fprintf(stderr, "baseline: cannot connect to LibODBC\n");
        return 1;
    }
    QDialog dialog;
    dialog.resize(427, 102);
    if (extra == Extra::FontList)
        QFontDatabase::families();
    if (extra == Extra::ChineseText) {
        // The same with one line of the program's own text in its font: the Chinese font's cost.
        QFont font(QStringLiteral("宋体"));
        font.setPixelSize(12);
        dialog.setFont(font);
        new QLabel(QStringLiteral("修改日期为1900年前的编目、条码数据"), &dialog);
    }
    dialog.show();
    WhenShown([&] { return &dialog; },
              [&] {
                  std::printf("%.1f %ld\n", MillisecondsSince(t0), PeakKiB());
                  dialog.close();
                  QApplication::quit();
              });
    const int rc = QApplication::exec();
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return rc;
}

int Program(long long t0, bool repair) {
    bool failed = false;
    WhenShown([] { return RedateMain; },
              [&] {
                  if (repair) {
                      MessageBoxSeam::Script({IDYES, IDOK});
                      RedateMain->cbBackup->click();
                      const long long start = Now();
                      RedateMain->btMod->click();
                      const double ms = MillisecondsSince(start);
                      const auto& log = MessageBoxSeam::Log();
                      failed = log.size() != 2 || log.back().text != QStringLiteral("处理完成！");
                      if (failed)
                          std::fprintf(stderr, "repair: %s\n", log.empty() ? "no box" : qPrintable(log.back().text));
                      std::printf("%.1f %ld\n", ms, PeakKiB());
                  } else {
                      std::printf("%.1f %ld\n", MillisecondsSince(t0), PeakKiB());
                  }
                  RedateMain->close();
              });
    const int rc = Redate();
    return failed ? 1 : rc;
}

} // namespace

int main(int argc, char** argv) {
    const char* t0 = std::getenv("REDATE_BENCH_T0");
    const char* mode = argc > 1 ? argv[1] : "";
    const long long start = t0 ? std::atoll(t0) : Now();
    if (!std::strcmp(mode, "statements") && argc == 3) {
        for (const QStringList& statement : DateRepairStatements(QString::fromUtf8(argv[2])))
            std::printf("%s\n", qPrintable(statement.join(QLatin1Char(' '))));
        return 0;
    }
    // Both the program and the baseline pay for the Qt application object here.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    if (!std::strcmp(mode, "baseline"))
        return Baseline(start, Extra::None);
    if (!std::strcmp(mode, "baseline-text"))
        return Baseline(start, Extra::ChineseText);
    if (!std::strcmp(mode, "baseline-fontdb"))
        return Baseline(start, Extra::FontList);
    if (!std::strcmp(mode, "startup") || !std::strcmp(mode, "repair"))
        return Program(start, !std::strcmp(mode, "repair"));
    std::fprintf(stderr, "usage: %s startup|baseline|baseline-text|baseline-fontdb|repair|statements DAY\n", argv[0]);
    return 2;
}

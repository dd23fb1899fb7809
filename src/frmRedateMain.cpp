// The date-repair dialog: the picked day, the backup confirmation, and the four updates.
#include "frmRedateMain.h"

#include <QLocale>
#include <QRegularExpression>

TRedateMain* RedateMain = nullptr;

namespace {
// The system's short date format (the Chinese one where the system has none of its own), always
// with a four-digit year: a two-digit year field could turn a typed 03 into 1903, the very kind
// of date this program repairs.
QString ShortDateFormat() {
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::Chinese, QLocale::China);
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QRegularExpression(QStringLiteral("y+")), QStringLiteral("yyyy"));
    return format;
}

// One update per date column; the cut-off day is part of the text, the day chosen is quoted in.
struct DateColumn {
    const char* table;
    const char* column;
    bool skipsMarkNine;
};
constexpr DateColumn Columns[] = {
    {"lib_bianma", "bm_date", false},
    {"lib_tiaoma", "tm_logdate", false},
    {"lib_tiaoma", "tm_initdate", false},
    {"lib_tiaoma", "tm_yydate", true},
};
} // namespace

QList<QStringList> DateRepairStatements(const QString& day) {
    QList<QStringList> statements;
    for (const DateColumn& c : Columns) {
        const QString column = QLatin1String(c.column);
        QStringList lines = {QStringLiteral("update %1 set").arg(QLatin1String(c.table)),
                             QStringLiteral("    %1='%2'").arg(column, day),
                             QStringLiteral("where %1<='1900-01-01'").arg(column)};
        if (c.skipsMarkNine)
            lines.append(QStringLiteral("  and tm_mark<>'9'"));
        statements.append(lines);
    }
    return statements;
}

TRedateMain::TRedateMain() {
    setupUi(this);
    Position = TPosition::ScreenCenter;
    dtBegin->setDisplayFormat(ShortDateFormat());
    qrTmp = Own(new TQuery);
    qrTmp->DatabaseName = QStringLiteral("LibDB");
    connect(cbBackup, &QCheckBox::toggled, this, Handler(this, &TRedateMain::cbBackupClick));
    connect(btMod, &QPushButton::clicked, this, Handler(this, &TRedateMain::btModClick));
    connect(btExit, &QPushButton::clicked, this, Handler(this, &TRedateMain::btExitClick));
}

void TRedateMain::cbBackupClick() {
    btMod->setEnabled(cbBackup->isChecked());
}

void TRedateMain::btModClick() {
    if (Application.MessageBox(QStringLiteral("您真的需要修改这些记录吗？"), QStringLiteral("提示信息"),
                               MB_YESNO | MB_DEFBUTTON2) != IDYES)
        return;
    const QString day = dtBegin->date().toString(QStringLiteral("yyyy-MM-dd"));
    {
        // A run over a large table can take minutes; the frozen window must not look hung.
        TWaitCursor wait;
        for (const QStringList& statement : DateRepairStatements(day)) {
            qrTmp->SQL.clear();
            for (const QString& line : statement)
                qrTmp->SQL.append(line);
            qrTmp->ExecSQL();
            qrTmp->Close();
        }
    }
    Application.MessageBox(QStringLiteral("处理完成！"), QStringLiteral("提示信息"), MB_OK | MB_ICONINFORMATION);
}

void TRedateMain::btExitClick() {
    close();
}

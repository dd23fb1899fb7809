// What `cmake --install` puts where, and the Debian package made of the same tree. Both run from the
// build tree into scratch folders under a umask of 077, so a mode that depends on the umask shows.
#include "TestSettings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <sys/stat.h>

namespace {
struct Installed {
    QString path; // relative to the root, no leading slash
    unsigned mode;
    bool folder;
    int iconSize; // 0 for anything but an icon
};

QString HiveFolder() {
    return QStringLiteral(REDATE_HIVE_FOLDER).mid(1);
}

const QList<int> IconSizes = {16, 24, 32, 48, 64, 128, 256};

// Everything the install and the package hold, folders only where they are ours alone.
QList<Installed> Expected() {
    QList<Installed> expected = {
        {QStringLiteral("usr/bin/Redate"), 0755, false, 0},
        {QStringLiteral("usr/share/applications/redate.desktop"), 0644, false, 0},
        {QStringLiteral("usr/share/man/man1/Redate.1.gz"), 0644, false, 0},
        {QStringLiteral("usr/share/metainfo/invalid.redate.Redate.metainfo.xml"), 0644, false, 0},
        {QStringLiteral("usr/share/doc/redate/copyright"), 0644, false, 0},
        {QStringLiteral("usr/share/doc/redate/changelog.Debian.gz"), 0644, false, 0},
        {QStringLiteral("usr/share/lintian/overrides/redate"), 0644, false, 0},
        {HiveFolder(), 0755, true, 0},
    };
    for (int size : IconSizes)
        expected.append({QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/redate.png").arg(size), 0644, false, size});
    return expected;
}

struct Run {
    int exitCode;
    QString out;
    QString errors; // standard error, when kept apart
};

// Runs a program; its standard error is kept apart when separateErrors, and left out of out.
Run Execute(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment = {},
            bool separateErrors = false) {
    QProcess process;
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    process.setChildProcessModifier([] { ::umask(077); });
    process.setProcessChannelMode(separateErrors ? QProcess::SeparateChannels : QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(300000))
        return {-1, program + QStringLiteral(" did not finish"), {}};
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const QString errors = separateErrors ? QString::fromUtf8(process.readAllStandardError()) : QString();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, out, errors};
}

QString Tool(const char* name, const char* package) {
    const QString path = QStandardPaths::findExecutable(QLatin1String(name));
    if (path.isEmpty())
        qWarning("%s is missing (Debian %s)", name, package);
    return path;
}

unsigned Mode(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0xFFFF;
}

// The files of a tree, and its folders that hold nothing, relative to the root.
QStringList Leaves(const QString& root) {
    QStringList leaves;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        if (!entry.isDir() || QDir(entry.filePath()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
            leaves << QDir(root).relativeFilePath(entry.filePath());
    }
    leaves.sort();
    return leaves;
}

QStringList ExpectedLeaves() {
    QStringList leaves;
    for (const Installed& item : Expected())
        leaves << item.path;
    leaves.sort();
    return leaves;
}

// "a (>= 1), b | c" -> {"a", "b", "c"}
QStringList PackageNames(const QString& relation) {
    QStringList names;
    for (const QString& alternative : relation.split(QRegularExpression(QStringLiteral("[,|]")), Qt::SkipEmptyParts))
        names << alternative.trimmed().section(QLatin1Char(' '), 0, 0);
    return names;
}
} // namespace

class TestInstall : public QObject {
    Q_OBJECT

    QTemporaryDir root_;
    QTemporaryDir packageDir_;
    QString deb_;

private slots:
    void initTestCase() {
        QVERIFY(root_.isValid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DESTDIR"), root_.path());
        const Run install = Execute(QStringLiteral(REDATE_CMAKE_COMMAND),
                                    {QStringLiteral("--install"), QStringLiteral(REDATE_BUILD_DIR),
                                     QStringLiteral("--prefix"), QStringLiteral("/usr")},
                                    environment);
        QVERIFY2(install.exitCode == 0, qPrintable(install.out));
    }

    void installed_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<unsigned>("mode");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<int>("iconSize");
        for (const Installed& item : Expected())
            QTest::newRow(qPrintable(item.path)) << item.path << item.mode << item.folder << item.iconSize;
    }

    void installed() {
        QFETCH(QString, path);
        QFETCH(unsigned, mode);
        QFETCH(bool, folder);
        QFETCH(int, iconSize);
        const QFileInfo info(root_.filePath(path));
        QVERIFY2(info.exists(), qPrintable(path + QStringLiteral(" was not installed")));
        QCOMPARE(info.isDir(), folder);
        QCOMPARE(QString::number(Mode(info.filePath()), 8), QString::number(mode, 8));
        if (iconSize) {
            const QImage icon(info.filePath());
            QVERIFY(!icon.isNull());
            QCOMPARE(icon.size(), QSize(iconSize, iconSize));
        }
    }

    // Nothing more: in particular no hive file, which only the program's first save makes.
    void nothingElseInstalled() { QCOMPARE(Leaves(root_.path()), ExpectedLeaves()); }

    void desktopEntry() {
        const QString file = root_.filePath(QStringLiteral("usr/share/applications/redate.desktop"));
        const QString validator = Tool("desktop-file-validate", "desktop-file-utils");
        QVERIFY(!validator.isEmpty());
        const Run validate = Execute(validator, {file});
        QVERIFY2(validate.exitCode == 0 && validate.out.trimmed().isEmpty(), qPrintable(validate.out));

        QFile entry(file);
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QMap<QString, QString> keys;
        for (const QString& line : QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n')))
            if (line.contains(QLatin1Char('=')))
                keys.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
        QCOMPARE(keys.value(QStringLiteral("Type")), QStringLiteral("Application"));
        QCOMPARE(keys.value(QStringLiteral("Name")), QStringLiteral("修改日期为1900年前的编目、条码数据"));
        // The command and the icon are the ones installed beside it.
        const QString command = keys.value(QStringLiteral("Exec")).section(QLatin1Char(' '), 0, 0);
        QVERIFY(QFileInfo::exists(root_.filePath(QStringLiteral("usr/bin/") + command)));
        const QString icon = keys.value(QStringLiteral("Icon"));
        for (int size : IconSizes)
            QVERIFY(QFileInfo::exists(
                root_.filePath(QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(icon))));
    }

    // Software centres list the program from its AppStream file: valid, launching the installed desktop
    // entry, every screenshot with a caption.
    void appStreamMetadata() {
        const QString file = root_.filePath(QStringLiteral("usr/share/metainfo/invalid.redate.Redate.metainfo.xml"));
        const QString validator = Tool("appstreamcli", "appstream");
        QVERIFY(!validator.isEmpty());
        // --no-net: the web addresses are the distributor's to set; this checks the file.
        const Run validate = Execute(validator, {QStringLiteral("validate"), QStringLiteral("--no-net"), file});
        qInfo("appstreamcli validate: %s", qPrintable(validate.out.trimmed()));
        QVERIFY2(validate.exitCode == 0, qPrintable(validate.out));

        QFile metainfo(file);
        QVERIFY(metainfo.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&metainfo);
        QString id, launchable;
        int screenshots = 0, captions = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            const auto name = xml.name();
            if (name == QLatin1String("id"))
                id = xml.readElementText();
            else if (name == QLatin1String("launchable"))
                launchable = xml.readElementText();
            else if (name == QLatin1String("screenshot"))
                ++screenshots;
            else if (name == QLatin1String("caption") && !xml.readElementText().trimmed().isEmpty())
                ++captions;
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(QFileInfo(file).fileName(), id + QStringLiteral(".metainfo.xml"));
        QVERIFY(QFileInfo::exists(root_.filePath(QStringLiteral("usr/share/applications/") + launchable)));
        QVERIFY(screenshots > 0);
        QCOMPARE(captions, screenshots);
    }

    void debianPackage() {
        QVERIFY(packageDir_.isValid());
        const Run pack =
            Execute(QStringLiteral(REDATE_CPACK_COMMAND),
                    {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                     QStringLiteral(REDATE_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"), packageDir_.path()});
        QVERIFY2(pack.exitCode == 0, qPrintable(pack.out));
        const QStringList debs = QDir(packageDir_.path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        deb_ = packageDir_.filePath(debs.first());

        const Run fields =
            Execute(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb_, QStringLiteral("Package"),
                                                 QStringLiteral("Depends"), QStringLiteral("Recommends")});
        QCOMPARE(fields.exitCode, 0);
        QMap<QString, QString> control;
        for (const QString& line : fields.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            control.insert(line.section(QStringLiteral(": "), 0, 0), line.section(QStringLiteral(": "), 1));
        QCOMPARE(control.value(QStringLiteral("Package")), QStringLiteral("redate"));
        const QStringList depends = PackageNames(control.value(QStringLiteral("Depends")));
        // libodbc2 comes from dpkg-shlibdeps: the program links the driver manager.
        for (const char* needed :
             {"libqt6widgets6", "libodbc2", "unixodbc", "fonts-arphic-uming", "qt6-translations-l10n"})
            QVERIFY2(
                depends.contains(QLatin1String(needed)),
                qPrintable(QStringLiteral("%1 missing from %2").arg(needed, control.value(QStringLiteral("Depends")))));
        // A driver for each engine the libraries run: SQLite, PostgreSQL, MariaDB, SQL Server (FreeTDS).
        const QStringList recommends = PackageNames(control.value(QStringLiteral("Recommends")));
        for (const char* driver : {"libsqliteodbc", "odbc-postgresql", "odbc-mariadb", "tdsodbc"})
            QVERIFY2(recommends.contains(QLatin1String(driver)), driver);

        // Every name is a package Debian knows, so apt can satisfy it.
        QStringList all = depends + recommends;
        all.removeDuplicates();
        const Run known = Execute(QStringLiteral("apt-cache"), QStringList{QStringLiteral("show")} + all);
        QVERIFY2(known.exitCode == 0, qPrintable(known.out));
    }

    // The package holds the installed tree, owned by root, every folder 0755.
    void debianPackageContents() {
        QVERIFY2(!deb_.isEmpty(), "debianPackage made no package");
        const Run list = Execute(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), deb_});
        QCOMPARE(list.exitCode, 0);
        QMap<QString, QString> modes; // path -> "drwxr-xr-x root/root"
        QStringList folders;
        for (const QString& line : list.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            QVERIFY2(parts.size() >= 6, qPrintable(line));
            QString path = parts.last().mid(2); // "./usr/bin/Redate"
            if (path.endsWith(QLatin1Char('/')))
                path.chop(1);
            if (path.isEmpty())
                continue;
            QCOMPARE(parts.at(1), QStringLiteral("root/root"));
            modes.insert(path, parts.at(0));
        }
        QStringList leaves;
        for (auto it = modes.cbegin(); it != modes.cend(); ++it) {
            // In sorted order, a folder's first child comes right after "folder/".
            const auto next = modes.lowerBound(it.key() + QLatin1Char('/'));
            const bool hasChildren = next != modes.cend() && next.key().startsWith(it.key() + QLatin1Char('/'));
            if (it.value().startsWith(QLatin1Char('d')))
                QVERIFY2(it.value() == QStringLiteral("drwxr-xr-x"),
                         qPrintable(it.key() + QLatin1Char(' ') + it.value()));
            if (!hasChildren)
                leaves << it.key();
        }
        leaves.sort();
        QCOMPARE(leaves, ExpectedLeaves());
        for (const Installed& item : Expected())
            if (!item.folder)
                QCOMPARE(modes.value(item.path), QLatin1String(item.mode == 0755 ? "-rwxr-xr-x" : "-rw-r--r--"));
    }

    // Debian's checks find nothing to say about the package, not even a warning. Its one override (no
    // bug to close for a package outside Debian's archive) is shipped in it.
    void lintianClean() {
        QVERIFY2(!deb_.isEmpty(), "debianPackage made no package");
        const QString lintian = Tool("lintian", "lintian");
        QVERIFY(!lintian.isEmpty());
        // Standard error carries only lintian's remark about running as root.
        const Run check = Execute(lintian, {deb_}, {}, true);
        qInfo("lintian: %s", qPrintable(check.out.trimmed()));
        QVERIFY2(check.exitCode == 0 && check.out.trimmed().isEmpty(), qPrintable(check.out + check.errors));
    }
};

QTEST_MAIN(TestInstall)
#include "test_install.moc"

// The forms' font: 宋体 answered by the subset compiled into the program, with the same pixels as the
// installed font it was cut from, and the installed font behind it for what an operator types.
#include "platform/Fonts.h"
#include "ui_frmDbPara.h"
#include "ui_frmFlash.h"
#include "ui_frmRedateMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGlyphRun>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRawFont>
#include <QRegularExpression>
#include <QTest>
#include <QTextLayout>

#include <memory>

namespace {
const QString Subset = QStringLiteral("AR PL UMing CN Redate");
const QString FullFont = QStringLiteral("AR PL UMing CN");

QFont Font(const QString& family, int pixels) {
    QFont font(family);
    font.setPixelSize(pixels);
    return font;
}

// Every text the three windows show, as their stored layouts hold them.
QString WindowTexts() {
    QString texts;
    std::vector<std::unique_ptr<QWidget>> windows;
    auto collect = [&](auto ui) {
        windows.push_back(std::make_unique<QWidget>());
        ui.setupUi(windows.back().get());
        texts += windows.back()->windowTitle();
        for (const auto* label : windows.back()->findChildren<QLabel*>())
            texts += label->text();
        for (const auto* button : windows.back()->findChildren<QAbstractButton*>())
            texts += button->text();
        for (const auto* edit : windows.back()->findChildren<QLineEdit*>())
            texts += edit->text();
    };
    collect(Ui_TFlash());
    collect(Ui_TRedateMain());
    collect(Ui_TDbPara());
    texts += QStringLiteral("修改日期为1900年前的编目、条码数据 2003/6/10");
    texts.remove(QRegularExpression(QStringLiteral("\\s|&")));
    return texts;
}

QImage Drawn(const QFont& font, const QString& text) {
    QImage image(QFontMetrics(font).horizontalAdvance(text) + 8, 24, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.drawText(4, 18, text);
    return image;
}
} // namespace

class TestFonts : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallSongFont(); }

    // Told apart by their glyph count ('maxp'): the subset holds a few hundred of the font's glyphs.
    void formsFontIsTheSubset() {
        const QByteArray forms = QRawFont::fromFont(Font(QStringLiteral("宋体"), 12)).fontTable("maxp");
        QVERIFY(!forms.isEmpty());
        QCOMPARE(forms, QRawFont::fromFont(Font(Subset, 12)).fontTable("maxp"));
        QVERIFY(forms != QRawFont::fromFont(Font(FullFont, 12)).fontTable("maxp"));
    }

    void subsetHoldsEveryTextOfTheWindows() {
        const QRawFont subset = QRawFont::fromFont(Font(Subset, 12));
        QString missing;
        for (const QChar c : WindowTexts())
            if (!subset.supportsCharacter(c) && !missing.contains(c))
                missing += c;
        QCOMPARE(missing, QString());
    }

    void subsetDrawsTheInstalledFontsPixels_data() {
        QTest::addColumn<int>("pixels");
        QTest::newRow("12 px, the dialogs") << 12;
        QTest::newRow("15 px, the splash and the dialog's warning") << 15;
    }
    void subsetDrawsTheInstalledFontsPixels() {
        QFETCH(int, pixels);
        const QString texts = WindowTexts();
        for (qsizetype at = 0; at < texts.size(); at += 20) {
            const QString piece = texts.mid(at, 20);
            QVERIFY2(Drawn(Font(Subset, pixels), piece) == Drawn(Font(FullFont, pixels), piece), qPrintable(piece));
        }
    }

    // Beyond the program's texts: the installed font draws them as it did without the subset.
    void typedCharacterOutsideTheTextsFindsTheInstalledFont_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("traditional Han") << QStringLiteral("龍");
        QTest::newRow("Latin with accent") << QStringLiteral("é");
        QTest::newRow("Cyrillic") << QStringLiteral("Ж");
        QTest::newRow("kana") << QStringLiteral("あ");
    }
    void typedCharacterOutsideTheTextsFindsTheInstalledFont() {
        QFETCH(QString, typed);
        QTextLayout layout(typed, Font(QStringLiteral("宋体"), 12));
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        QCOMPARE(runs.size(), 1);
        QCOMPARE(runs.first().rawFont().familyName().toLower(), FullFont.toLower());
        QVERIFY(runs.first().glyphIndexes().value(0) != 0);
    }
};

QTEST_MAIN(TestFonts)
#include "test_fonts.moc"

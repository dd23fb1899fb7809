// The digit code of the stored user name and password, and the code page 936 boundary.
#include "DigitCases.h"
#include "platform/Cp936.h"

#include <QTest>

class TestDigits : public QObject {
    Q_OBJECT
private slots:
    void digits_data() {
        QTest::addColumn<int>("index");
        for (std::size_t i = 0; i < DigitCases.size(); ++i)
            QTest::newRow(DigitCases[i].name) << static_cast<int>(i);
    }
    void digits() {
        QFETCH(int, index);
        try {
            RunDigitCase(DigitCases[static_cast<std::size_t>(index)]);
        } catch (const CaseFailure& failure) {
            QFAIL(failure.what());
        }
    }
    void everyByte() {
        try {
            RunDigitRoundTrip();
        } catch (const CaseFailure& failure) {
            QFAIL(failure.what());
        }
    }

    void trim_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("trimmed");
        QTest::newRow("blanks and controls") << QByteArray(" \t\r\n abc \x01\x1F ") << QByteArray("abc");
        QTest::newRow("byte 0 is trimmed") << QByteArray("\0ab\0", 4) << QByteArray("ab");
        QTest::newRow("inside kept") << QByteArray(" a b ") << QByteArray("a b");
        QTest::newRow("only blanks") << QByteArray(" \t ") << QByteArray("");
        QTest::newRow("Chinese at both ends") << QByteArray(" \xD5\xC5x\xC8\xFD ") << QByteArray("\xD5\xC5x\xC8\xFD");
        QTest::newRow("byte 160 kept") << QByteArray("\xA0z\xA0") << QByteArray("\xA0z\xA0");
    }
    void trim() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, trimmed);
        QCOMPARE(QByteArray::fromStdString(TrimBytes(text.toStdString())), trimmed);
    }

    void cp936_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ASCII") << QStringLiteral("LibODBC") << QByteArray("LibODBC");
        QTest::newRow("张三 is 4 bytes") << QStringLiteral("张三") << QByteArray("\xD5\xC5\xC8\xFD");
        QTest::newRow("trail byte 0x5C") << QString(QChar(0x4E57)) << QByteArray("\x81\x5C");
    }
    void cp936() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(QByteArray::fromStdString(ToCp936(text)), bytes);
        QCOMPARE(FromCp936(bytes.toStdString()), text);
    }

    void cp936Refuses_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("umlaut") << QStringLiteral("aä")
                                << QStringLiteral("'ä' (U+00E4) cannot be represented in code page 936");
        QTest::newRow("emoji") << QStringLiteral("x😀")
                               << QStringLiteral("'😀' (U+1F600) cannot be represented in code page 936");
        QTest::newRow("katakana middle dot")
            << QStringLiteral("・") << QStringLiteral("'・' (U+30FB) cannot be represented in code page 936");
    }
    void cp936Refuses() {
        QFETCH(QString, text);
        QFETCH(QString, message);
        try {
            ToCp936(text);
            QFAIL("no error");
        } catch (const EConvertError& error) {
            QCOMPARE(QString::fromUtf8(error.what()), message);
        }
    }

    void cp936InvalidBytes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("lead byte at the end") << QByteArray("ab\x81");
        QTest::newRow("lead byte before ASCII control") << QByteArray("\x81\x0A");
    }
    void cp936InvalidBytes() {
        QFETCH(QByteArray, bytes);
        QVERIFY_THROWS_EXCEPTION(EConvertError, FromCp936(bytes.toStdString()));
    }

    // A Unicode export's UTF-16LE and code page 936: ASCII takes a shorter way than other text,
    // and both must give what the converter gives.
    void utf16Le_data() {
        QTest::addColumn<QByteArray>("utf16");
        QTest::addColumn<QByteArray>("cp936");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("ASCII with a zero") << QByteArray("a\0\0\0~\0", 6) << QByteArray("a\0~", 3);
        QTest::newRow("Chinese among ASCII") << QByteArray("a\0\x20\x5F\x09\x4E", 6) << QByteArray("a\xD5\xC5\xC8\xFD");
        QTest::newRow("trail byte 0x5C") << QByteArray("\x57\x4E") << QByteArray("\x81\x5C");
    }
    void utf16Le() {
        QFETCH(QByteArray, utf16);
        QFETCH(QByteArray, cp936);
        QCOMPARE(Utf16LeToCp936(utf16.toStdString()), std::optional(cp936.toStdString()));
        QCOMPARE(Cp936ToUtf16Le(cp936.toStdString()), std::optional(utf16.toStdString()));
    }

    // Each refusal is followed by a conversion that must succeed: the converters are reused, and an
    // error must not stay with them.
    void utf16LeRefuses_data() {
        QTest::addColumn<QByteArray>("utf16");
        QTest::addColumn<QByteArray>("cp936");
        QTest::newRow("odd length") << QByteArray("a\0b", 3) << QByteArray("ab\x81");
        QTest::newRow("lone surrogate") << QByteArray("\x3D\xD8") << QByteArray("\x81\x0A");
        QTest::newRow("emoji") << QByteArray("\x3D\xD8\x00\xDE") << QByteArray("\xD5");
        QTest::newRow("umlaut") << QByteArray("a\0\xE4\0", 4) << QByteArray("\x81\x7F");
    }
    void utf16LeRefuses() {
        QFETCH(QByteArray, utf16);
        QFETCH(QByteArray, cp936);
        QCOMPARE(Utf16LeToCp936(utf16.toStdString()), std::nullopt);
        QCOMPARE(Utf16LeToCp936("\x20\x5F"), std::optional<std::string>("\xD5\xC5"));
        QCOMPARE(Cp936ToUtf16Le(cp936.toStdString()), std::nullopt);
        QCOMPARE(Cp936ToUtf16Le("\xD5\xC5"), std::optional<std::string>("\x20\x5F"));
        QVERIFY_THROWS_EXCEPTION(EConvertError, ToCp936(QString::fromUtf8(QByteArray("\xF0\x9F\x98\x80"))));
        QCOMPARE(QByteArray::fromStdString(ToCp936(QStringLiteral("张三"))), QByteArray("\xD5\xC5\xC8\xFD"));
    }
};

QTEST_GUILESS_MAIN(TestDigits)
#include "test_digits.moc"

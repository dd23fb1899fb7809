// Run at configure time: the record's texts need Qt to convert code page 936 (GBK).
#include <QStringDecoder>
#include <QStringEncoder>

int main() {
    QStringEncoder encoder("GBK");
    QStringDecoder decoder("GBK");
    return encoder.isValid() && decoder.isValid() &&
                   QByteArray(encoder.encode(QStringLiteral("\u5F20"))) == QByteArray("\xD5\xC5")
               ? 0
               : 1;
}

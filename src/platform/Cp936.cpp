// Conversions between Qt's texts, UTF-16LE and code page 936, through ICU's GBK converter.
#include "platform/Cp936.h"

#include "platform/Exceptions.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace {
// Debian's Qt converts GBK through ICU only; encodingForName() does not know the name.
constexpr const char* CodecName = "GBK";

// Opening an ICU converter costs far more than a line's conversion: one of each per thread, reused.
template <typename Converter> class Reused : public Converter {
public:
    Reused() : Converter(CodecName, QStringConverter::Flag::Stateless) {}
    // Qt 6.4 resets an ICU converter's own state but leaves its error count standing.
    void Restart() {
        this->resetState();
        this->state.invalidChars = 0;
    }
};

Reused<QStringEncoder>& Encoder() {
    thread_local Reused<QStringEncoder> encoder;
    return encoder;
}

Reused<QStringDecoder>& Decoder() {
    thread_local Reused<QStringDecoder> decoder;
    return decoder;
}

QByteArray Encode(const QString& text, bool& ok) {
    auto& encoder = Encoder();
    encoder.Restart();
    QByteArray bytes = encoder.encode(text);
    ok = encoder.isValid() && !encoder.hasError();
    return bytes;
}

QString Decode(const QByteArray& bytes, bool& ok) {
    auto& decoder = Decoder();
    decoder.Restart();
    QString text = decoder.decode(bytes);
    ok = decoder.isValid() && !decoder.hasError();
    return text;
}

// ASCII is the same in code page 936, and a UTF-16 unit below 0x80 is that byte widened: most lines
// of an export need no converter at all.
bool IsAscii(const std::string& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsAscii(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

bool IsAsciiUtf16Le(const std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        if (static_cast<unsigned char>(bytes[i]) >= 0x80 || bytes[i + 1] != '\0')
            return false;
    }
    return true;
}

// What reads back unchanged, or nothing: a best-fit mapping would also change the text.
std::optional<std::string> EncodeExactly(const QString& text) {
    if (IsAscii(text))
        return text.toLatin1().toStdString();
    bool ok = false;
    const QByteArray bytes = Encode(text, ok);
    bool back = false;
    if (ok && Decode(bytes, back) == text && back)
        return bytes.toStdString();
    return std::nullopt;
}

std::optional<QString> DecodeExactly(const std::string& bytes) {
    if (IsAscii(bytes))
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const QByteArray data = QByteArray::fromStdString(bytes);
    bool ok = false;
    QString text = Decode(data, ok);
    bool back = false;
    // A lead byte at the very end leaves the decoder waiting without an error; the way back shows it.
    if (!ok || Encode(text, back) != data || !back)
        return std::nullopt;
    return text;
}
} // namespace

void CheckCp936Available() {
    if (!Encoder().isValid() || !Decoder().isValid())
        throw EConvertError("Code page 936 (GBK) conversion is not available in this Qt build");
}

std::string ToCp936(const QString& text) {
    CheckCp936Available();
    if (auto bytes = EncodeExactly(text))
        return std::move(*bytes);
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        if (!EncodeExactly(character))
            throw EConvertError(
                QStringLiteral("'%1' (U+%2) cannot be represented in code page 936")
                    .arg(character,
                         QString::number(character.toUcs4().value(0), 16).toUpper().rightJustified(4, QLatin1Char('0')))
                    .toStdString());
        i += length;
    }
    throw EConvertError("Text cannot be represented in code page 936");
}

QString FromCp936(const std::string& bytes) {
    CheckCp936Available();
    if (auto text = DecodeExactly(bytes))
        return std::move(*text);
    throw EConvertError("Invalid code page 936 text");
}

std::optional<std::string> Utf16LeToCp936(const std::string& bytes) {
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    if (IsAsciiUtf16Le(bytes)) {
        std::string ascii(bytes.size() / 2, '\0');
        for (std::size_t i = 0; i < ascii.size(); ++i)
            ascii[i] = bytes[i * 2];
        return ascii;
    }
    QString text(static_cast<qsizetype>(bytes.size() / 2), Qt::Uninitialized);
    for (std::size_t i = 0; i < bytes.size(); i += 2)
        text[static_cast<qsizetype>(i / 2)] = QChar(static_cast<char16_t>(
            static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8));
    return EncodeExactly(text);
}

std::optional<std::string> Cp936ToUtf16Le(const std::string& bytes) {
    std::string utf16;
    if (IsAscii(bytes)) {
        utf16.assign(bytes.size() * 2, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i)
            utf16[i * 2] = bytes[i];
        return utf16;
    }
    const auto text = DecodeExactly(bytes);
    if (!text)
        return std::nullopt;
    utf16.reserve(static_cast<std::size_t>(text->size()) * 2);
    for (const QChar c : *text) {
        utf16 += static_cast<char>(c.unicode() & 0xFF);
        utf16 += static_cast<char>(c.unicode() >> 8);
    }
    return utf16;
}

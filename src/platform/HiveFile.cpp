#include "HiveFile.h"

#include "Cp936.h"
#include "Exceptions.h"

#include <QString>

#include <cstdio>

namespace {
constexpr const char* Regedit4Header = "REGEDIT4";
constexpr const char* Unicode5Header = "Windows Registry Editor Version 5.00";
constexpr const char* RootName = "hkey_local_machine";

// Bytes of the character at i: a lead byte with a trail byte makes one double-byte character, whose
// trail byte may well be a backslash, a bracket or an ASCII letter and must not be taken for one.
std::size_t CharLength(const std::string& s, std::size_t i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x81 || lead > 0xFE || i + 1 >= s.size())
        return 1;
    const auto trail = static_cast<unsigned char>(s[i + 1]);
    return trail >= 0x40 && trail <= 0xFE && trail != 0x7F ? 2 : 1;
}

// Registry names compare without the case of ASCII letters.
std::string Fold(const std::string& s) {
    std::string folded = s;
    for (std::size_t i = 0; i < folded.size();) {
        const std::size_t length = CharLength(folded, i);
        if (length == 1 && folded[i] >= 'A' && folded[i] <= 'Z')
            folded[i] = static_cast<char>(folded[i] - 'A' + 'a');
        i += length;
    }
    return folded;
}

// Strips separators at both ends; the last byte may be the trail byte of a character, not a separator.
std::string CanonicalKey(const std::string& path) {
    std::size_t begin = 0;
    while (begin < path.size() && path[begin] == '\\')
        ++begin;
    std::size_t end = begin;
    for (std::size_t i = begin; i < path.size();) {
        const std::size_t length = CharLength(path, i);
        i += length;
        if (length == 2 || path[i - 1] != '\\')
            end = i;
    }
    return Fold(path.substr(begin, end - begin));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::size_t SkipBlanks(const std::string& s, std::size_t i) {
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    return i;
}

bool AllBlank(const std::string& s, std::size_t from) {
    return SkipBlanks(s, from) == s.size();
}

std::string RightTrimmed(std::string s) {
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r'))
        s.pop_back();
    return s;
}

// A quoted text starting at s[i] == '"'; i ends after the closing quote.
std::optional<std::string> Unquote(const std::string& s, std::size_t& i) {
    std::string text;
    for (++i; i < s.size();) {
        const std::size_t length = CharLength(s, i);
        if (length == 2) {
            text += s.substr(i, 2);
            i += 2;
            continue;
        }
        const char c = s[i++];
        if (c == '"')
            return text;
        if (c != '\\' || i >= s.size()) {
            text += c;
            continue;
        }
        const char escaped = s[i++];
        switch (escaped) {
        case '\\':
        case '"':
            text += escaped;
            break;
        case 'n':
            text += '\n';
            break;
        case 'r':
            text += '\r';
            break;
        case '0':
            text += '\0';
            break;
        default: // not an escape regedit knows: both characters stand
            text += '\\';
            --i;
        }
    }
    return std::nullopt;
}

std::string Quote(const std::string& text) {
    std::string quoted = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = CharLength(text, i);
        if (length == 1 && (text[i] == '\\' || text[i] == '"'))
            quoted += '\\';
        quoted += text.substr(i, length);
        i += length;
    }
    return quoted + '"';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::uint32_t> ParseHexNumber(const std::string& s, std::size_t& i, std::size_t maxDigits) {
    std::uint32_t number = 0;
    std::size_t digits = 0;
    for (; i < s.size() && HexDigit(s[i]) >= 0; ++i, ++digits) {
        if (digits == maxDigits)
            return std::nullopt;
        number = number * 16 + static_cast<std::uint32_t>(HexDigit(s[i]));
    }
    if (digits == 0)
        return std::nullopt;
    return number;
}

bool StartsWithFolded(const std::string& s, std::size_t i, const char* prefix) {
    for (; *prefix; ++prefix, ++i) {
        if (i >= s.size() || Fold(std::string(1, s[i]))[0] != *prefix)
            return false;
    }
    return true;
}

bool IsUnicodeText(std::uint32_t type) {
    return type == RegType::String || type == RegType::ExpandString || type == RegType::MultiString;
}

// UTF-16LE bytes and code page 936 bytes of the same text; nullopt where one side cannot hold it.
std::optional<std::string> Utf16ToCp936(const std::string& bytes) {
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    QString text(static_cast<qsizetype>(bytes.size() / 2), Qt::Uninitialized);
    for (std::size_t i = 0; i < bytes.size(); i += 2)
        text[static_cast<qsizetype>(i / 2)] = QChar(static_cast<char16_t>(
            static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8));
    try {
        return ToCp936(text);
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

std::optional<std::string> Cp936ToUtf16(const std::string& bytes) {
    QString text;
    try {
        text = FromCp936(bytes);
    } catch (const EConvertError&) {
        return std::nullopt;
    }
    std::string utf16;
    for (const QChar c : text) {
        utf16 += static_cast<char>(c.unicode() & 0xFF);
        utf16 += static_cast<char>(c.unicode() >> 8);
    }
    return utf16;
}

// The data after "NAME"=, continuation lines joined; nullopt when it does not parse.
std::optional<StoredValue> ParseData(const std::string& data, bool unicode) {
    StoredValue value;
    std::size_t i = 0;
    if (!data.empty() && data[0] == '"') {
        auto text = Unquote(data, i);
        if (!text || !AllBlank(data, i))
            return std::nullopt;
        return StoredValue{RegType::String, *text + '\0'};
    }
    if (StartsWithFolded(data, 0, "dword:")) {
        i = 6;
        const auto number = ParseHexNumber(data, i, 8);
        if (!number || !AllBlank(data, i))
            return std::nullopt;
        for (int shift = 0; shift < 32; shift += 8)
            value.data += static_cast<char>((*number >> shift) & 0xFF);
        value.type = RegType::DWord;
        return value;
    }
    if (!StartsWithFolded(data, 0, "hex"))
        return std::nullopt;
    i = 3;
    value.type = RegType::Binary;
    if (i < data.size() && data[i] == '(') {
        ++i;
        const auto type = ParseHexNumber(data, i, 8);
        if (!type || i >= data.size() || data[i] != ')')
            return std::nullopt;
        value.type = *type;
        ++i;
    }
    if (i >= data.size() || data[i] != ':')
        return std::nullopt;
    ++i;
    for (bool first = true;; first = false) {
        i = SkipBlanks(data, i);
        if (i >= data.size())
            break;
        if (!first) {
            if (data[i] != ',')
                return std::nullopt;
            i = SkipBlanks(data, i + 1);
            if (i >= data.size()) // a comma at the very end, as some writers leave it
                break;
        }
        const auto byte = ParseHexNumber(data, i, 2);
        if (!byte)
            return std::nullopt;
        value.data += static_cast<char>(*byte);
    }
    if (unicode && IsUnicodeText(value.type)) {
        const auto ansi = Utf16ToCp936(value.data);
        if (!ansi)
            return std::nullopt;
        value.data = *ansi;
    }
    return value;
}

// The physical lines of the file: raw bytes with their line end, and the text in code page 936.
struct PhysicalLine {
    std::string raw;
    std::string text;
    bool textOk = true;
};

std::vector<PhysicalLine> SplitRegedit4(const std::string& bytes) {
    std::vector<PhysicalLine> lines;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        end = end == std::string::npos ? bytes.size() : end + 1;
        PhysicalLine line;
        line.raw = bytes.substr(start, end - start);
        line.text = line.raw;
        if (!line.text.empty() && line.text.back() == '\n')
            line.text.pop_back();
        if (!line.text.empty() && line.text.back() == '\r')
            line.text.pop_back();
        lines.push_back(std::move(line));
        start = end;
    }
    return lines;
}

std::vector<PhysicalLine> SplitUnicode5(const std::string& bytes) {
    std::vector<PhysicalLine> lines;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = start;
        while (end < bytes.size() && !(bytes[end] == '\n' && bytes[end + 1] == '\0'))
            end += 2;
        end = end < bytes.size() ? end + 2 : bytes.size();
        PhysicalLine line;
        line.raw = bytes.substr(start, end - start);
        std::string units = line.raw;
        if (start == 0)
            units.erase(0, 2); // the byte-order mark
        for (const char* ending : {"\n", "\r"}) {
            if (units.size() >= 2 && units[units.size() - 2] == *ending && units.back() == '\0')
                units.resize(units.size() - 2);
        }
        const auto text = Utf16ToCp936(units);
        line.textOk = text.has_value();
        // An unconvertible line keeps its ASCII structure in view: brackets and quotes stay what they are.
        if (text) {
            line.text = *text;
        } else {
            for (std::size_t i = 0; i < units.size(); i += 2)
                line.text += units[i + 1] == '\0' && static_cast<unsigned char>(units[i]) < 0x80 ? units[i] : '?';
        }
        lines.push_back(std::move(line));
        start = end;
    }
    return lines;
}
} // namespace

HiveDocument HiveDocument::Parse(const std::string& bytes) {
    HiveDocument document;
    if (bytes.empty())
        return document;
    std::vector<PhysicalLine> lines;
    const char* header = Regedit4Header;
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        document.format_ = Format::Unicode5;
        header = Unicode5Header;
        if (bytes.size() % 2 != 0) {
            document.valid_ = false;
            return document;
        }
        lines = SplitUnicode5(bytes);
    } else {
        lines = SplitRegedit4(bytes);
    }
    if (RightTrimmed(lines[0].text) != header) {
        document.valid_ = false;
        return document;
    }
    const bool unicode = document.format_ == Format::Unicode5;
    bool inSection = false;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        Entry entry;
        entry.raw = lines[n].raw;
        const std::string& text = lines[n].text;
        const std::size_t start = SkipBlanks(text, 0);
        if (n == 0) {
            entry.kind = Kind::Header;
        } else if (start == text.size()) {
            entry.kind = Kind::Blank;
        } else if (text[start] == '[') {
            entry.kind = Kind::Section;
            inSection = true;
            std::size_t close = std::string::npos;
            for (std::size_t i = start; i < text.size(); i += CharLength(text, i)) {
                if (text[i] == ']')
                    close = i;
            }
            const std::string path = close == std::string::npos ? "" : text.substr(start + 1, close - start - 1);
            std::size_t separator = 0;
            while (separator < path.size() && path[separator] != '\\')
                separator += CharLength(path, separator);
            // Deletions ("[-...]") and other roots are kept but never match.
            if (lines[n].textOk && close != std::string::npos && Fold(path.substr(0, separator)) == RootName)
                entry.key = CanonicalKey(path.substr(separator));
        } else if (inSection && (text[start] == '"' || text[start] == '@')) {
            std::size_t i = start;
            std::optional<std::string> name;
            if (text[i] == '@') {
                name = "";
                ++i;
            } else {
                name = Unquote(text, i);
            }
            i = SkipBlanks(text, i);
            if (name && i < text.size() && text[i] == '=') {
                i = SkipBlanks(text, i + 1);
                std::string data = RightTrimmed(text.substr(i));
                const bool nameOk = lines[n].textOk;
                bool dataOk = nameOk;
                // Hex data runs on over lines that end in a backslash.
                if (StartsWithFolded(data, 0, "hex")) {
                    while (!data.empty() && data.back() == '\\' && n + 1 < lines.size()) {
                        data.pop_back();
                        ++n;
                        entry.raw += lines[n].raw;
                        data += RightTrimmed(lines[n].text.substr(SkipBlanks(lines[n].text, 0)));
                        dataOk = dataOk && lines[n].textOk;
                    }
                    entry.dangling = !data.empty() && data.back() == '\\';
                }
                if (data != "-") { // a deletion, not a value
                    entry.kind = Kind::Value;
                    if (nameOk)
                        entry.name = Fold(*name);
                    if (dataOk)
                        entry.value = ParseData(data, unicode);
                }
            }
        }
        document.entries_.push_back(std::move(entry));
    }
    return document;
}

bool HiveDocument::KeyExists(const std::string& path) const {
    if (!valid_)
        return false;
    const std::string key = CanonicalKey(path);
    if (key.empty())
        return true;
    for (const Entry& entry : entries_) {
        if (entry.key && (*entry.key == key || entry.key->compare(0, key.size() + 1, key + '\\') == 0))
            return true;
    }
    return false;
}

ReadOutcome HiveDocument::Read(const std::string& path, const std::string& name, StoredValue& value) const {
    if (!KeyExists(path))
        return ReadOutcome::Failed;
    const std::string key = CanonicalKey(path);
    const std::string folded = Fold(name);
    const Entry* found = nullptr;
    bool inKey = false;
    for (const Entry& entry : entries_) {
        if (entry.kind == Kind::Section)
            inKey = entry.key == key;
        else if (inKey && entry.kind == Kind::Value && entry.name == folded)
            found = &entry;
    }
    if (!found)
        return ReadOutcome::Missing;
    if (!found->value)
        return ReadOutcome::Failed;
    value = *found->value;
    return ReadOutcome::Found;
}

std::string HiveDocument::Encode(const std::vector<std::string>& lines, bool& ok) const {
    std::string raw;
    ok = true;
    for (const std::string& line : lines) {
        if (format_ == Format::Regedit4) {
            raw += line + "\r\n";
            continue;
        }
        const auto utf16 = Cp936ToUtf16(line + "\r\n");
        if (!utf16) {
            ok = false;
            return {};
        }
        raw += *utf16;
    }
    return raw;
}

std::optional<HiveDocument::Entry> HiveDocument::MakeValueEntry(const std::string& name,
                                                                const StoredValue& value) const {
    std::string line = name.empty() ? "@=" : Quote(name) + "=";
    const std::string& data = value.data;
    bool plainText = value.type == RegType::String && !data.empty() && data.find('\0') == data.size() - 1;
    for (std::size_t i = 0; plainText && i + 1 < data.size(); ++i)
        plainText = static_cast<unsigned char>(data[i]) >= 0x20;
    std::vector<std::string> lines;
    char number[16];
    if (plainText) {
        line += Quote(data.substr(0, data.size() - 1));
    } else if (value.type == RegType::DWord && data.size() == 4) {
        std::uint32_t dword = 0;
        for (int i = 3; i >= 0; --i)
            dword = dword << 8 | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
        std::snprintf(number, sizeof number, "dword:%08x", dword);
        line += number;
    } else {
        std::string bytes = data;
        if (format_ == Format::Unicode5 && IsUnicodeText(value.type)) {
            const auto utf16 = Cp936ToUtf16(data);
            if (!utf16)
                return std::nullopt;
            bytes = *utf16;
        }
        if (value.type == RegType::Binary) {
            line += "hex:";
        } else {
            std::snprintf(number, sizeof number, "hex(%x):", value.type);
            line += number;
        }
        // Wrapped as regedit wraps, so that the lines stay short.
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            std::snprintf(number, sizeof number, "%02x", static_cast<unsigned char>(bytes[i]));
            line += number;
            if (i + 1 < bytes.size()) {
                line += ',';
                if (line.size() > 76) {
                    lines.push_back(line + '\\');
                    line = "  ";
                }
            }
        }
    }
    lines.push_back(line);
    Entry entry;
    bool ok = false;
    entry.raw = Encode(lines, ok);
    if (!ok)
        return std::nullopt;
    entry.kind = Kind::Value;
    entry.name = Fold(name);
    entry.value = value;
    return entry;
}

bool HiveDocument::EndsLine(const std::string& raw) const {
    if (format_ == Format::Unicode5)
        return raw.size() >= 2 && raw[raw.size() - 2] == '\n' && raw.back() == '\0';
    return !raw.empty() && raw.back() == '\n';
}

void HiveDocument::InsertAt(std::size_t position, Entry entry) {
    // The line before may be the file's last and lack its line end, or even run on into the next line;
    // an empty line then takes the place of the next.
    if (position > 0) {
        Entry& previous = entries_[position - 1];
        bool ok = false;
        if (!EndsLine(previous.raw))
            previous.raw += Encode({""}, ok);
        if (previous.dangling)
            previous.raw += Encode({""}, ok);
        previous.dangling = false;
    }
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(position), std::move(entry));
}

bool HiveDocument::AppendSection(const std::string& path) {
    bool ok = false;
    if (entries_.empty()) {
        entries_.push_back(Entry{Kind::Header, Encode({Regedit4Header, ""}, ok), {}, {}, {}});
    } else if (entries_.back().kind != Kind::Blank && entries_.back().kind != Kind::Header) {
        InsertAt(entries_.size(), Entry{Kind::Blank, Encode({""}, ok), {}, {}, {}});
    }
    std::size_t begin = 0;
    while (begin < path.size() && path[begin] == '\\')
        ++begin;
    const std::string raw = Encode({"[HKEY_LOCAL_MACHINE\\" + path.substr(begin) + "]"}, ok);
    if (!ok)
        return false;
    InsertAt(entries_.size(), Entry{Kind::Section, raw, CanonicalKey(path), {}, {}});
    return true;
}

bool HiveDocument::AddKey(const std::string& path) {
    return valid_ && !KeyExists(path) && AppendSection(path);
}

bool HiveDocument::Write(const std::string& path, const std::string& name, const StoredValue& value) {
    if (!KeyExists(path))
        return false;
    auto made = MakeValueEntry(name, value);
    if (!made)
        return false;
    const std::string key = CanonicalKey(path);
    // The last definition of the name, else the end of the key's last section before its blank lines.
    std::optional<std::size_t> found, sectionEnd;
    bool inKey = false;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const Entry& entry = entries_[i];
        if (entry.kind == Kind::Section) {
            inKey = entry.key == key;
            if (inKey)
                sectionEnd = i + 1;
        } else if (inKey && entry.kind != Kind::Blank) {
            sectionEnd = i + 1;
            if (entry.kind == Kind::Value && entry.name == made->name)
                found = i;
        }
    }
    if (found) {
        if (!EndsLine(entries_[*found].raw)) { // the file's last line goes on ending without a line end
            bool ok = false;
            made->raw.resize(made->raw.size() - Encode({""}, ok).size());
        }
        entries_[*found] = std::move(*made);
        return true;
    }
    if (!sectionEnd) { // the key exists only through a key below it
        if (!AppendSection(path))
            return false;
        sectionEnd = entries_.size();
    }
    InsertAt(*sectionEnd, std::move(*made));
    return true;
}

std::string HiveDocument::Bytes() const {
    std::string bytes;
    for (const Entry& entry : entries_)
        bytes += entry.raw;
    return bytes;
}

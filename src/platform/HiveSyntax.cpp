// The export format's syntax of names, paths, quoted texts and value data.
#include "platform/HiveSyntax.h"

#include "platform/Cp936.h"

#include <cstdio>

namespace HiveSyntax {
namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool AllBlank(std::string_view s, std::size_t from) {
    return SkipBlanks(s, from) == s.size();
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

std::optional<std::uint32_t> ParseHexNumber(std::string_view s, std::size_t& i, std::size_t maxDigits) {
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

std::optional<StoredValue> ParseDWord(std::string_view data, std::size_t i) {
    const auto number = ParseHexNumber(data, i, 8);
    if (!number || !AllBlank(data, i))
        return std::nullopt;
    StoredValue value{RegType::DWord, {}};
    for (int shift = 0; shift < 32; shift += 8)
        value.data += static_cast<char>((*number >> shift) & 0xFF);
    return value;
}

// hex:01,02 or hex(7):01,02; i is just after "hex".
std::optional<StoredValue> ParseHex(std::string_view data, std::size_t i, bool utf16) {
    StoredValue value{RegType::Binary, {}};
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
    if (utf16 && IsTextType(value.type)) {
        auto ansi = Utf16LeToCp936(value.data);
        if (!ansi)
            return std::nullopt;
        value.data = std::move(*ansi);
    }
    return value;
}

// A REG_SZ that a quoted text can hold: one zero byte at the end and no control character before it.
bool IsPlainText(const StoredValue& value) {
    const std::string& data = value.data;
    if (value.type != RegType::String || data.empty() || data.find('\0') != data.size() - 1)
        return false;
    for (std::size_t i = 0; i + 1 < data.size(); ++i)
        if (static_cast<unsigned char>(data[i]) < 0x20)
            return false;
    return true;
}

// Wrapped as regedit wraps, so that the lines stay short.
std::vector<std::string> HexLines(std::string line, const std::string& bytes) {
    std::vector<std::string> lines;
    char number[4];
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
    lines.push_back(line);
    return lines;
}
} // namespace

std::size_t CharLength(std::string_view s, std::size_t i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x81 || lead > 0xFE || i + 1 >= s.size())
        return 1;
    const auto trail = static_cast<unsigned char>(s[i + 1]);
    return trail >= 0x40 && trail <= 0xFE && trail != 0x7F ? 2 : 1;
}

std::string Fold(std::string_view s) {
    std::string folded(s);
    for (std::size_t i = 0; i < folded.size();) {
        const std::size_t length = CharLength(folded, i);
        if (length == 1 && folded[i] >= 'A' && folded[i] <= 'Z')
            folded[i] = static_cast<char>(folded[i] - 'A' + 'a');
        i += length;
    }
    return folded;
}

std::string CanonicalKey(std::string_view path) {
    std::size_t begin = 0;
    while (begin < path.size() && path[begin] == '\\')
        ++begin;
    // The last byte may be the trail byte of a character, not a separator.
    std::size_t end = begin;
    for (std::size_t i = begin; i < path.size();) {
        const std::size_t length = CharLength(path, i);
        i += length;
        if (length == 2 || path[i - 1] != '\\')
            end = i;
    }
    return Fold(path.substr(begin, end - begin));
}

std::size_t SkipBlanks(std::string_view s, std::size_t i) {
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    return i;
}

std::string_view RightTrimmed(std::string_view s) {
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool StartsWithFolded(std::string_view s, std::size_t i, const char* prefix) {
    for (; *prefix; ++prefix, ++i) {
        if (i >= s.size())
            return false;
        const char c = s[i] >= 'A' && s[i] <= 'Z' ? static_cast<char>(s[i] - 'A' + 'a') : s[i];
        if (c != *prefix)
            return false;
    }
    return true;
}

std::optional<std::string> Unquote(std::string_view s, std::size_t& i) {
    std::string text;
    for (++i; i < s.size();) {
        const std::size_t length = CharLength(s, i);
        if (length == 2) {
            text.append(s, i, 2);
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
        quoted.append(text, i, length);
        i += length;
    }
    return quoted + '"';
}

bool IsTextType(std::uint32_t type) {
    return type == RegType::String || type == RegType::ExpandString || type == RegType::MultiString;
}

std::optional<StoredValue> ParseData(std::string_view data, bool utf16) {
    if (!data.empty() && data[0] == '"') {
        std::size_t i = 0;
        auto text = Unquote(data, i);
        if (!text || !AllBlank(data, i))
            return std::nullopt;
        return StoredValue{RegType::String, *text + '\0'};
    }
    if (StartsWithFolded(data, 0, "dword:"))
        return ParseDWord(data, 6);
    if (StartsWithFolded(data, 0, "hex"))
        return ParseHex(data, 3, utf16);
    return std::nullopt;
}

std::optional<std::vector<std::string>> FormatValue(const std::string& name, const StoredValue& value, bool utf16) {
    std::string line = name.empty() ? "@=" : Quote(name) + "=";
    const std::string& data = value.data;
    if (IsPlainText(value))
        return std::vector<std::string>{line + Quote(data.substr(0, data.size() - 1))};
    char number[24];
    if (value.type == RegType::DWord && data.size() == 4) {
        std::uint32_t dword = 0;
        for (int i = 3; i >= 0; --i)
            dword = dword << 8 | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
        std::snprintf(number, sizeof number, "dword:%08x", dword);
        return std::vector<std::string>{line + number};
    }
    std::string bytes = data;
    if (utf16 && IsTextType(value.type)) {
        auto units = Cp936ToUtf16Le(data);
        if (!units)
            return std::nullopt;
        bytes = std::move(*units);
    }
    if (value.type == RegType::Binary) {
        line += "hex:";
    } else {
        std::snprintf(number, sizeof number, "hex(%x):", value.type);
        line += number;
    }
    return HexLines(std::move(line), bytes);
}
} // namespace HiveSyntax

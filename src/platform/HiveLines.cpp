// Splitting a hive file into physical lines, and encoding new lines, in either export format.
#include "platform/HiveLines.h"

#include "platform/Cp936.h"

#include <algorithm>

namespace {
constexpr const char* Regedit4Header = "REGEDIT4";
constexpr const char* Unicode5Header = "Windows Registry Editor Version 5.00";

std::vector<PhysicalLine> SplitRegedit4(const std::string& bytes) {
    std::vector<PhysicalLine> lines;
    lines.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        end = end == std::string::npos ? bytes.size() : end + 1;
        PhysicalLine line;
        line.raw = bytes.substr(start, end - start);
        std::size_t length = line.raw.size();
        if (length > 0 && line.raw[length - 1] == '\n')
            --length;
        if (length > 0 && line.raw[length - 1] == '\r')
            --length;
        line.text = line.raw.substr(0, length);
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
        const std::size_t unitsStart = start == 0 ? 2 : start; // after the byte-order mark
        std::size_t unitsEnd = end;
        for (const char ending : {'\n', '\r'}) {
            if (unitsEnd >= unitsStart + 2 && bytes[unitsEnd - 2] == ending && bytes[unitsEnd - 1] == '\0')
                unitsEnd -= 2;
        }
        const std::string units = bytes.substr(unitsStart, unitsEnd - unitsStart);
        auto text = Utf16LeToCp936(units);
        line.textOk = text.has_value();
        // An unconvertible line keeps its ASCII structure in view: brackets and quotes stay what they are.
        if (text) {
            line.text = std::move(*text);
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

namespace HiveLines {
HiveFormat Detect(const std::string& bytes) {
    return bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE' ? HiveFormat::Unicode5 : HiveFormat::Regedit4;
}

const char* Header(HiveFormat format) {
    return format == HiveFormat::Unicode5 ? Unicode5Header : Regedit4Header;
}

std::optional<std::vector<PhysicalLine>> Split(HiveFormat format, const std::string& bytes) {
    if (format == HiveFormat::Regedit4)
        return SplitRegedit4(bytes);
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    return SplitUnicode5(bytes);
}

std::optional<std::string> Encode(HiveFormat format, const std::vector<std::string>& lines) {
    std::string raw;
    for (const std::string& line : lines) {
        if (format == HiveFormat::Regedit4) {
            raw += line;
            raw += "\r\n";
            continue;
        }
        const auto utf16 = Cp936ToUtf16Le(line);
        if (!utf16)
            return std::nullopt;
        raw += *utf16;
        raw.append("\r\0\n\0", 4);
    }
    return raw;
}

bool EndsLine(HiveFormat format, const std::string& raw) {
    if (format == HiveFormat::Unicode5)
        return raw.size() >= 2 && raw[raw.size() - 2] == '\n' && raw.back() == '\0';
    return !raw.empty() && raw.back() == '\n';
}
} // namespace HiveLines

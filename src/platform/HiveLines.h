// The two line codecs of the export format: "REGEDIT4" text in code page 936, and the UTF-16LE
// "Windows Registry Editor Version 5.00" text with a byte-order mark. Each splits a file into its
// physical lines, raw bytes kept for writing back unchanged, and encodes new lines.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class HiveFormat { Regedit4, Unicode5 };

struct PhysicalLine {
    std::string raw;    // as in the file, line end included
    std::string text;   // without the line end, in code page 936
    bool textOk = true; // false when a UTF-16 line holds characters code page 936 cannot: its text shows '?'
};

namespace HiveLines {
HiveFormat Detect(const std::string& bytes);
const char* Header(HiveFormat format);
// Nullopt when the bytes cannot be lines of that format (an odd length of UTF-16).
std::optional<std::vector<PhysicalLine>> Split(HiveFormat format, const std::string& bytes);
// The lines in the file's format, each ended by CR LF; nullopt when a text cannot be held.
std::optional<std::string> Encode(HiveFormat format, const std::vector<std::string>& lines);
// Whether raw ends with a line end.
bool EndsLine(HiveFormat format, const std::string& raw);
} // namespace HiveLines

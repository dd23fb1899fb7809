// The text syntax of the registry export format, shared by both file formats: double-byte characters
// of code page 936, folded names and key paths, quoted texts, and the data of a value.
#pragma once

#include "platform/RegistryStore.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace HiveSyntax {
// Bytes of the character at i: a lead byte with a trail byte makes one double-byte character, whose
// trail byte may well be a backslash, a bracket or an ASCII letter and must not be taken for one.
std::size_t CharLength(std::string_view s, std::size_t i);
// Registry names compare without the case of ASCII letters.
std::string Fold(std::string_view s);
// The folded path without separators at either end.
std::string CanonicalKey(std::string_view path);

std::size_t SkipBlanks(std::string_view s, std::size_t i);
// Without blanks and carriage returns at the end.
std::string_view RightTrimmed(std::string_view s);
// Compares the folded bytes at i with prefix, which is in lower case.
bool StartsWithFolded(std::string_view s, std::size_t i, const char* prefix);

// A quoted text starting at s[i] == '"'; i ends after the closing quote. Nullopt when it never closes.
std::optional<std::string> Unquote(std::string_view s, std::size_t& i);
std::string Quote(const std::string& text);

// The text types, which a Unicode export stores as UTF-16LE.
bool IsTextType(std::uint32_t type);
// The data after "NAME"=, continuation lines joined and in code page 936; nullopt when it does not parse.
// Texts of a Unicode export (utf16) are given back in code page 936, as the ANSI functions give them.
std::optional<StoredValue> ParseData(std::string_view data, bool utf16);
// The lines of "NAME"=data as regedit writes them, hex data wrapped; nullopt when utf16 cannot hold a text.
std::optional<std::vector<std::string>> FormatValue(const std::string& name, const StoredValue& value, bool utf16);
} // namespace HiveSyntax

// The one place where texts change encoding: Qt's Unicode texts and the UTF-16LE of a Unicode
// registry export meet here the byte strings of code page 936 (GBK) that the connection-parameter
// record holds, whatever the machine's locale.
#pragma once

#include <QString>

#include <optional>
#include <string>

// Raises EConvertError naming the first character that code page 936 cannot hold; never writes '?'.
std::string ToCp936(const QString& text);
// Raises EConvertError for bytes that are no code page 936 text (a lone lead byte, for instance).
QString FromCp936(const std::string& bytes);
// Raises EConvertError when this Qt cannot convert code page 936 at all; called at start-up so that
// a build without it fails at once rather than at the first save.
void CheckCp936Available();

// UTF-16LE bytes (without a byte-order mark) and code page 936 bytes of the same text; nullopt where
// the other side cannot hold it, or for an odd number of bytes.
std::optional<std::string> Utf16LeToCp936(const std::string& bytes);
std::optional<std::string> Cp936ToUtf16Le(const std::string& bytes);

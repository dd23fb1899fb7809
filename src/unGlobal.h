// Shared state of the program and the digit code of stored credentials. Qt-free.
#pragma once

#include <string>

// The status of start-up's connection attempt; "OK" once the connection is open. UTF-8.
extern std::string StatusText;

// The digit code of the stored user name and password. Both work on byte strings (code page 936):
// every byte becomes four characters of the alphabet 0, 3, 4, 7, one per 2-bit group, high bits first.
std::string EncodeDigits(std::string clear);
// The empty text when the length is not a multiple of four; EConvertError at the first character that
// is not a decimal digit. Digits outside the alphabet decode as d div 2, wrapping modulo 256.
std::string DecodeDigits(std::string coded);

// Removes every byte of value 32 or less from both ends; bytes above 127 are never touched.
std::string TrimBytes(std::string text);

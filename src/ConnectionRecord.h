// The machine-wide record of the connection parameters: its key and its values. Qt-free, so that the
// Windows test program speaks of the same record.
#pragma once

// The record "SOFTWARE\Quillmere\Lib" under HKEY_LOCAL_MACHINE.
inline constexpr const char* ParentKey = "SOFTWARE\\Quillmere";
inline constexpr const char* SubsystemKeyName = "Lib";
inline constexpr const char* ConnectionKey = "SOFTWARE\\Quillmere\\Lib";

// Its string values: the alias (ODBC data source name) in plain text, the login in the digit code.
inline constexpr const char* OdbcNameValue = "ODBCNAME";
inline constexpr const char* UserNameValue = "USERNAME";
inline constexpr const char* PasswordValue = "PASSWORD";

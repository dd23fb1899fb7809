// A record as the save operation writes it, with Chinese texts, for moving between the Windows
// registry and the hive file (scripts/test-windows). Qt-free.
#pragma once

#include "Check.h"
#include "ConnectionRecord.h"
#include "platform/Registry.h"
#include "platform/RegistryStore.h"
#include "unGlobal.h"

#include <string>

namespace RecordSample {
inline const std::string Key = ConnectionKey;
inline const std::string Alias = "\xCD\xBC\xCA\xE9\xB9\xDD ODBC"; // 图书馆 ODBC
inline const std::string User = "\xD5\xC5\xC8\xFD";               // 张三: 4 bytes, 16 digits
inline const std::string Password = "p\\\"w";
} // namespace RecordSample

inline void WriteRecordSample() {
    TRegistry registry;
    registry.RootKey = HKEY_LOCAL_MACHINE;
    CHECK_EQ(registry.OpenKey(RecordSample::Key, true), true);
    registry.WriteString(OdbcNameValue, RecordSample::Alias);
    registry.WriteString(UserNameValue, EncodeDigits(RecordSample::User));
    registry.WriteString(PasswordValue, EncodeDigits(RecordSample::Password));
}

inline void CheckRecordSample() {
    TRegistry registry;
    CHECK_EQ(registry.OpenKeyReadOnly(RecordSample::Key), true);
    CHECK_EQ(registry.ReadString(OdbcNameValue), RecordSample::Alias);
    CHECK_EQ(registry.ReadString(UserNameValue), EncodeDigits(RecordSample::User));
    CHECK_EQ(registry.ReadString(UserNameValue).size(), 16u);
    CHECK_EQ(DecodeDigits(registry.ReadString(PasswordValue)), RecordSample::Password);
}

// Values of other types below the record, so that an exported file shows how regedit writes them.
inline const std::string ExpandSample("%SystemRoot%\\\xCD\xBC\0", 16);

inline void WriteOtherTypesSample() {
    auto key = CreateRegistryKey(HKEY_LOCAL_MACHINE, RecordSample::Key + "\\Extra", RegAccess::AllAccess);
    CHECK_EQ(key != nullptr, true);
    CHECK_EQ(key->Write("Path", {RegType::ExpandString, ExpandSample}), true);
    CHECK_EQ(key->Write("Count", {RegType::DWord, std::string("\x07\0\0\0", 4)}), true);
}

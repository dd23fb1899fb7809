#include "RegistryCases.h"

#include "Check.h"
#include "platform/Exceptions.h"
#include "platform/Registry.h"
#include "platform/RegistryStore.h"

namespace {
const std::string Parent = "SOFTWARE\\Quillmere";
const std::string Key = "SOFTWARE\\Quillmere\\Lib";

// Writes a value of any type, as another program might have left it.
void Raw(const std::string& name, std::uint32_t type, const std::string& data) {
    auto key = CreateRegistryKey(HKEY_LOCAL_MACHINE, Key, RegAccess::AllAccess);
    if (!key || !key->Write(name, StoredValue{type, data}))
        throw CaseFailure("cannot write the raw value " + name);
}

StoredValue RawRead(const std::string& name) {
    StoredValue value;
    auto key = OpenRegistryKey(HKEY_LOCAL_MACHINE, Key, RegAccess::Read);
    if (!key || key->Read(name, value) != ReadOutcome::Found)
        throw CaseFailure("cannot read the raw value " + name);
    return value;
}

std::string ReadBack(const std::string& key, const std::string& name) {
    TRegistry registry;
    CHECK_EQ(registry.OpenKeyReadOnly(key), true);
    return registry.ReadString(name);
}

void Written(const std::string& name, const std::string& text) {
    TRegistry registry;
    CHECK_EQ(registry.OpenKey(Key, true), true);
    registry.WriteString(name, text);
}

const std::vector<RegistryCase> cases = {
    {"missing key",
     [] {
         TRegistry registry;
         CHECK_EQ(registry.KeyExists(Key), false);
         CHECK_EQ(registry.OpenKeyReadOnly(Key), false);
         CHECK_EQ(registry.OpenKey(Key, false), false);
         CHECK_RAISES(ERegistryException, registry.ReadString("ODBCNAME"), "Failed to get data for 'ODBCNAME'");
         CHECK_RAISES(ERegistryException, registry.WriteString("ODBCNAME", "x"), "Failed to set data for 'ODBCNAME'");
     }},
    {"parent key alone is no record",
     [] {
         TRegistry registry;
         registry.CreateKey(Parent);
         CHECK_EQ(registry.KeyExists(Parent), true);
         CHECK_EQ(registry.KeyExists(Key), false);
     }},
    {"CreateKey leaves the current key",
     [] {
         TRegistry registry;
         CHECK_EQ(registry.OpenKey(Key, true), true);
         registry.CreateKey(Parent + "\\Other");
         registry.WriteString("ODBCNAME", "abc");
         CHECK_EQ(ReadBack(Key, "ODBCNAME"), "abc");
         CHECK_EQ(ReadBack(Parent + "\\Other", "ODBCNAME"), "");
     }},
    {"OpenKey with create makes the whole path",
     [] {
         TRegistry registry;
         CHECK_EQ(registry.OpenKey(Key, true), true);
         CHECK_EQ(registry.KeyExists(Parent), true);
         CHECK_EQ(registry.KeyExists(Key), true);
     }},
    {"REG_SZ with one zero byte",
     [] {
         Written("ODBCNAME", "abc");
         const StoredValue raw = RawRead("ODBCNAME");
         CHECK_EQ(raw.type, RegType::String);
         CHECK_EQ(raw.data, std::string("abc\0", 4));
         CHECK_EQ(ReadBack(Key, "ODBCNAME"), "abc");
     }},
    {"empty text is one zero byte",
     [] {
         Written("PASSWORD", "");
         CHECK_EQ(RawRead("PASSWORD").data, std::string(1, '\0'));
         CHECK_EQ(ReadBack(Key, "PASSWORD"), "");
     }},
    {"a write replaces the value",
     [] {
         Written("ODBCNAME", "first");
         Written("ODBCNAME", "second");
         CHECK_EQ(ReadBack(Key, "ODBCNAME"), "second");
     }},
    {"missing value reads empty",
     [] {
         Written("ODBCNAME", "abc");
         CHECK_EQ(ReadBack(Key, "USERNAME"), "");
     }},
    {"REG_EXPAND_SZ unexpanded",
     [] {
         Raw("ODBCNAME", RegType::ExpandString, std::string("%SystemRoot%\\x\0", 16));
         CHECK_EQ(ReadBack(Key, "ODBCNAME"), "%SystemRoot%\\x");
     }},
    {"data without a zero byte",
     [] {
         Raw("ODBCNAME", RegType::String, "abc");
         CHECK_EQ(ReadBack(Key, "ODBCNAME"), "abc");
     }},
    {"data up to the first zero byte",
     [] {
         Raw("ODBCNAME", RegType::String, std::string("ab\0cd\0", 6));
         CHECK_EQ(ReadBack(Key, "ODBCNAME"), "ab");
     }},
    {"data size 0 reads empty",
     [] {
         Raw("ODBCNAME", RegType::String, "");
         CHECK_EQ(ReadBack(Key, "ODBCNAME"), "");
     }},
    {"DWORD is an invalid data type",
     [] {
         Raw("ODBCNAME", RegType::DWord, std::string("\x01\0\0\0", 4));
         CHECK_RAISES(ERegistryException, ReadBack(Key, "ODBCNAME"), "Invalid data type for 'ODBCNAME'");
     }},
    {"binary is an invalid data type",
     [] {
         Raw("USERNAME", RegType::Binary, "\x33\x34");
         CHECK_RAISES(ERegistryException, ReadBack(Key, "USERNAME"), "Invalid data type for 'USERNAME'");
     }},
    {"names without regard to case",
     [] {
         TRegistry registry;
         CHECK_EQ(registry.OpenKey("software\\QUILLMERE\\lib", true), true);
         registry.WriteString("odbcname", "abc");
         CHECK_EQ(ReadBack(Key, "ODBCNAME"), "abc");
     }},
    {"leading backslash",
     [] {
         Written("ODBCNAME", "abc");
         CHECK_EQ(ReadBack("\\" + Key, "ODBCNAME"), "abc");
     }},
    {"code page 936 bytes with backslash and quote",
     [] {
         // "张三" and a character whose trail byte is a backslash, between quotes and backslashes.
         const std::string text = "\xD5\xC5\xC8\xFD \x81\x5C \"a\\b\" \\";
         Written("ODBCNAME", text);
         CHECK_EQ(ReadBack(Key, "ODBCNAME"), text);
     }},
    {"CloseKey forgets the key",
     [] {
         Written("ODBCNAME", "abc");
         TRegistry registry;
         CHECK_EQ(registry.OpenKeyReadOnly(Key), true);
         registry.CloseKey();
         registry.CloseKey();
         CHECK_RAISES(ERegistryException, registry.ReadString("ODBCNAME"), "Failed to get data for 'ODBCNAME'");
     }},
};
} // namespace

const std::vector<RegistryCase> RegistryCases = cases;

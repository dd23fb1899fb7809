// The machine's registry as TRegistry uses it, with one implementation per platform: the Win32
// registry on Windows, the hive file elsewhere. Qt-free.
#pragma once

#include "platform/Registry.h"

#include <cstdint>
#include <memory>
#include <string>

// Value types and access rights, numbered as in the Win32 API so that both stores speak alike.
namespace RegType {
inline constexpr std::uint32_t None = 0, String = 1, ExpandString = 2, Binary = 3, DWord = 4, MultiString = 7;
}
namespace RegAccess {
inline constexpr std::uint32_t QueryValue = 0x0001, SetValue = 0x0002, CreateSubKey = 0x0004, EnumerateSubKeys = 0x0008,
                               Notify = 0x0010, CreateLink = 0x0020, StandardRead = 0x20000, Read = 0x20019,
                               AllAccess = 0xF003F;
}

struct StoredValue {
    std::uint32_t type = RegType::None;
    std::string data; // the raw bytes, as the ANSI functions return them
};

enum class ReadOutcome { Found, Missing, Failed };

// An open key; closed when destroyed.
class RegistryKeyHandle {
public:
    virtual ~RegistryKeyHandle() = default;
    virtual ReadOutcome Read(const std::string& name, StoredValue& value) = 0;
    // False when the system refuses; a value of that name is replaced.
    virtual bool Write(const std::string& name, const StoredValue& value) = 0;
};

// Null when the key is missing or the rights are refused.
std::unique_ptr<RegistryKeyHandle> OpenRegistryKey(TRootKey root, const std::string& path, std::uint32_t access);
// Creates what is missing of the path as non-volatile keys and opens it; null when refused.
std::unique_ptr<RegistryKeyHandle> CreateRegistryKey(TRootKey root, const std::string& path, std::uint32_t access);

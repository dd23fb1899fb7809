// The Win32 registry through the ANSI functions, which hand texts over in the system code page.
#include "platform/RegistryStore.h" // before <windows.h>: see Registry.h

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

static_assert(RegType::String == REG_SZ && RegType::ExpandString == REG_EXPAND_SZ && RegType::DWord == REG_DWORD);
static_assert(RegAccess::Read == KEY_READ && RegAccess::AllAccess == KEY_ALL_ACCESS &&
              RegAccess::StandardRead == STANDARD_RIGHTS_READ && RegAccess::QueryValue == KEY_QUERY_VALUE &&
              RegAccess::EnumerateSubKeys == KEY_ENUMERATE_SUB_KEYS);

namespace {
// Predefined keys are sign-extended 32-bit values on 64-bit Windows.
HKEY RootHandle(TRootKey root) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(static_cast<std::uint32_t>(root))));
}

class Win32Key : public RegistryKeyHandle {
public:
    explicit Win32Key(HKEY key) : key_(key) {}
    ~Win32Key() override { RegCloseKey(key_); }

    ReadOutcome Read(const std::string& name, StoredValue& value) override {
        // The value may grow between asking its size and reading it; then ask again.
        for (int attempt = 0; attempt < 8; ++attempt) {
            DWORD type = 0;
            DWORD size = 0;
            LONG result = RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size);
            if (result == ERROR_SUCCESS) {
                value.data.assign(size, '\0');
                result = RegQueryValueExA(key_, name.c_str(), nullptr, &type,
                                          reinterpret_cast<BYTE*>(value.data.data()), &size);
            }
            if (result == ERROR_SUCCESS) {
                value.data.resize(size);
                value.type = type;
                return ReadOutcome::Found;
            }
            if (result == ERROR_FILE_NOT_FOUND)
                return ReadOutcome::Missing;
            if (result != ERROR_MORE_DATA)
                return ReadOutcome::Failed;
        }
        return ReadOutcome::Failed;
    }

    bool Write(const std::string& name, const StoredValue& value) override {
        return RegSetValueExA(key_, name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(value.data.data()),
                              static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
    }

private:
    HKEY key_;
};
} // namespace

std::unique_ptr<RegistryKeyHandle> OpenRegistryKey(TRootKey root, const std::string& path, std::uint32_t access) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(RootHandle(root), path.c_str(), 0, access, &key) != ERROR_SUCCESS)
        return nullptr;
    return std::make_unique<Win32Key>(key);
}

std::unique_ptr<RegistryKeyHandle> CreateRegistryKey(TRootKey root, const std::string& path, std::uint32_t access) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(RootHandle(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return nullptr;
    return std::make_unique<Win32Key>(key);
}

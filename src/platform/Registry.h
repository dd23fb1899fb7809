// The registry accessor TRegistry. Qt-free: names, paths and texts are byte strings in code page 936,
// as the system's ANSI registry functions take them, so it builds for Windows without Qt.
#pragma once

// <windows.h> makes HKEY_LOCAL_MACHINE a macro; this header must come first to declare its own.
#ifdef HKEY_LOCAL_MACHINE
#error "include Registry.h before <windows.h>"
#endif

#include <cstdint>
#include <memory>
#include <string>

// A predefined root key, with the handle value the Win32 API gives it.
enum class TRootKey : std::uint32_t {};
inline constexpr TRootKey HKEY_LOCAL_MACHINE{0x80000002u};

class RegistryKeyHandle;

// Paths are relative to RootKey (a leading backslash is ignored). Releasing the accessor closes its key.
class TRegistry {
public:
    TRegistry();
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    TRootKey RootKey = HKEY_LOCAL_MACHINE;

    // True exactly when the key opens with read rights; never raises; the current key stays.
    bool KeyExists(const std::string& key);
    // Opens for reading and makes it the current key, trying ever smaller read rights.
    bool OpenKeyReadOnly(const std::string& key);
    // Opens with full access, creating it first when canCreate; false when refused. Never raises.
    bool OpenKey(const std::string& key, bool canCreate);
    // Creates the key (non-volatile, full access) and closes it; ERegistryException when refused.
    void CreateKey(const std::string& key);
    // REG_SZ or REG_EXPAND_SZ data up to the first zero byte, unexpanded; a missing or empty value is "".
    std::string ReadString(const std::string& name);
    // A REG_SZ value: the bytes and one zero byte.
    void WriteString(const std::string& name, const std::string& value);
    void CloseKey();

private:
    std::unique_ptr<RegistryKeyHandle> current_;
};

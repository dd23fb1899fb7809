// The Qt-free tests for Windows: the digit code and the registry accessor over the real registry,
// from the same case tables as the Linux tests. Also writes and checks the record that
// scripts/test-windows moves between this registry and the hive file.
#include "DigitCases.h"
#include "RecordSample.h"
#include "RegistryCases.h"

#include "platform/Registry.h" // before <windows.h>: see Registry.h

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {
int failures = 0;

template <class F> void Run(const char* area, const char* name, F&& body) {
    try {
        body();
        std::printf("PASS   %s: %s\n", area, name);
    } catch (const std::exception& error) {
        ++failures;
        std::printf("FAIL!  %s: %s: %s\n", area, name, error.what());
    }
}

void ClearRecord() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quillmere");
}
} // namespace

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "--write-sample") == 0) {
        ClearRecord();
        Run("sample", "write", WriteRecordSample);
        Run("sample", "other types", WriteOtherTypesSample);
        return failures;
    }
    if (std::strcmp(mode, "--check-sample") == 0) {
        Run("sample", "check", CheckRecordSample);
        return failures;
    }
    // The texts are code page 936 bytes only where that is the ANSI code page (LC_ALL=zh_CN.UTF-8 for Wine).
    Run("registry", "ANSI code page 936", [] { CHECK_EQ(GetACP(), 936u); });
    for (const DigitCase& c : DigitCases)
        Run("digits", c.name, [&] { RunDigitCase(c); });
    Run("digits", "every byte", RunDigitRoundTrip);
    for (const RegistryCase& c : RegistryCases) {
        ClearRecord();
        Run("registry", c.name, c.run);
    }
    ClearRecord();
    std::printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}

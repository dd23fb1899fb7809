// The outcomes of the registry accessor, one table for both stores: run by the Qt test against the
// hive file and by the Windows test program against the real registry. Each case starts from a
// registry without "SOFTWARE\Quillmere". Qt-free.
#pragma once

#include <vector>

struct RegistryCase {
    const char* name;
    void (*run)();
};

extern const std::vector<RegistryCase> RegistryCases;

// The hive file reader and writer on any bytes: a document changed, written and read back.
#include "HiveChecks.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (auto read = HiveChecks::CheckRead(std::string(reinterpret_cast<const char*>(data), size)))
        HiveChecks::CheckWrite(std::move(*read));
    return 0;
}

// The hive file reader on any bytes, read only: a document writes back byte for byte, and reading
// a key that is not there fails.
#include "HiveChecks.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    HiveChecks::CheckRead(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}

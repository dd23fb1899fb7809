// DecodeDigits on any bytes: the length rule, the error only for a non-digit, and the way back.
#include "platform/Exceptions.h"
#include "unGlobal.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string coded(reinterpret_cast<const char*>(data), size);
    try {
        const std::string clear = DecodeDigits(coded);
        if (size % 4 != 0 ? !clear.empty() : clear.size() * 4 != size)
            std::abort();
        if (size % 4 == 0 && coded.find_first_not_of("0123456789") != std::string::npos)
            std::abort(); // a non-digit went through
        if (DecodeDigits(EncodeDigits(clear)) != clear)
            std::abort();
    } catch (const EConvertError&) {
        if (size % 4 != 0 || coded.find_first_not_of("0123456789") == std::string::npos)
            std::abort();
    }
    return 0;
}

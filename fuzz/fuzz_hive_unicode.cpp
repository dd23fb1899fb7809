// The Unicode export read and changed, mutated as text: the input is code page 936 text that becomes
// a UTF-16LE file with its byte-order mark, so that the fuzzer's byte changes land on characters
// rather than on half units. 0xFF and the two bytes after it give any unit, a lone surrogate or a
// character code page 936 cannot hold among them.
#include "HiveChecks.h"

#include "platform/Cp936.h"

#include <cstdint>

namespace {
std::string ToUnicodeFile(const std::uint8_t* data, std::size_t size) {
    std::string file = "\xFF\xFE";
    file.reserve(2 * size + 2);
    for (std::size_t i = 0; i < size;) {
        if (data[i] == 0xFF && i + 2 < size) {
            file += static_cast<char>(data[i + 1]);
            file += static_cast<char>(data[i + 2]);
            i += 3;
            continue;
        }
        if (data[i] >= 0x80) {
            const std::size_t length = data[i] >= 0x81 && i + 1 < size ? 2 : 1;
            const auto units = Cp936ToUtf16Le(std::string(reinterpret_cast<const char*>(data + i), length));
            if (units && !units->empty()) {
                file += *units;
                i += length;
                continue;
            }
        }
        // ASCII, or no character of code page 936: the byte as a unit of its own
        file += static_cast<char>(data[i]);
        file += '\0';
        i += 1;
    }
    return file;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (auto read = HiveChecks::CheckRead(ToUnicodeFile(data, size)))
        HiveChecks::CheckWrite(std::move(*read));
    return 0;
}

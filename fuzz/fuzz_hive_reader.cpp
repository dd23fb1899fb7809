// The hive file reader on any bytes: an unchanged document writes back byte for byte, and a value
// written into it reads back after parsing the result again.
#include "platform/HiveDocument.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    HiveDocument document = HiveDocument::Parse(bytes);
    if (!document.Valid())
        return 0;
    if (document.Bytes() != bytes)
        std::abort();
    StoredValue value;
    for (const char* key : {"SOFTWARE\\Quillmere\\Lib", "a", "A\\B"}) {
        document.KeyExists(key);
        document.Read(key, "ODBCNAME", value);
        document.Read(key, "", value);
    }
    document.AddKey("A\\B");
    const StoredValue written{RegType::String, std::string("w\\\"\xD5\xC5\0", 6)};
    if (!document.Write("A\\B", "v", written))
        return 0; // a Unicode file whose lines cannot all be converted
    HiveDocument again = HiveDocument::Parse(document.Bytes());
    if (!again.Valid() || again.Read("A\\B", "v", value) != ReadOutcome::Found || value.data != written.data)
        std::abort();
    return 0;
}

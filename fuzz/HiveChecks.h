// What the hive targets check of a document: reading leaves it byte for byte as it was, and values
// written into it, of every type, read back after parsing the result again while what was already
// there reads as before.
#pragma once

#include "platform/HiveDocument.h"

#include <array>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace HiveChecks {
// Keys the seeds hold, one that none holds, and names the seeds define.
inline constexpr std::array<const char*, 4> Keys{"SOFTWARE\\Quillmere\\Lib", "SOFTWARE\\Quillmere\\Lib\\Extra", "a",
                                                 "A\\B"};
inline constexpr std::array<const char*, 4> Names{"ODBCNAME", "", "Path", "v"};

inline void Require(bool condition) {
    if (!condition)
        std::abort();
}

inline std::optional<StoredValue> Find(const HiveDocument& document, const char* key, const char* name) {
    StoredValue value;
    if (document.Read(key, name, value) != ReadOutcome::Found)
        return std::nullopt;
    return value;
}

inline bool Same(const std::optional<StoredValue>& found, const StoredValue& value) {
    return found && found->type == value.type && found->data == value.data;
}

using Readings = std::array<std::array<std::optional<StoredValue>, Names.size()>, Keys.size()>;

struct Parsed {
    HiveDocument document;
    Readings values; // each name of each key, where found
};

// The parsed document and what it holds, when the bytes are one.
inline std::optional<Parsed> CheckRead(const std::string& bytes) {
    Parsed read{HiveDocument::Parse(bytes), {}};
    HiveDocument& document = read.document;
    if (!document.Valid()) {
        Require(!document.AddKey("A") && document.Bytes().empty());
        return std::nullopt;
    }
    Require(document.Bytes() == bytes);
    for (std::size_t k = 0; k < Keys.size(); ++k) {
        const bool exists = document.KeyExists(Keys[k]);
        for (std::size_t n = 0; n < Names.size(); ++n) {
            StoredValue value;
            const ReadOutcome outcome = document.Read(Keys[k], Names[n], value);
            Require(exists || outcome == ReadOutcome::Failed);
            if (outcome == ReadOutcome::Found)
                read.values[k][n] = std::move(value);
        }
    }
    return read;
}

inline void CheckWrite(Parsed read) {
    HiveDocument& document = read.document;
    // Into a key of the file when it has one, else into a new key; texts with escapes and Chinese,
    // data long enough to wrap over continuation lines.
    const char* key = document.KeyExists(Keys[0]) ? Keys[0] : Keys[3];
    document.AddKey(key);
    Require(document.KeyExists(key));
    const std::array<std::pair<const char*, StoredValue>, 5> written{{
        {"v", {RegType::String, std::string("w\\\"\xD5\xC5\0", 6)}},
        {"ODBCNAME", {RegType::String, std::string("\xCD\xBC\xCA\xE9 ODBC\0", 10)}},
        {"Count", {RegType::DWord, std::string("\x07\0\0\x80", 4)}},
        {"Path", {RegType::ExpandString, std::string("%SystemRoot%\\\xD5\xC5\\\xB9\xDD\xB2\xD8\0", 22)}},
        {"List", {RegType::MultiString, std::string("a\0\xD5\xC5\0\0", 6)}},
    }};
    for (const auto& [name, value] : written)
        Require(document.Write(key, name, value));
    StoredValue binary{RegType::Binary, std::string(60, '\0')};
    for (std::size_t i = 0; i < binary.data.size(); ++i)
        binary.data[i] = static_cast<char>(i * 37);
    Require(document.Write(key, "", binary));

    const std::string bytes = document.Bytes();
    const HiveDocument again = HiveDocument::Parse(bytes);
    Require(again.Valid() && again.Bytes() == bytes);
    for (const auto& [name, value] : written)
        Require(Same(Find(again, key, name), value));
    Require(Same(Find(again, key, ""), binary));
    // A value that read before reads the same, unless it was written over.
    for (std::size_t k = 0; k < Keys.size(); ++k) {
        for (std::size_t n = 0; n < Names.size(); ++n) {
            if (Keys[k] != key && read.values[k][n])
                Require(Same(Find(again, Keys[k], Names[n]), *read.values[k][n]));
        }
    }
}
} // namespace HiveChecks

// The document model of a hive file: its lines as sections, values and the rest, in the registry
// export format, so that a record moves between machines with regedit. Every line that is not
// changed is written back byte for byte, in the file's own format.
#pragma once

#include "platform/HiveLines.h"
#include "platform/RegistryStore.h"

#include <optional>
#include <string>
#include <vector>

class HiveDocument {
public:
    // An empty text is an empty hive; a text that is no export file gives !Valid(), and stays unwritten.
    static HiveDocument Parse(const std::string& bytes);

    bool Valid() const { return valid_; }
    // Paths are below HKEY_LOCAL_MACHINE, matched without regard to the case of ASCII letters.
    // A key exists when it has a section of its own or below it, as regedit would import it.
    bool KeyExists(const std::string& path) const;
    // The last definition of the name wins, as on import; a definition that does not parse is Failed.
    // Texts are given in code page 936 whatever the file's format, as the ANSI functions give them.
    ReadOutcome Read(const std::string& path, const std::string& name, StoredValue& value) const;
    // Adds a section for a key that does not exist yet; false when nothing changed.
    bool AddKey(const std::string& path);
    // Replaces the last definition of the name or adds one; false when the file's format cannot hold it.
    bool Write(const std::string& path, const std::string& name, const StoredValue& value);
    std::string Bytes() const;

private:
    enum class Kind { Header, Blank, Section, Value, Other };
    struct Entry {
        Kind kind = Kind::Other;
        std::string raw;                 // as in the file: line ends and continuation lines included
        std::optional<std::string> key;  // Section: folded path below HKEY_LOCAL_MACHINE
        std::optional<std::string> name; // Value: folded name
        std::optional<StoredValue> value;
        // Hex data whose last line, the file's last, ends in backslashes: each would swallow a line
        // written after it, an empty one too, so this many lines must come first.
        std::size_t dangling = 0;
    };

    // Whether the key, given canonical, exists (as KeyExists).
    bool HasKey(const std::string& key) const;
    static Entry SectionEntry(PhysicalLine& line, std::size_t start);
    // The value whose line is lines[n], its raw bytes taken; n moves on over the continuation lines of hex data.
    Entry ValueEntry(std::vector<PhysicalLine>& lines, std::size_t& n, std::size_t start) const;
    std::string EncodeLine(const std::string& line) const;
    std::optional<Entry> MakeValueEntry(const std::string& name, const StoredValue& value) const;
    void InsertAt(std::size_t position, Entry entry);
    bool AppendSection(const std::string& path);

    bool valid_ = true;
    HiveFormat format_ = HiveFormat::Regedit4;
    std::vector<Entry> entries_;
};

// The hive file that holds HKEY_LOCAL_MACHINE where there is no Windows registry. Its format is the
// registry export format, so that a record moves between machines with regedit: "REGEDIT4" text in
// code page 936, or the UTF-16LE "Windows Registry Editor Version 5.00" text with a byte-order mark.
// Every line that is not changed is written back byte for byte, in the file's own format.
#pragma once

#include "RegistryStore.h"

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
    enum class Format { Regedit4, Unicode5 };
    enum class Kind { Header, Blank, Section, Value, Other };
    struct Entry {
        Kind kind = Kind::Other;
        std::string raw;                 // as in the file: line ends and continuation lines included
        std::optional<std::string> key;  // Section: folded path below HKEY_LOCAL_MACHINE
        std::optional<std::string> name; // Value: folded name
        std::optional<StoredValue> value;
        bool dangling = false; // hex data whose last line ends in a backslash: it would swallow the next line
    };

    std::string Encode(const std::vector<std::string>& lines, bool& ok) const;
    std::optional<Entry> MakeValueEntry(const std::string& name, const StoredValue& value) const;
    bool EndsLine(const std::string& raw) const;
    void InsertAt(std::size_t position, Entry entry);
    bool AppendSection(const std::string& path);

    bool valid_ = true;
    Format format_ = Format::Regedit4;
    std::vector<Entry> entries_;
};

// The hive file of the POSIX store: the build's default until a test points it at a file of its own.
void SetHiveFilePath(const std::string& path);
const std::string& HiveFilePath();

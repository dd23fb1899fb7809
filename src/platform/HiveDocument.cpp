// The hive file's document model: parsing lines into sections and values, reading, adding and writing.
#include "platform/HiveDocument.h"

#include "platform/HiveSyntax.h"

#include <cstring>

using namespace HiveSyntax;

namespace {
constexpr const char* RootName = "hkey_local_machine";
} // namespace

HiveDocument HiveDocument::Parse(const std::string& bytes) {
    HiveDocument document;
    if (bytes.empty())
        return document;
    document.format_ = HiveLines::Detect(bytes);
    auto lines = HiveLines::Split(document.format_, bytes);
    if (!lines || RightTrimmed(lines->front().text) != HiveLines::Header(document.format_)) {
        document.valid_ = false;
        return document;
    }
    document.entries_.reserve(lines->size());
    // Each line's raw bytes move into its entry; nothing reads them from the lines afterwards.
    document.entries_.push_back(Entry{Kind::Header, std::move(lines->front().raw), {}, {}, {}});
    bool inSection = false;
    for (std::size_t n = 1; n < lines->size(); ++n) {
        PhysicalLine& line = (*lines)[n];
        const std::size_t start = SkipBlanks(line.text, 0);
        if (start == line.text.size()) {
            document.entries_.push_back(Entry{Kind::Blank, std::move(line.raw), {}, {}, {}});
        } else if (line.text[start] == '[') {
            inSection = true;
            document.entries_.push_back(SectionEntry(line, start));
        } else if (inSection && (line.text[start] == '"' || line.text[start] == '@')) {
            document.entries_.push_back(document.ValueEntry(*lines, n, start));
        } else {
            document.entries_.push_back(Entry{Kind::Other, std::move(line.raw), {}, {}, {}});
        }
    }
    return document;
}

HiveDocument::Entry HiveDocument::SectionEntry(PhysicalLine& line, std::size_t start) {
    Entry entry{Kind::Section, std::move(line.raw), {}, {}, {}};
    const std::string& text = line.text;
    std::size_t close = std::string::npos;
    for (std::size_t i = start; i < text.size(); i += CharLength(text, i)) {
        if (text[i] == ']')
            close = i;
    }
    if (!line.textOk || close == std::string::npos)
        return entry;
    const std::string_view path = std::string_view(text).substr(start + 1, close - start - 1);
    std::size_t separator = 0;
    while (separator < path.size() && path[separator] != '\\')
        separator += CharLength(path, separator);
    // Deletions ("[-...]") and other roots are kept but never match.
    if (separator == std::strlen(RootName) && StartsWithFolded(path, 0, RootName))
        entry.key = CanonicalKey(path.substr(separator));
    return entry;
}

HiveDocument::Entry HiveDocument::ValueEntry(std::vector<PhysicalLine>& lines, std::size_t& n,
                                             std::size_t start) const {
    PhysicalLine& line = lines[n];
    Entry entry{Kind::Other, std::move(line.raw), {}, {}, {}};
    const std::string& text = line.text;
    std::size_t i = start;
    std::optional<std::string> name;
    if (text[i] == '@') {
        name = "";
        ++i;
    } else {
        name = Unquote(text, i);
    }
    i = SkipBlanks(text, i);
    if (!name || i >= text.size() || text[i] != '=')
        return entry;
    std::string data(RightTrimmed(std::string_view(text).substr(SkipBlanks(text, i + 1))));
    bool dataOk = line.textOk;
    // Hex data runs on over lines that end in a backslash.
    if (StartsWithFolded(data, 0, "hex")) {
        while (!data.empty() && data.back() == '\\' && n + 1 < lines.size()) {
            data.pop_back();
            const PhysicalLine& next = lines[++n];
            entry.raw += next.raw;
            data += RightTrimmed(std::string_view(next.text).substr(SkipBlanks(next.text, 0)));
            dataOk = dataOk && next.textOk;
        }
        const std::size_t kept = data.find_last_not_of('\\');
        entry.dangling = data.size() - (kept == std::string::npos ? 0 : kept + 1);
    }
    if (data == "-") // a deletion, not a value
        return entry;
    entry.kind = Kind::Value;
    if (line.textOk)
        entry.name = Fold(*name);
    if (dataOk)
        entry.value = ParseData(data, format_ == HiveFormat::Unicode5);
    return entry;
}

bool HiveDocument::KeyExists(const std::string& path) const {
    return valid_ && HasKey(CanonicalKey(path));
}

bool HiveDocument::HasKey(const std::string& key) const {
    if (key.empty())
        return true;
    for (const Entry& entry : entries_) {
        // The key itself, or a key below it: its path and a separator.
        if (entry.key && entry.key->starts_with(key) &&
            (entry.key->size() == key.size() || (*entry.key)[key.size()] == '\\'))
            return true;
    }
    return false;
}

ReadOutcome HiveDocument::Read(const std::string& path, const std::string& name, StoredValue& value) const {
    const std::string key = CanonicalKey(path);
    if (!valid_ || !HasKey(key))
        return ReadOutcome::Failed;
    const std::string folded = Fold(name);
    const Entry* found = nullptr;
    bool inKey = false;
    for (const Entry& entry : entries_) {
        if (entry.kind == Kind::Section)
            inKey = entry.key == key;
        else if (inKey && entry.kind == Kind::Value && entry.name == folded)
            found = &entry;
    }
    if (!found)
        return ReadOutcome::Missing;
    if (!found->value)
        return ReadOutcome::Failed;
    value = *found->value;
    return ReadOutcome::Found;
}

// One line in the file's format; the texts given here are ASCII, or came from the file itself.
std::string HiveDocument::EncodeLine(const std::string& line) const {
    return HiveLines::Encode(format_, {line}).value_or(std::string());
}

std::optional<HiveDocument::Entry> HiveDocument::MakeValueEntry(const std::string& name,
                                                                const StoredValue& value) const {
    const auto lines = FormatValue(name, value, format_ == HiveFormat::Unicode5);
    if (!lines)
        return std::nullopt;
    auto raw = HiveLines::Encode(format_, *lines);
    if (!raw)
        return std::nullopt;
    return Entry{Kind::Value, std::move(*raw), {}, Fold(name), value};
}

void HiveDocument::InsertAt(std::size_t position, Entry entry) {
    // The line before may be the file's last and lack its line end, or even run on into the lines that
    // follow; empty lines, one for each backslash it ends in, then take their place.
    if (position > 0) {
        Entry& previous = entries_[position - 1];
        if (!HiveLines::EndsLine(format_, previous.raw))
            previous.raw += EncodeLine("");
        for (; previous.dangling > 0; --previous.dangling)
            previous.raw += EncodeLine("");
    }
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(position), std::move(entry));
}

bool HiveDocument::AppendSection(const std::string& path) {
    if (entries_.empty()) {
        entries_.push_back(
            Entry{Kind::Header, *HiveLines::Encode(format_, {HiveLines::Header(format_), ""}), {}, {}, {}});
    } else if (entries_.back().kind != Kind::Blank && entries_.back().kind != Kind::Header) {
        InsertAt(entries_.size(), Entry{Kind::Blank, EncodeLine(""), {}, {}, {}});
    }
    std::size_t begin = 0;
    while (begin < path.size() && path[begin] == '\\')
        ++begin;
    auto raw = HiveLines::Encode(format_, {"[HKEY_LOCAL_MACHINE\\" + path.substr(begin) + "]"});
    if (!raw)
        return false;
    InsertAt(entries_.size(), Entry{Kind::Section, std::move(*raw), CanonicalKey(path), {}, {}});
    return true;
}

bool HiveDocument::AddKey(const std::string& path) {
    return valid_ && !KeyExists(path) && AppendSection(path);
}

bool HiveDocument::Write(const std::string& path, const std::string& name, const StoredValue& value) {
    const std::string key = CanonicalKey(path);
    if (!valid_ || !HasKey(key))
        return false;
    auto made = MakeValueEntry(name, value);
    if (!made)
        return false;
    // The last definition of the name, else the end of the key's last section before its blank lines.
    std::optional<std::size_t> found, sectionEnd;
    bool inKey = false;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const Entry& entry = entries_[i];
        if (entry.kind == Kind::Section) {
            inKey = entry.key == key;
            if (inKey)
                sectionEnd = i + 1;
        } else if (inKey && entry.kind != Kind::Blank) {
            sectionEnd = i + 1;
            if (entry.kind == Kind::Value && entry.name == made->name)
                found = i;
        }
    }
    if (found) {
        // The file's last line goes on ending without a line end.
        if (!HiveLines::EndsLine(format_, entries_[*found].raw))
            made->raw.resize(made->raw.size() - EncodeLine("").size());
        entries_[*found] = std::move(*made);
        return true;
    }
    if (!sectionEnd) { // the key exists only through a key below it
        if (!AppendSection(path))
            return false;
        sectionEnd = entries_.size();
    }
    InsertAt(*sectionEnd, std::move(*made));
    return true;
}

std::string HiveDocument::Bytes() const {
    std::string bytes;
    for (const Entry& entry : entries_)
        bytes += entry.raw;
    return bytes;
}

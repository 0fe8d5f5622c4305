// INI files. TIniFile reads the file for every call and, for writes,
// replaces it when the text changed; TMemIniFile works on one copy in memory
// and writes it back once. Both share the line rules below.
#include "IniFiles.hpp"

#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "AtomicFile.hpp"
#include "SysUtils.hpp"

struct TIniText {
    // Changed only through the members below, or followed by Changed():
    // the index describes these lines.
    std::vector<AnsiString> lines;
    const char* eol = "\n";

    // Where each section and key is, found in one pass when first asked for
    // and dropped by any change that moves lines, so that reading every key
    // of a large file costs a pass over it, not one per key.
    struct TSectionIndex {
        std::size_t first = 0, last = 0;  // body lines
        // The key's first line, by SameTextKey; filled on first use.
        std::optional<std::unordered_map<AnsiString, std::size_t>> keys;
    };
    // First section of each name, by SameTextKey.
    mutable std::optional<std::unordered_map<AnsiString, TSectionIndex>> index;

    void Changed() { index.reset(); }

    static TIniText Parse(const AnsiString& contents)
    {
        TIniText ini;
        const auto lf = contents.find('\n');
        if (lf != AnsiString::npos && lf > 0 && contents[lf - 1] == '\r')
            ini.eol = "\r\n";
        std::size_t start = 0;
        while (start < contents.size()) {
            auto end = contents.find('\n', start);
            const std::size_t next = end == AnsiString::npos ? contents.size() : end + 1;
            if (end == AnsiString::npos)
                end = contents.size();
            // Every carriage return before the line feed goes: one kept
            // would come back as a line end of its own on the next read, so
            // the file would change with every save.
            std::size_t stop = end;
            while (stop > start && contents[stop - 1] == '\r')
                --stop;
            ini.lines.push_back(contents.substr(start, stop - start));
            start = next;
        }
        return ini;
    }

    AnsiString Join() const
    {
        AnsiString out;
        for (const auto& line : lines) {
            out += line;
            out += eol;
        }
        return out;
    }

    // The name of the section a header line opens, or false.
    // (Without copying the line: a folder list's line may be megabytes.)
    static bool Header(const AnsiString& line, AnsiString& name)
    {
        std::size_t start = 0;
        while (start < line.size() && static_cast<unsigned char>(line[start]) <= ' ')
            ++start;
        if (start == line.size() || line[start] != '[')
            return false;
        const auto close = line.find(']', start);
        if (close == AnsiString::npos)
            return false;
        name = Trim(line.substr(start + 1, close - start - 1));
        return true;
    }

    static bool KeyName(const AnsiString& line, AnsiString& name)
    {
        const auto eq = line.find('=');
        if (eq == AnsiString::npos)
            return false;
        name = Trim(line.substr(0, eq));
        return true;
    }

    std::unordered_map<AnsiString, TSectionIndex>& Index() const
    {
        if (!index) {
            index.emplace();
            TSectionIndex* open = nullptr;
            AnsiString name;
            for (std::size_t i = 0; i < lines.size(); ++i) {
                if (!Header(lines[i], name))
                    continue;
                if (open)
                    open->last = i;
                const auto [it, first] = index->try_emplace(SameTextKey(name));
                open = first ? &it->second : nullptr;
                if (open)
                    open->first = i + 1;
            }
            if (open)
                open->last = lines.size();
        }
        return *index;
    }

    TSectionIndex* FindSection(const AnsiString& section) const
    {
        auto& sections = Index();
        const auto it = sections.find(SameTextKey(section));
        return it == sections.end() ? nullptr : &it->second;
    }

    // [first, last) body lines of the first section of that name; false if absent.
    bool Section(const AnsiString& section, std::size_t& first, std::size_t& last) const
    {
        const TSectionIndex* const found = FindSection(section);
        if (!found)
            return false;
        first = found->first;
        last = found->last;
        return true;
    }

    // Index of the key's line in the first section of that name, or -1.
    long FindKey(const AnsiString& section, const AnsiString& key) const
    {
        TSectionIndex* const found = FindSection(section);
        if (!found)
            return -1;
        if (!found->keys) {
            found->keys.emplace();
            AnsiString name;
            for (std::size_t i = found->first; i < found->last; ++i)
                if (KeyName(lines[i], name))
                    found->keys->try_emplace(SameTextKey(name), i);
        }
        const auto it = found->keys->find(SameTextKey(key));
        return it == found->keys->end() ? -1 : static_cast<long>(it->second);
    }

    void DropTrailingBlankLines()
    {
        while (!lines.empty() && Trim(lines.back()).empty()) {
            lines.pop_back();
            Changed();
        }
    }

    AnsiString Read(const AnsiString& section, const AnsiString& name, const AnsiString& defaultValue) const;
    void Write(const AnsiString& section, const AnsiString& name, const AnsiString& value);
    // The section's key names, or name=value lines, first occurrence of each.
    void Names(const AnsiString& section, TStrings* names, bool withValues) const;
    void Sections(TStrings* sections) const;
    bool HasSection(const AnsiString& section) const;
    bool HasKey(const AnsiString& section, const AnsiString& name) const;
    void Erase(const AnsiString& section);
    void Delete(const AnsiString& section, const AnsiString& name);
    void Add(const AnsiString& section);
    void MoveToEnd(const AnsiString& section);

private:
    // Starts a new section at the end: one blank line, then the lines given.
    void Append(const std::vector<AnsiString>& section);
};

namespace {

// A raw value as it is read: without blanks at its ends, then without one
// pair of enclosing double quotes.
// Given as bounds, so that the one copy made is of what is kept: a folder
// list may be megabytes long.
std::string_view CleanValue(std::string_view raw)
{
    std::size_t first = 0, end = raw.size();
    while (end > 0 && static_cast<unsigned char>(raw[end - 1]) <= ' ')
        --end;
    while (first < end && static_cast<unsigned char>(raw[first]) <= ' ')
        ++first;
    if (end - first >= 2 && raw[first] == '"' && raw[end - 1] == '"') {
        ++first;
        --end;
    }
    return raw.substr(first, end - first);
}

// The raw value of a name=value line: all after its first '='.
std::string_view RawValue(const AnsiString& line) { return std::string_view(line).substr(line.find('=') + 1); }

bool HasLineBreak(const AnsiString& s) { return s.find_first_of("\r\n") != AnsiString::npos; }

void CheckWritable(const AnsiString& section, const AnsiString& name, const AnsiString& value)
{
    if (HasLineBreak(section) || section.find(']') != AnsiString::npos || Trim(section) != section ||
        section.empty())
        throw EIniFileException("Invalid INI section name: " + section);
    if (HasLineBreak(name) || name.find('=') != AnsiString::npos || Trim(name) != name ||
        name.empty() || name[0] == '[')
        throw EIniFileException("Invalid INI key name: " + name);
    if (HasLineBreak(value))
        throw EIniFileException("INI value holds a line break: " + name);
}

}  // namespace

// ---- TCustomIniFile typed operations -------------------------------------------

int TCustomIniFile::ReadInteger(const AnsiString& section, const AnsiString& name, int defaultValue)
{
    return StrToIntDef(ReadString(section, name, AnsiString()), defaultValue);
}

void TCustomIniFile::WriteInteger(const AnsiString& section, const AnsiString& name, int value)
{
    WriteString(section, name, IntToStr(value));
}

double TCustomIniFile::ReadFloat(const AnsiString& section, const AnsiString& name, double defaultValue)
{
    double v;
    return TryStrToFloat(ReadString(section, name, AnsiString()), v) ? v : defaultValue;
}

void TCustomIniFile::WriteFloat(const AnsiString& section, const AnsiString& name, double value)
{
    WriteString(section, name, FloatToStr(value));
}

TDateTime TCustomIniFile::ReadDateTime(const AnsiString& section, const AnsiString& name,
                                       TDateTime defaultValue)
{
    TDateTime v;
    return TryStrToDateTime(ReadString(section, name, AnsiString()), v) ? v : defaultValue;
}

void TCustomIniFile::WriteDateTime(const AnsiString& section, const AnsiString& name, TDateTime value)
{
    WriteString(section, name, DateTimeToStr(value));
}

bool TCustomIniFile::ReadBool(const AnsiString& section, const AnsiString& name, bool defaultValue)
{
    int v;
    return TryStrToInt(ReadString(section, name, AnsiString()), v) ? v != 0 : defaultValue;
}

void TCustomIniFile::WriteBool(const AnsiString& section, const AnsiString& name, bool value)
{
    WriteString(section, name, value ? "1" : "0");
}

bool TCustomIniFile::SectionExists(const AnsiString& section)
{
    TStringList sections;
    ReadSections(&sections);
    return sections.IndexOf(section) >= 0;
}

bool TCustomIniFile::ValueExists(const AnsiString& section, const AnsiString& name)
{
    TStringList names;
    ReadSection(section, &names);
    return names.IndexOf(name) >= 0;
}

// ---- the line rules both classes share -------------------------------------------

AnsiString TIniText::Read(const AnsiString& section, const AnsiString& name, const AnsiString& defaultValue) const
{
    const long i = FindKey(section, name);
    if (i < 0)
        return defaultValue;
    return AnsiString(CleanValue(RawValue(lines[static_cast<std::size_t>(i)])));
}

void TIniText::Write(const AnsiString& section, const AnsiString& name, const AnsiString& value)
{
    CheckWritable(section, name, value);
    const long i = FindKey(section, name);
    if (i >= 0) {
        // The line keeps its key, so the index stays true.
        AnsiString key;
        KeyName(lines[static_cast<std::size_t>(i)], key);
        lines[static_cast<std::size_t>(i)] = key + "=" + value;
        return;
    }
    std::size_t first, last;
    if (Section(section, first, last)) {
        while (last > first && Trim(lines[last - 1]).empty())
            --last;
        lines.insert(lines.begin() + static_cast<long>(last), name + "=" + value);
        Changed();
    } else {
        DropTrailingBlankLines();
        if (!lines.empty())
            lines.emplace_back();
        lines.push_back("[" + section + "]");
        lines.push_back(name + "=" + value);
        Changed();
    }
}

void TIniText::Names(const AnsiString& section, TStrings* names, bool withValues) const
{
    names->Clear();
    std::size_t first, last;
    if (!Section(section, first, last))
        return;
    std::unordered_set<AnsiString> seen;
    AnsiString name, line;
    for (std::size_t i = first; i < last; ++i)
        if (KeyName(lines[i], name) && !name.empty() && seen.insert(SameTextKey(name)).second) {
            if (!withValues) {
                names->Add(name);
                continue;
            }
            const std::string_view value = CleanValue(RawValue(lines[i]));
            line.clear();
            line.reserve(name.size() + 1 + value.size());
            line.append(name).append(1, '=').append(value);
            names->Add(line);
        }
}

void TIniText::Sections(TStrings* sections) const
{
    sections->Clear();
    std::unordered_set<AnsiString> seen;
    AnsiString name;
    for (const auto& line : lines)
        if (Header(line, name) && seen.insert(SameTextKey(name)).second)
            sections->Add(name);
}

bool TIniText::HasSection(const AnsiString& section) const { return FindSection(section) != nullptr; }

bool TIniText::HasKey(const AnsiString& section, const AnsiString& name) const
{
    // As ReadSection lists them: a key without a name is no key.
    return !name.empty() && FindKey(section, name) >= 0;
}

void TIniText::Erase(const AnsiString& section)
{
    std::size_t first, last;
    bool erased = false;
    while (Section(section, first, last)) {
        lines.erase(lines.begin() + static_cast<long>(first - 1), lines.begin() + static_cast<long>(last));
        Changed();
        erased = true;
    }
    if (erased)
        DropTrailingBlankLines();
}

void TIniText::Delete(const AnsiString& section, const AnsiString& name)
{
    const long i = FindKey(section, name);
    if (i >= 0) {
        lines.erase(lines.begin() + i);
        Changed();
    }
}

void TIniText::Append(const std::vector<AnsiString>& section)
{
    DropTrailingBlankLines();
    if (!lines.empty())
        lines.emplace_back();
    lines.insert(lines.end(), section.begin(), section.end());
    Changed();
}

void TIniText::Add(const AnsiString& section)
{
    CheckWritable(section, "-", AnsiString());
    std::size_t first, last;
    if (!Section(section, first, last))
        Append({"[" + section + "]"});
}

void TIniText::MoveToEnd(const AnsiString& section)
{
    std::size_t first, last;
    if (!Section(section, first, last))
        return;
    const auto begin = lines.begin() + static_cast<long>(first - 1), end = lines.begin() + static_cast<long>(last);
    std::vector<AnsiString> moved(begin, end);
    lines.erase(begin, end);
    Changed();
    while (!moved.empty() && Trim(moved.back()).empty())
        moved.pop_back();
    Append(moved);
}

namespace {

TIniText LoadLocked(const vcl::TLockedFile& file) { return TIniText::Parse(file.Read()); }

TIniText LoadShared(const AnsiString& fileName)
{
    return LoadLocked(vcl::TLockedFile(fileName, vcl::TFileLockMode::Shared));
}

// One read-change-write under the writers' lock; the file is written only
// when its lines changed.
template <typename Change>
void Modify(const AnsiString& fileName, Change change)
{
    vcl::TLockedFile file(fileName, vcl::TFileLockMode::Exclusive);
    const TIniText before = LoadLocked(file);
    TIniText after = before;
    change(after);
    if (after.lines != before.lines)
        file.Replace(after.Join());
}

}  // namespace

// ---- TIniFile -----------------------------------------------------------------

AnsiString TIniFile::ReadString(const AnsiString& section, const AnsiString& name,
                                const AnsiString& defaultValue)
{
    return LoadShared(FFileName).Read(section, name, defaultValue);
}

void TIniFile::WriteString(const AnsiString& section, const AnsiString& name, const AnsiString& value)
{
    CheckWritable(section, name, value);
    Modify(FFileName, [&](TIniText& ini) { ini.Write(section, name, value); });
}

void TIniFile::ReadSection(const AnsiString& section, TStrings* names)
{
    LoadShared(FFileName).Names(section, names, false);
}

void TIniFile::ReadSections(TStrings* sections) { LoadShared(FFileName).Sections(sections); }

void TIniFile::ReadSectionValues(const AnsiString& section, TStrings* values)
{
    LoadShared(FFileName).Names(section, values, true);
}

void TIniFile::EraseSection(const AnsiString& section)
{
    Modify(FFileName, [&](TIniText& ini) { ini.Erase(section); });
}

void TIniFile::DeleteKey(const AnsiString& section, const AnsiString& name)
{
    Modify(FFileName, [&](TIniText& ini) { ini.Delete(section, name); });
}

// ---- TMemIniFile ----------------------------------------------------------------

TMemIniFile::TMemIniFile(AnsiString fileName) : FFileName(std::move(fileName)), FText(std::make_unique<TIniText>())
{
    *FText = LoadShared(FFileName);
}

TMemIniFile::TMemIniFile(AnsiString fileName, const AnsiString& contents)
    : FFileName(std::move(fileName)), FText(std::make_unique<TIniText>(TIniText::Parse(contents)))
{
}

TMemIniFile::~TMemIniFile() = default;

AnsiString TMemIniFile::Text() const { return FText->Join(); }

AnsiString TMemIniFile::ReadString(const AnsiString& section, const AnsiString& name,
                                   const AnsiString& defaultValue)
{
    return FText->Read(section, name, defaultValue);
}

void TMemIniFile::WriteString(const AnsiString& section, const AnsiString& name, const AnsiString& value)
{
    FText->Write(section, name, value);
}

void TMemIniFile::ReadSection(const AnsiString& section, TStrings* names) { FText->Names(section, names, false); }

void TMemIniFile::ReadSections(TStrings* sections) { FText->Sections(sections); }

bool TMemIniFile::SectionExists(const AnsiString& section) { return FText->HasSection(section); }

bool TMemIniFile::ValueExists(const AnsiString& section, const AnsiString& name)
{
    return FText->HasKey(section, name);
}

void TMemIniFile::ReadSectionValues(const AnsiString& section, TStrings* values)
{
    FText->Names(section, values, true);
}

void TMemIniFile::EraseSection(const AnsiString& section) { FText->Erase(section); }

void TMemIniFile::DeleteKey(const AnsiString& section, const AnsiString& name) { FText->Delete(section, name); }

void TMemIniFile::AddSection(const AnsiString& section) { FText->Add(section); }

void TMemIniFile::MoveSectionToEnd(const AnsiString& section) { FText->MoveToEnd(section); }

void TMemIniFile::InsertBlankLineBeforeHeaders()
{
    auto& lines = FText->lines;
    for (std::size_t i = lines.size(); i-- > 1;)
        if (!lines[i].empty() && lines[i][0] == '[' && !lines[i - 1].empty())
            lines.insert(lines.begin() + static_cast<long>(i), AnsiString());
    FText->Changed();
}

void TMemIniFile::UpdateFile()
{
    vcl::TLockedFile file(FFileName, vcl::TFileLockMode::Exclusive);
    file.Replace(Text());
}

void TMemIniFile::UpdateFile(vcl::TLockedFile& file) { file.Replace(Text()); }

// INI files. TIniFile reads the file for every call and, for writes,
// replaces it when the text changed; TMemIniFile works on one copy in memory
// and writes it back once. Both share the line rules below.
#include "IniFiles.hpp"

#include <vector>

#include "AtomicFile.hpp"
#include "SysUtils.hpp"

struct TIniText {
    std::vector<AnsiString> lines;
    const char* eol = "\n";

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
    static bool Header(const AnsiString& line, AnsiString& name)
    {
        const AnsiString t = Trim(line);
        if (t.empty() || t[0] != '[')
            return false;
        const auto close = t.find(']');
        if (close == AnsiString::npos)
            return false;
        name = Trim(t.substr(1, close - 1));
        return true;
    }

    static bool Key(const AnsiString& line, AnsiString& name, AnsiString& value)
    {
        const auto eq = line.find('=');
        if (eq == AnsiString::npos)
            return false;
        name = Trim(line.substr(0, eq));
        value = line.substr(eq + 1);
        return true;
    }

    // [first, last) body lines of the first section of that name; false if absent.
    bool Section(const AnsiString& section, std::size_t& first, std::size_t& last,
                 std::size_t from = 0) const
    {
        AnsiString name;
        for (std::size_t i = from; i < lines.size(); ++i) {
            if (Header(lines[i], name) && SameText(name, section)) {
                first = i + 1;
                last = first;
                AnsiString other;
                while (last < lines.size() && !Header(lines[last], other))
                    ++last;
                return true;
            }
        }
        return false;
    }

    // Index of the key's line in the first section of that name, or -1.
    long FindKey(const AnsiString& section, const AnsiString& key) const
    {
        std::size_t first, last;
        if (!Section(section, first, last))
            return -1;
        AnsiString name, value;
        for (std::size_t i = first; i < last; ++i)
            if (Key(lines[i], name, value) && SameText(name, key))
                return static_cast<long>(i);
        return -1;
    }

    void DropTrailingBlankLines()
    {
        while (!lines.empty() && Trim(lines.back()).empty())
            lines.pop_back();
    }

    AnsiString Read(const AnsiString& section, const AnsiString& name, const AnsiString& defaultValue) const;
    void Write(const AnsiString& section, const AnsiString& name, const AnsiString& value);
    // The section's key names, or name=value lines, first occurrence of each.
    void Names(const AnsiString& section, TStrings* names, bool withValues) const;
    void Sections(TStrings* sections) const;
    void Erase(const AnsiString& section);
    void Delete(const AnsiString& section, const AnsiString& name);
    void Add(const AnsiString& section);
    void MoveToEnd(const AnsiString& section);

private:
    // Starts a new section at the end: one blank line, then the lines given.
    void Append(const std::vector<AnsiString>& section);
};

namespace {

AnsiString CleanValue(const AnsiString& raw)
{
    AnsiString v = Trim(raw);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        v = v.substr(1, v.size() - 2);
    return v;
}

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
    AnsiString key, value;
    Key(lines[static_cast<std::size_t>(i)], key, value);
    return CleanValue(value);
}

void TIniText::Write(const AnsiString& section, const AnsiString& name, const AnsiString& value)
{
    CheckWritable(section, name, value);
    const long i = FindKey(section, name);
    if (i >= 0) {
        AnsiString key, old;
        Key(lines[static_cast<std::size_t>(i)], key, old);
        lines[static_cast<std::size_t>(i)] = key + "=" + value;
        return;
    }
    std::size_t first, last;
    if (Section(section, first, last)) {
        while (last > first && Trim(lines[last - 1]).empty())
            --last;
        lines.insert(lines.begin() + static_cast<long>(last), name + "=" + value);
    } else {
        DropTrailingBlankLines();
        if (!lines.empty())
            lines.emplace_back();
        lines.push_back("[" + section + "]");
        lines.push_back(name + "=" + value);
    }
}

void TIniText::Names(const AnsiString& section, TStrings* names, bool withValues) const
{
    names->Clear();
    std::size_t first, last;
    if (!Section(section, first, last))
        return;
    TStringList seen;
    AnsiString name, value;
    for (std::size_t i = first; i < last; ++i)
        if (Key(lines[i], name, value) && !name.empty() && seen.IndexOf(name) < 0) {
            seen.Add(name);
            names->Add(withValues ? name + "=" + CleanValue(value) : name);
        }
}

void TIniText::Sections(TStrings* sections) const
{
    sections->Clear();
    AnsiString name;
    for (const auto& line : lines)
        if (Header(line, name) && sections->IndexOf(name) < 0)
            sections->Add(name);
}

void TIniText::Erase(const AnsiString& section)
{
    std::size_t first, last;
    bool erased = false;
    while (Section(section, first, last)) {
        lines.erase(lines.begin() + static_cast<long>(first - 1), lines.begin() + static_cast<long>(last));
        erased = true;
    }
    if (erased)
        DropTrailingBlankLines();
}

void TIniText::Delete(const AnsiString& section, const AnsiString& name)
{
    const long i = FindKey(section, name);
    if (i >= 0)
        lines.erase(lines.begin() + i);
}

void TIniText::Append(const std::vector<AnsiString>& section)
{
    DropTrailingBlankLines();
    if (!lines.empty())
        lines.emplace_back();
    lines.insert(lines.end(), section.begin(), section.end());
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
}

void TMemIniFile::UpdateFile()
{
    vcl::TLockedFile file(FFileName, vcl::TFileLockMode::Exclusive);
    file.Replace(Text());
}

void TMemIniFile::UpdateFile(vcl::TLockedFile& file) { file.Replace(Text()); }

// INI files. Each call reads the file, works on its lines, and (for writes)
// replaces the file atomically when the text changed.
#include "IniFiles.hpp"

#include <vector>

#include "AtomicFile.hpp"
#include "SysUtils.hpp"

namespace {

struct IniText {
    std::vector<AnsiString> lines;
    const char* eol = "\n";

    static IniText Load(const AnsiString& fileName)
    {
        IniText ini;
        AnsiString contents;
        if (!vcl::ReadWholeFile(fileName, contents))
            return ini;
        const auto lf = contents.find('\n');
        if (lf != AnsiString::npos && lf > 0 && contents[lf - 1] == '\r')
            ini.eol = "\r\n";
        std::size_t start = 0;
        while (start < contents.size()) {
            auto end = contents.find('\n', start);
            const std::size_t next = end == AnsiString::npos ? contents.size() : end + 1;
            if (end == AnsiString::npos)
                end = contents.size();
            std::size_t stop = end;
            if (stop > start && contents[stop - 1] == '\r')
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
};

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

void Store(const AnsiString& fileName, const IniText& before, const IniText& after)
{
    if (before.lines != after.lines)
        vcl::AtomicReplaceFile(fileName, after.Join());
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

// ---- TIniFile -----------------------------------------------------------------

AnsiString TIniFile::ReadString(const AnsiString& section, const AnsiString& name,
                                const AnsiString& defaultValue)
{
    const IniText ini = IniText::Load(FFileName);
    const long i = ini.FindKey(section, name);
    if (i < 0)
        return defaultValue;
    AnsiString key, value;
    IniText::Key(ini.lines[static_cast<std::size_t>(i)], key, value);
    return CleanValue(value);
}

void TIniFile::WriteString(const AnsiString& section, const AnsiString& name, const AnsiString& value)
{
    CheckWritable(section, name, value);
    const IniText before = IniText::Load(FFileName);
    IniText ini = before;
    const long i = ini.FindKey(section, name);
    if (i >= 0) {
        AnsiString key, old;
        IniText::Key(ini.lines[static_cast<std::size_t>(i)], key, old);
        ini.lines[static_cast<std::size_t>(i)] = key + "=" + value;
    } else {
        std::size_t first, last;
        if (ini.Section(section, first, last)) {
            while (last > first && Trim(ini.lines[last - 1]).empty())
                --last;
            ini.lines.insert(ini.lines.begin() + static_cast<long>(last), name + "=" + value);
        } else {
            ini.DropTrailingBlankLines();
            if (!ini.lines.empty())
                ini.lines.emplace_back();
            ini.lines.push_back("[" + section + "]");
            ini.lines.push_back(name + "=" + value);
        }
    }
    Store(FFileName, before, ini);
}

void TIniFile::ReadSection(const AnsiString& section, TStrings* names)
{
    names->Clear();
    const IniText ini = IniText::Load(FFileName);
    std::size_t first, last;
    if (!ini.Section(section, first, last))
        return;
    TStringList seen;
    AnsiString name, value;
    for (std::size_t i = first; i < last; ++i)
        if (IniText::Key(ini.lines[i], name, value) && !name.empty() && seen.IndexOf(name) < 0) {
            seen.Add(name);
            names->Add(name);
        }
}

void TIniFile::ReadSections(TStrings* sections)
{
    sections->Clear();
    const IniText ini = IniText::Load(FFileName);
    AnsiString name;
    for (const auto& line : ini.lines)
        if (IniText::Header(line, name) && sections->IndexOf(name) < 0)
            sections->Add(name);
}

void TIniFile::ReadSectionValues(const AnsiString& section, TStrings* values)
{
    values->Clear();
    const IniText ini = IniText::Load(FFileName);
    std::size_t first, last;
    if (!ini.Section(section, first, last))
        return;
    TStringList seen;
    AnsiString name, value;
    for (std::size_t i = first; i < last; ++i)
        if (IniText::Key(ini.lines[i], name, value) && !name.empty() && seen.IndexOf(name) < 0) {
            seen.Add(name);
            values->Add(name + "=" + CleanValue(value));
        }
}

void TIniFile::EraseSection(const AnsiString& section)
{
    const IniText before = IniText::Load(FFileName);
    IniText ini = before;
    std::size_t first, last;
    bool erased = false;
    while (ini.Section(section, first, last)) {
        ini.lines.erase(ini.lines.begin() + static_cast<long>(first - 1),
                        ini.lines.begin() + static_cast<long>(last));
        erased = true;
    }
    if (!erased)
        return;
    ini.DropTrailingBlankLines();
    Store(FFileName, before, ini);
}

void TIniFile::DeleteKey(const AnsiString& section, const AnsiString& name)
{
    const IniText before = IniText::Load(FFileName);
    IniText ini = before;
    const long i = ini.FindKey(section, name);
    if (i < 0)
        return;
    ini.lines.erase(ini.lines.begin() + i);
    Store(FFileName, before, ini);
}

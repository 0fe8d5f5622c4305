// Fuzzer for the INI reader and writer (TMemIniFile on text in memory).
// Properties: the copy's text reads back with the same sections, keys and
// values; everything read, written into a new file (as it stands when the
// reader would give it back unchanged, in double quotes otherwise), reads
// back the same; a name the writer refuses is one the documented rules
// forbid.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "IniFiles.hpp"
#include "SysUtils.hpp"

namespace {

void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "INI fuzz check failed: %s\n", what);
        std::abort();
    }
}

struct TEntry {
    AnsiString Section, Name, Value;
};

// Every value the file gives, section by section, key by key.
std::vector<TEntry> Contents(TMemIniFile& ini)
{
    std::vector<TEntry> all;
    TStringList sections, names;
    ini.ReadSections(&sections);
    for (int s = 0; s < sections.Count(); ++s) {
        ini.ReadSection(sections[s], &names);
        for (int k = 0; k < names.Count(); ++k) {
            // Two defaults: a value may be either, never both.
            const AnsiString value = ini.ReadString(sections[s], names[k], "\x01a");
            Require(value != "\x01a" || ini.ReadString(sections[s], names[k], "\x01b") != "\x01b",
                    "a listed key has no value");
            all.push_back({sections[s], names[k], value});
        }
    }
    return all;
}

bool SameContents(const std::vector<TEntry>& a, const std::vector<TEntry>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].Section != b[i].Section || a[i].Name != b[i].Name || a[i].Value != b[i].Value)
            return false;
    return true;
}

bool HasLineBreak(const AnsiString& s) { return s.find_first_of("\r\n") != AnsiString::npos; }

// What the reader makes of a raw value: blanks trimmed, one pair of quotes dropped.
AnsiString Cleaned(const AnsiString& raw)
{
    AnsiString v = Trim(raw);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        v = v.substr(1, v.size() - 2);
    return v;
}

bool Writable(const TEntry& e)
{
    return !e.Section.empty() && !HasLineBreak(e.Section) && e.Section.find(']') == AnsiString::npos &&
           Trim(e.Section) == e.Section && !e.Name.empty() && !HasLineBreak(e.Name) &&
           e.Name.find('=') == AnsiString::npos && e.Name[0] != '[' && Trim(e.Name) == e.Name &&
           !HasLineBreak(e.Value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 4096)
        return 0;
    const AnsiString text(reinterpret_cast<const char*>(data), size);
    TMemIniFile ini("fuzz.ini", text);
    const std::vector<TEntry> read = Contents(ini);

    // The text of the copy reads as the copy did, and is stable from then on.
    const AnsiString saved = ini.Text();
    TMemIniFile again("fuzz.ini", saved);
    Require(SameContents(Contents(again), read), "the saved text reads differently");
    Require(again.Text() == saved, "saving the saved text changes it");

    // Write what was read into an empty file; it must read back the same.
    TMemIniFile copy("copy.ini", AnsiString());
    std::vector<TEntry> written;
    for (const TEntry& e : read) {
        const bool asIs = Cleaned(e.Value) == e.Value;
        try {
            copy.WriteString(e.Section, e.Name, asIs ? e.Value : "\"" + e.Value + "\"");
        } catch (const EIniFileException&) {
            Require(!Writable(e), "the writer refused a writable entry");
            continue;
        }
        Require(Writable(e), "the writer took an entry an INI line cannot hold");
        written.push_back(e);
    }
    std::vector<TEntry> back;
    for (const TEntry& e : written)
        back.push_back({e.Section, e.Name, copy.ReadString(e.Section, e.Name, "\x01missing")});
    Require(SameContents(back, written), "a written value reads back differently");
    TMemIniFile reread("copy.ini", copy.Text());
    for (const TEntry& e : written)
        Require(reread.ReadString(e.Section, e.Name, "\x01missing") == e.Value,
                "a written value reads back differently from the file text");
    return 0;
}

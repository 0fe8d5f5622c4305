// TTidewashConfig: the schema, loading and saving TWS.cfg, the flag and list
// accessors, and the excluded folders.
#include "Configintf.h"

#include <algorithm>
#include <string_view>

#include "Maskrules.h"

#include "AtomicFile.hpp"
#include "IniFiles.hpp"
#include "SysUtils.hpp"
#include "Zelconvert.h"
#include "Zelinifileio.h"

namespace tws {

namespace {

using TStoredExcludedFolders = std::map<AnsiString, AnsiString>;

bool HasLineBreak(const AnsiString& text) { return text.find_first_of("\r\n") != AnsiString::npos; }

// What an INI file can hold as a key.
bool StorableKey(const AnsiString& key)
{
    return !key.empty() && key.find('=') == AnsiString::npos && key[0] != '[' && Trim(key) == key &&
           !HasLineBreak(key);
}

const AnsiString ExcludedSection = "Files/Excluded";

// What TStrings::SetCommaText would read without guessing: every item that
// opens a double quote closes it. Only the double quotes decide, so the
// scan goes from one to the next (a folder list may be megabytes): one
// outside a quote opens one where an item starts, after a comma or a blank
// or at the start; inside, a doubled one is a quote character and a single
// one closes.
bool IsCommaText(const AnsiString& text)
{
    auto itemStart = [&](std::size_t at) {
        return at == 0 || text[at - 1] == ',' || static_cast<unsigned char>(text[at - 1]) <= ' ';
    };
    for (std::size_t i = text.find('"'); i != AnsiString::npos; i = text.find('"', i)) {
        if (!itemStart(i)) {
            ++i;  // a quote glued to an item is part of it
            continue;
        }
        for (i = text.find('"', i + 1);; i = text.find('"', i + 2)) {
            if (i == AnsiString::npos)
                return false;
            if (i + 1 >= text.size() || text[i + 1] != '"')
                break;
        }
        ++i;  // past the closing quote
    }
    return true;
}

// text without the blanks (bytes up to the space) at its ends, as Trim
// gives it, without a copy: a settings line may be megabytes long.
std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    return text;
}

// Each line of text as TStrings::SetText splits it (at each LF, a CR
// before it dropped), without a copy.
template <typename Each>
void ForEachLine(std::string_view text, Each each)
{
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        each(line);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
}

bool IsCommentOrBlank(std::string_view line)
{
    const std::string_view t = Trimmed(line);
    return t.empty() || t[0] == ';' || t[0] == '#';
}

// What every whole file holds, in the order Save writes it: the settings
// write each key, and [Files/Excluded] (no key: the section) too, empty when
// no folder is excluded.
const std::pair<AnsiString, AnsiString> Required[] = {
    {"Files", "ActiveMasks"},   {"Files", "DeleteHidden"}, {"Files", "DeleteReadOnly"},
    {"Files", "UseRecycleBin"}, {ExcludedSection, ""},     {"Volumes", "Excluded"},
};

// Whether section's key holds a list: values a cut can shorten into another
// valid list, one that excludes less or holds another mask (*.obj cut to
// *.o).
bool IsListKey(const AnsiString& section, const AnsiString& key)
{
    return SameText(section, ExcludedSection) || (SameText(section, "Files") && SameText(key, "ActiveMasks")) ||
           (SameText(section, "Volumes") && SameText(key, "Excluded"));
}

// A last line without a line end is whole only where a cut could not have
// shortened it into something else that reads. A list value can always be
// cut so: its double quotes are not escaped inside (a cut after an item
// that was quoted, "/a,"/b c"", leaves "/a," closed). Flags and unknown
// keys cut short read as their defaults or are ignored, which selects
// nothing more.
bool LastLineMayBeCut(const AnsiString& section, const AnsiString& line)
{
    const auto eq = line.find('=');
    return eq != AnsiString::npos && IsListKey(section, Trim(line.substr(0, eq)));
}

// The refusals documented with TTidewashConfig: file content whose defaults
// could make the cleanup select files the user excluded.
// Why one of the masks may not be active, or empty.
AnsiString RefusedMask(const TStrings& masks)
{
    for (int i = 0; i < masks.Count(); ++i)
        if (AnsiString why = MaskRefusal(masks.Get(i)); !why.empty())
            return why;
    return AnsiString();
}

AnsiString Damage(const AnsiString& contents, TMemIniFile& ini)
{
    if (contents.empty())
        return "it is empty";
    if (contents.find('\0') != AnsiString::npos)
        return "it holds NUL bytes, it is not a text file";

    int excludedSections = 0, number = 0;
    AnsiString section, why;
    std::string_view last;
    ForEachLine(contents, [&](std::string_view line) {
        ++number;
        last = line;
        const std::string_view t = Trimmed(line);
        const bool inExcluded = SameText(section, ExcludedSection);
        if (!why.empty()) {
            // the first damage found is told
        } else if (!t.empty() && t[0] == '[' && t.find(']') != std::string_view::npos) {
            section = Trim(AnsiString(t.substr(1, t.find(']') - 1)));
            excludedSections += SameText(section, ExcludedSection) ? 1 : 0;
        } else if (inExcluded && !IsCommentOrBlank(t) && t.find('=') == std::string_view::npos) {
            why = "line " + IntToStr(number) + " of [" + ExcludedSection + "] is not name=value: " + AnsiString(t);
        }
    });
    if (!why.empty())
        return why;
    if (excludedSections > 1)
        return "[" + ExcludedSection + "] appears more than once";
    if (contents.back() != '\n' && LastLineMayBeCut(section, AnsiString(Trimmed(last))))
        return "its last line holds a list and has no line end, so it may have been cut short";

    AnsiString missing;
    for (const auto& [name, key] : Required)
        if (key.empty() ? !ini.SectionExists(name) : !ini.ValueExists(name, key))
            missing += (missing.empty() ? "" : ", ") + ("[" + name + "]" + (key.empty() ? "" : " " + key));
    if (!missing.empty())
        return "it lacks " + missing +
               " (the settings always write these, [" + ExcludedSection +
               "] empty when no folder is excluded), so it may have been cut short";

    auto checkList = [&](const AnsiString& section, const AnsiString& key) -> AnsiString {
        if (ini.ValueExists(section, key) && !IsCommaText(ini.ReadString(section, key, AnsiString())))
            return "[" + section + "] " + key + " is not a list (an unclosed double quote)";
        return AnsiString();
    };
    for (const auto& [section, key] : {std::pair<AnsiString, AnsiString>{"Files", "ActiveMasks"},
                                       std::pair<AnsiString, AnsiString>{"Volumes", "Excluded"}})
        if (AnsiString why = checkList(section, key); !why.empty())
            return why;
    TStringList masks;
    ini.ReadSection(ExcludedSection, &masks);
    for (int i = 0; i < masks.Count(); ++i)
        if (AnsiString why = checkList(ExcludedSection, masks[i]); !why.empty())
            return why;
    return AnsiString();
}

}  // namespace

TTidewashConfig::TTidewashConfig() = default;
TTidewashConfig::~TTidewashConfig() = default;

void TTidewashConfig::DefineSchema()
{
    TStringListAdaptor defaultMasks;
    defaultMasks->SetCommaText(DefaultActiveMasks);
    const TStringListAdaptor noVolumes;

    zelconfig::TConfigSection* files = AddSection("Files", "");
    zelconfig::TConfigSection* excluded = files->AddChildSection("Excluded", "");
    zelconfig::TConfigSection* volumes = AddSection("Volumes", "");

    files->DefineItem(IdFilesActiveMasks, "ActiveMasks", defaultMasks, "");
    files->DefineItem(IdFilesDeleteHidden, "DeleteHidden", false, "");
    files->DefineItem(IdFilesDeleteReadOnly, "DeleteReadOnly", false, "");
    files->DefineItem(IdFilesUseRecycleBin, "UseRecycleBin", true, "");
    volumes->DefineItem(IdVolumesExcluded, "Excluded", noVolumes, "");
    excluded->DefineCollection(IdMaskExcludedFolders, TStoredExcludedFolders(), "");
}

bool TTidewashConfig::Load(const AnsiString& fileName)
{
    AnsiString contents;
    bool existed;
    {
        const vcl::TLockedFile file(fileName, vcl::TFileLockMode::Shared);
        existed = file.Exists();
        contents = file.Read();
    }
    // A missing file is the one case the defaults stand for; nothing is
    // written here (a scan writes nothing): the first Save creates the file.
    TMemIniFile ini(fileName, contents);
    if (existed)
        if (const AnsiString why = Damage(contents, ini); !why.empty())
            throw EConfigFileDamaged("The settings file \"" + fileName + "\" cannot be used: " + why);
    // Checked on a copy, so that a refused file leaves these settings as
    // they were.
    TTidewashConfig read;
    read.DefineSchema();
    zelconfig::TIniFileImport(fileName).ImportFrom(&read, ini);
    TStringListAdaptor masks;
    read.GetStrings(TStringsSetting::ssActiveMasks, masks);
    if (const AnsiString why = RefusedMask(*masks.Get()); !why.empty())
        throw EConfigFileDamaged("The settings file \"" + fileName + "\" cannot be used: " + why);
    ResetToDefaults();
    zelconfig::TIniFileImport(fileName).ImportFrom(this, ini);

    TExcludedFoldersMap folders;
    for (const auto& [mask, text] : GetValue<TStoredExcludedFolders>(IdMaskExcludedFolders))
        folders[mask]->SetCommaText(text);
    FExcludedFolders.swap(folders);
    return true;
}

bool TTidewashConfig::Save(const AnsiString& fileName)
{
    CheckStorable();
    TStoredExcludedFolders stored;
    for (const auto& [mask, entries] : FExcludedFolders)
        if (entries->Count() > 0)
            stored[mask] = zelcore::QuoteCommaText(entries->CommaText());
    SetValue(IdMaskExcludedFolders, stored);
    // Read, changed and written back under one lock: another saver's
    // settings are not lost to a copy read before it wrote.
    vcl::TLockedFile file(fileName, vcl::TFileLockMode::Exclusive);
    TMemIniFile ini(fileName, file.Read());
    zelconfig::TIniFileExport(fileName).ExportTo(*this, ini);
    // Every section is there, also [Files/Excluded] without entries, and
    // [Volumes] comes after the variable-length [Files/Excluded] (which the
    // export rewrites at the end): a file cut anywhere then lacks a key the
    // reader requires, or ends inside a value.
    ini.AddSection(ExcludedSection);
    ini.MoveSectionToEnd("Volumes");
    ini.InsertBlankLineBeforeHeaders();
    ini.UpdateFile(file);
    return true;
}

// An INI write that fails halfway through would leave the file half
// rewritten, and a key an INI file cannot hold apart would silently become
// another: both are refused before the first write.
void TTidewashConfig::CheckStorable() const
{
    for (const TStringsSetting which : {TStringsSetting::ssActiveMasks, TStringsSetting::ssExcludedVolumes})
        if (HasLineBreak(GetStringsText(which)))
            throw Exception("Setting holds a line break: " + Identifier(which));

    TStringList masks;
    for (const auto& [mask, entries] : FExcludedFolders) {
        if (entries->Count() == 0)
            continue;
        if (!StorableKey(mask))
            throw Exception("Invalid file mask for excluded folders: " + mask);
        if (masks.IndexOf(mask) >= 0)
            throw Exception("Excluded folders are set for masks that differ only in case: " + mask);
        masks.Add(mask);
        if (HasLineBreak(entries->CommaText()))
            throw Exception("Excluded folder entry holds a line break: " + mask);
    }
}

const AnsiString& TTidewashConfig::Identifier(TFlagSetting which)
{
    switch (which) {
    case TFlagSetting::fsDeleteHidden:
        return IdFilesDeleteHidden;
    case TFlagSetting::fsDeleteReadOnly:
        return IdFilesDeleteReadOnly;
    case TFlagSetting::fsUseRecycleBin:
        return IdFilesUseRecycleBin;
    }
    throw Exception("Unknown flag setting: " + IntToStr(static_cast<int>(which)));
}

const AnsiString& TTidewashConfig::Identifier(TStringsSetting which)
{
    switch (which) {
    case TStringsSetting::ssActiveMasks:
        return IdFilesActiveMasks;
    case TStringsSetting::ssExcludedVolumes:
        return IdVolumesExcluded;
    }
    throw Exception("Unknown list setting: " + IntToStr(static_cast<int>(which)));
}

bool TTidewashConfig::GetFlag(TFlagSetting which) const { return GetValue<bool>(Identifier(which)); }

void TTidewashConfig::SetFlag(TFlagSetting which, bool value) { SetValue(Identifier(which), value); }

void TTidewashConfig::GetStrings(TStringsSetting which, TStringListAdaptor& out) const
{
    out = GetValue<TStringListAdaptor>(Identifier(which));
}

AnsiString TTidewashConfig::GetStringsText(TStringsSetting which) const
{
    return GetValue<TStringListAdaptor>(Identifier(which))->CommaText();
}

void TTidewashConfig::SetStringsText(TStringsSetting which, const AnsiString& commaText)
{
    TStringListAdaptor list;
    list->SetCommaText(commaText);
    if (which == TStringsSetting::ssActiveMasks)
        if (const AnsiString why = RefusedMask(*list.Get()); !why.empty())
            throw Exception(why);
    SetValue(Identifier(which), list);
}

void TTidewashConfig::DeleteActiveMask(const AnsiString& mask)
{
    TStringListAdaptor masks;
    masks->SetCommaText(GetStringsText(TStringsSetting::ssActiveMasks));
    const int i = masks->IndexOf(mask);
    if (i < 0)
        return;
    masks->Delete(i);
    SetStringsText(TStringsSetting::ssActiveMasks, masks->CommaText());
}

void TTidewashConfig::GetExcludedFolders(const AnsiString& mask, TStringListAdaptor& out) const
{
    out->Clear();
    const auto it = FExcludedFolders.find(mask);
    if (it != FExcludedFolders.end())
        out->AddStrings(*it->second.Get());
}

void TTidewashConfig::SetExcludedFolders(const AnsiString& mask, const TStringListAdaptor& entries)
{
    FExcludedFolders[mask] = entries;
}

TStringListAdaptor MakeExcludedFolderEntries(const TStrings& folders, const TStrings& foldersWithSub)
{
    TStringListAdaptor entries;
    for (int i = 0; i < folders.Count(); ++i)
        entries->Add(folders[i] + "=0");
    for (int i = 0; i < foldersWithSub.Count(); ++i)
        entries->Add(foldersWithSub[i] + "=1");
    return entries;
}

TExcludedFolderEntry ParseExcludedFolderEntry(const AnsiString& entry)
{
    const auto eq = entry.rfind('=');
    if (eq == AnsiString::npos)
        return {entry, true};
    // The values the settings write, "0" and "1", told apart without the
    // number parser: a list may hold 100,000 entries.
    const std::string_view text = std::string_view(entry).substr(eq + 1);
    bool alone;
    if (text == "0" || text == "1") {
        alone = text == "0";
    } else {
        int value;
        alone = TryStrToInt(AnsiString(text), value) && value != 1;
    }
    return {entry.substr(0, eq), !alone};
}

void SplitExcludedFolderEntries(const TStringListAdaptor& entries, TStrings& folders, TStrings& foldersWithSub)
{
    for (int i = 0; i < entries->Count(); ++i) {
        const TExcludedFolderEntry entry = ParseExcludedFolderEntry(entries->Get(i));
        (entry.WithSubfolders ? foldersWithSub : folders).Add(entry.Folder);
    }
}

}  // namespace tws

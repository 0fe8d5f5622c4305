// TTidewashConfig: the schema, loading and saving TWS.cfg, the flag and list
// accessors, and the excluded folders.
#include "Configintf.h"

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
    const bool existed = FileExists(fileName);
    ResetToDefaults();
    zelconfig::TIniFileImport(fileName).Import(this);
    if (!existed)
        zelconfig::TIniFileExport(fileName).Export(*this);

    TExcludedFoldersMap folders;
    for (const auto& [mask, text] : GetValue<TStoredExcludedFolders>(IdMaskExcludedFolders)) {
        TStringListAdaptor entries;
        entries->SetCommaText(text);
        folders[mask]->AddStrings(*entries.Get());
    }
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
    zelconfig::TIniFileExport(fileName).Export(*this);
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

void SplitExcludedFolderEntries(const TStringListAdaptor& entries, TStrings& folders, TStrings& foldersWithSub)
{
    for (int i = 0; i < entries->Count(); ++i) {
        const AnsiString folder = entries->Names(i);
        if (StrToIntDef(entries->Values(folder), 1) == 1)
            foldersWithSub.Add(folder);
        else
            folders.Add(folder);
    }
}

}  // namespace tws

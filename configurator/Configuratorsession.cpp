// Reading the model from the configuration server and writing it back.
#include "Configuratorsession.h"

#include <cstdio>
#include <memory>

#include <oleauto.h>

#include "Classes.hpp"
#include "SysUtils.hpp"
#include "Zelcomstrings.h"
#include "Zelcomutils.h"

namespace twsconfigurator {

namespace {

struct TRelease {
    void operator()(IUnknown* p) const
    {
        if (p != nullptr)
            p->Release();
    }
};
template <typename T>
using TIntf = std::unique_ptr<T, TRelease>;

// A mutable copy of a text for the LPSTR parameters.
class TArg {
public:
    explicit TArg(AnsiString text) : FText(std::move(text)) {}
    operator LPSTR() { return FText.data(); }

private:
    AnsiString FText;
};

TIntf<IConfigStrings> NewStrings(const std::vector<AnsiString>& items = {})
{
    IConfigStrings* list = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ConfigStrings, nullptr, CLSCTX_INPROC_SERVER, IID_IConfigStrings,
                                reinterpret_cast<void**>(&list))))
        return nullptr;
    TIntf<IConfigStrings> held(list);
    for (const AnsiString& item : items)
        if (FAILED(list->Add(TArg(item), nullptr)))
            return nullptr;
    return held;
}

std::vector<AnsiString> Items(IConfigStrings* list)
{
    std::vector<AnsiString> items;
    LONG count = 0;
    if (list == nullptr || FAILED(list->Count(&count)))
        return items;
    for (LONG i = 0; i < count; ++i) {
        BSTR item = nullptr;
        if (SUCCEEDED(list->GetItem(i, &item)))
            items.push_back(zelcom::BSTRToAnsi(item));
        SysFreeString(item);
    }
    return items;
}

// The description of the thread's COM error information, taking it.
AnsiString TakeErrorDescription()
{
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || info == nullptr)
        return AnsiString();
    BSTR text = nullptr;
    AnsiString description;
    if (SUCCEEDED(info->GetDescription(&text)))
        description = zelcom::BSTRToAnsi(text);
    SysFreeString(text);
    info->Release();
    return description;
}

bool Flag(VARIANT_BOOL value) { return value == VARIANT_TRUE; }
VARIANT_BOOL Flag(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

}  // namespace

TConfiguratorSession::TConfiguratorSession(tws::TSettingsPlace settings, std::vector<TVolume> volumes)
    : FSettings(std::move(settings)), FModel(std::move(volumes))
{
    FConfig = Create();
    FModel.ClearModified();
}

TConfiguratorSession::~TConfiguratorSession() { Release(); }

void TConfiguratorSession::Release()
{
    if (FConfig != nullptr)
        FConfig->Release();
    FConfig = nullptr;
}

ITidewashConfig* TConfiguratorSession::Create()
{
    ITidewashConfig* config = nullptr;
    const HRESULT hr =
        zelcom::CreateServerObject(CLSID_TidewashConfig, IID_ITidewashConfig, reinterpret_cast<void**>(&config));
    if (FAILED(hr) || config == nullptr) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
        FServerError = hr == REGDB_E_CLASSNOTREG ? AnsiString("it is not registered") : AnsiString("error ") + code;
        return nullptr;
    }
    if (FAILED(config->Initialize())) {
        config->Release();
        FServerError = "it could not initialise its settings";
        return nullptr;
    }
    return config;
}

AnsiString TConfiguratorSession::ServerMissingText(const AnsiString& registerCommand) const
{
    // A form over no server would show blank settings that are not the
    // file's and a Save that does nothing: a window shows this instead.
    return "The settings cannot be shown or changed: the configuration server TWSConfig could not be created (" +
           FServerError + ").\n\nRegister it where the cleanup handler is registered, for example:\n    " +
           registerCommand + "\nthen open the settings again. Nothing was changed; TWS.cfg is left as it is.";
}

TNotice TConfiguratorSession::ServerNotice(const AnsiString& what, const AnsiString& file,
                                           const AnsiString& caption) const
{
    const AnsiString reason = TakeErrorDescription();
    return {caption, what + "\n" + file + (reason.empty() ? "" : "\n\n" + reason)};
}

bool TConfiguratorSession::Reload(TNotice& notice)
{
    if (FConfig == nullptr)
        return false;
    FModel.ClearMasks();
    FModel.SetExcludedRoots({});
    FModel.SetOptions({});

    // Until the user saves settings of their own, a shared installation's
    // are read (tws::SettingsSource).
    FConfigSource = tws::SettingsSource(FSettings);
    FLoadFailed = FAILED(FConfig->Load(TArg(FConfigSource)));
    if (FLoadFailed) {
        // What the object holds now is not the file: show nothing of it.
        notice = ServerNotice("The settings file cannot be read; it is left as it is:", FConfigSource,
                              "Settings Not Loaded");
        FModel.ClearModified();
        return false;
    }

    IConfigStrings* masks = nullptr;
    if (SUCCEEDED(FConfig->GetActiveMasks(&masks))) {
        TIntf<IConfigStrings> held(masks);
        for (const AnsiString& mask : Items(masks)) {
            TExcludedFoldersModel& folders = FModel.FoldersOf(FModel.AddMask(mask));
            IConfigStrings* alone = nullptr;
            IConfigStrings* withSub = nullptr;
            if (SUCCEEDED(FConfig->GetExcludedFolders(TArg(mask), &alone, &withSub))) {
                TIntf<IConfigStrings> heldAlone(alone), heldWithSub(withSub);
                for (const AnsiString& folder : Items(withSub))
                    folders.Put(folder, TSubFolders::With);
                for (const AnsiString& folder : Items(alone))
                    folders.Put(folder, TSubFolders::Without);
            }
        }
    }
    TDeletionOptions options;
    VARIANT_BOOL flag = VARIANT_FALSE;
    if (SUCCEEDED(FConfig->GetDeleteHiddenFiles(&flag)))
        options.DeleteHiddenFiles = Flag(flag);
    if (SUCCEEDED(FConfig->GetDeleteReadOnlyFiles(&flag)))
        options.DeleteReadOnlyFiles = Flag(flag);
    if (SUCCEEDED(FConfig->GetUseRecycleBin(&flag)))
        options.UseRecycleBin = Flag(flag);
    FModel.SetOptions(options);

    IConfigStrings* volumes = nullptr;
    if (SUCCEEDED(FConfig->GetExcludedVolumes(&volumes))) {
        TIntf<IConfigStrings> held(volumes);
        BSTR text = nullptr;
        if (SUCCEEDED(volumes->GetAsCommaText(&text))) {
            TStringList excluded;
            excluded.SetCommaText(zelcom::BSTRToAnsi(text));
            std::vector<AnsiString> roots;
            for (int i = 0; i < excluded.Count(); ++i)
                roots.push_back(excluded[i]);
            FModel.SetExcludedRoots(roots);
        }
        SysFreeString(text);
    }
    FModel.ClearModified();
    return true;
}

bool TConfiguratorSession::Save(TNotice& notice)
{
    if (FLoadFailed) {
        notice = {"Settings Not Saved", "The settings file could not be read, so it is not replaced:\n" +
                                            FConfigSource + "\n\nRepair it or remove it, then reload."};
        return false;
    }
    Release();
    FConfig = Create();
    if (FConfig == nullptr) {
        notice = {"Settings Not Saved", "The settings were not saved: the configuration server could not be created (" +
                                            FServerError + ").\n" + FSettings.File + " is left as it is."};
        return false;
    }
    const TNotice noList{"Settings Not Saved", "The settings were not saved: no string list could be created.\n" +
                                                   FSettings.File + " is left as it is."};

    std::vector<AnsiString> maskNames;
    for (int i = 0; i < FModel.MaskCount(); ++i)
        maskNames.push_back(FModel.Mask(i));
    TIntf<IConfigStrings> masks = NewStrings(maskNames);
    if (masks == nullptr) {
        notice = noList;
        return false;
    }
    // A mask the server refuses must not leave the file's old masks saved
    // under a "saved" status.
    if (FAILED(FConfig->SetActiveMasks(masks.get()))) {
        notice = ServerNotice("The settings could not be saved:", FSettings.File, "Settings Not Saved");
        return false;
    }
    for (int i = 0; i < FModel.MaskCount(); ++i) {
        std::vector<AnsiString> alone, withSub;
        for (const auto& [folder, sub] : FModel.FoldersOf(i).Folders())
            (sub ? withSub : alone).push_back(folder);
        TIntf<IConfigStrings> aloneList = NewStrings(alone), withSubList = NewStrings(withSub);
        if (aloneList == nullptr || withSubList == nullptr) {
            notice = noList;
            return false;
        }
        if (FAILED(FConfig->SetExcludedFolders(TArg(FModel.Mask(i)), aloneList.get(), withSubList.get()))) {
            notice = ServerNotice("The settings could not be saved:", FSettings.File, "Settings Not Saved");
            return false;
        }
    }
    TIntf<IConfigStrings> volumes = NewStrings(FModel.ExcludedRoots());
    if (volumes == nullptr) {
        notice = noList;
        return false;
    }
    const TDeletionOptions& options = FModel.Options();
    if (FAILED(FConfig->SetExcludedVolumes(volumes.get())) ||
        FAILED(FConfig->SetDeleteHiddenFiles(Flag(options.DeleteHiddenFiles))) ||
        FAILED(FConfig->SetDeleteReadOnlyFiles(Flag(options.DeleteReadOnlyFiles))) ||
        FAILED(FConfig->SetUseRecycleBin(Flag(options.UseRecycleBin)))) {
        notice = ServerNotice("The settings could not be saved:", FSettings.File, "Settings Not Saved");
        return false;
    }

    try {
        tws::PrepareSettingsFolder(FSettings);
    } catch (const Exception& e) {
        notice = {"Settings Not Saved", e.Message()};
        return false;
    }
    if (FAILED(FConfig->Save(TArg(FSettings.File)))) {
        notice = ServerNotice("The settings could not be saved:", FSettings.File, "Settings Not Saved");
        return false;
    }
    FConfigSource = FSettings.File;
    FModel.ClearModified();
    return true;
}

AnsiString TConfiguratorSession::SettingsFileText() const
{
    AnsiString text = "Settings: " + FSettings.File;
    if (!FConfigSource.empty() && FConfigSource != FSettings.File)
        text += " (from " + FConfigSource + " until saved)";
    return text;
}

}  // namespace twsconfigurator

// TTidewashConfigImpl: the TidewashConfig object, one set of cleanup
// settings (its own TTidewashConfig, empty until Initialize) read and
// changed through ITidewashConfig. Lists go out as new ConfigStrings
// objects, made through COM, and come in as any IConfigStrings.
//
// Every method except Initialize needs the settings defined; before
// Initialize they fail with an "Identifier does not exist: " description
// and touch neither the caller's slots nor any file.
//
// The object is a connection point container with one connection point, for
// ITidewashConfigEvents, which takes at most five sinks (a sixth Advise
// gives CONNECT_E_ADVISELIMIT). No event is ever sent.
//
// Identity: IUnknown is the ITidewashConfig pointer. Aggregatable. Failures
// leave error information naming the ProgID and ITidewashConfig
// (zelcom::TErrorInfoObject).
#pragma once

#include "Configintf.h"
#include "TWSConfig_tlb.h"
#include "Zelconnectionpoint.h"
#include "Zelerrorinfoobject.h"

namespace twsconfig {

class TTidewashConfigImpl : public zelcom::TErrorInfoObject<ITidewashConfig, IConnectionPointContainer> {
public:
    static constexpr unsigned MaxEventSinks = 5;

    // Made by the module's class factory; outer is the aggregating object
    // or null.
    TTidewashConfigImpl(zelcom::TModuleLockCount& module, IUnknown* outer);
    ~TTidewashConfigImpl() override;

    // ITidewashConfig. A flag or a list method reads or changes the one
    // setting it names (GetFlag, SetFlag, GetList, SetList).
    HRESULT STDMETHODCALLTYPE Initialize() override;
    HRESULT STDMETHODCALLTYPE Load(LPSTR FileName) override;
    HRESULT STDMETHODCALLTYPE GetExcludedFolders(LPSTR FileMask, IConfigStrings** ExcludedFolders,
                                                 IConfigStrings** ExcludedFoldersWithSub) override;
    HRESULT STDMETHODCALLTYPE GetActiveMasks(IConfigStrings** ActiveMasks) override
    {
        return GetList(tws::TStringsSetting::ssActiveMasks, ActiveMasks);
    }
    HRESULT STDMETHODCALLTYPE GetDeleteHiddenFiles(VARIANT_BOOL* DeleteHidden) override
    {
        return GetFlag(tws::TFlagSetting::fsDeleteHidden, DeleteHidden);
    }
    HRESULT STDMETHODCALLTYPE GetDeleteReadOnlyFiles(VARIANT_BOOL* DeleteReadOnly) override
    {
        return GetFlag(tws::TFlagSetting::fsDeleteReadOnly, DeleteReadOnly);
    }
    HRESULT STDMETHODCALLTYPE GetExcludedVolumes(IConfigStrings** ExcludedVolumes) override
    {
        return GetList(tws::TStringsSetting::ssExcludedVolumes, ExcludedVolumes);
    }
    HRESULT STDMETHODCALLTYPE SetExcludedFolders(LPSTR FileMask, IConfigStrings* ExcludedFolders,
                                                 IConfigStrings* ExcludedFoldersWithSub) override;
    HRESULT STDMETHODCALLTYPE DeleteActiveMask(LPSTR FileMask) override;
    HRESULT STDMETHODCALLTYPE SetDeleteHiddenFiles(VARIANT_BOOL DeleteHidden) override
    {
        return SetFlag(tws::TFlagSetting::fsDeleteHidden, DeleteHidden);
    }
    HRESULT STDMETHODCALLTYPE SetDeleteReadOnlyFiles(VARIANT_BOOL DeleteReadOnly) override
    {
        return SetFlag(tws::TFlagSetting::fsDeleteReadOnly, DeleteReadOnly);
    }
    HRESULT STDMETHODCALLTYPE SetExcludedVolumes(IConfigStrings* ExcludedVolumes) override
    {
        return SetList(tws::TStringsSetting::ssExcludedVolumes, ExcludedVolumes);
    }
    HRESULT STDMETHODCALLTYPE SetActiveMasks(IConfigStrings* ActiveMasks) override
    {
        return SetList(tws::TStringsSetting::ssActiveMasks, ActiveMasks);
    }
    HRESULT STDMETHODCALLTYPE Save(LPSTR FileName) override;
    HRESULT STDMETHODCALLTYPE GetUseRecycleBin(VARIANT_BOOL* UseRecycleBin) override
    {
        return GetFlag(tws::TFlagSetting::fsUseRecycleBin, UseRecycleBin);
    }
    HRESULT STDMETHODCALLTYPE SetUseRecycleBin(VARIANT_BOOL UseRecycleBin) override
    {
        return SetFlag(tws::TFlagSetting::fsUseRecycleBin, UseRecycleBin);
    }

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

private:
    // Raises the tree's "Identifier does not exist: " error unless
    // Initialize has defined the settings.
    void RequireSchema() const;
    HRESULT GetFlag(tws::TFlagSetting which, VARIANT_BOOL* value);
    HRESULT SetFlag(tws::TFlagSetting which, VARIANT_BOOL value);
    HRESULT GetList(tws::TStringsSetting which, IConfigStrings** slot);
    HRESULT SetList(tws::TStringsSetting which, IConfigStrings* list);

    tws::TTidewashConfig FConfig;
    zelcom::TConnectionPoints FConnectionPoints;
};

}  // namespace twsconfig

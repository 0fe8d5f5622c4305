// TTidewashCtrlImpl: the cleanup handler object. One object serves one
// volume and one scan: Initialize(Ex) names the volume, GetSpaceUsed scans
// it once per active mask, the selection table records which found files
// are to go, and Purge deletes them (or moves them to the trash) and writes
// the purge report. The object also answers ITidewashCtrl for programs that
// drive it themselves.
//
// Identity: IUnknown is the ITidewashCtrl pointer; IEmptyVolumeCache and
// IEmptyVolumeCache2 are one and the same pointer. Aggregation is
// supported: when aggregated, the object's interfaces delegate IUnknown to
// the outer object and the inner unknown handed to the creator controls the
// object's lifetime.
//
// The files of the units: TidewashCtrlImpl.cpp (identity, initialisation,
// statistics), TidewashCtrlImpl_scan.cpp (GetSpaceUsed),
// TidewashCtrlImpl_purge.cpp (Purge).
#pragma once

#include <cstdint>
#include <emptyvc.h>
#include <map>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "Configintf.h"
#include "Resultmodel.h"
#include "Settingsplace.h"
#include "Tidewash_tlb.h"
#include "Zelcomerror.h"
#include "Zelcomobject.h"
#include "Zelcomstrings.h"
#include "Zelfilesearch.h"

namespace tidewash {

class TLinkGuard;
class TReviewWindow;

// Frees the review window in the module that made it.
struct TReviewWindowDeleter {
    void operator()(TReviewWindow* window) const;
};

class TTidewashCtrlImpl : public zelcom::TComObject<ITidewashCtrl, IEmptyVolumeCache2, ITidewashResults> {
public:
    // Made by the module's class factory; outer is the aggregating object
    // or null.
    TTidewashCtrlImpl(zelcom::TModuleLockCount& module, IUnknown* outer);
    ~TTidewashCtrlImpl() override;

    // ITidewashCtrl
    HRESULT STDMETHODCALLTYPE GetSelectionStats(LONGLONG* SelectedCount, LONGLONG* SelectedSize,
                                                LONGLONG* TotalCount, LONGLONG* TotalSize) override;
    HRESULT STDMETHODCALLTYPE IsVolumeExcluded(LPSTR Volume, VARIANT_BOOL* Excluded) override;

    // ITidewashResults
    HRESULT STDMETHODCALLTYPE GetFileCount(LONG* Count) override;
    HRESULT STDMETHODCALLTYPE GetFile(LONG Index, TWS_FILE_RESULT* File) override;
    HRESULT STDMETHODCALLTYPE GetPurgeReport(BSTR* Path, BSTR* Error) override;
    HRESULT STDMETHODCALLTYPE GetSettingsFile(BSTR* Path) override;
    HRESULT STDMETHODCALLTYPE GetUnreadableFolderCount(LONG* Count) override;
    HRESULT STDMETHODCALLTYPE GetPurgeMode(VARIANT_BOOL* ToTrash) override;
    HRESULT STDMETHODCALLTYPE GetPurgeReadiness(BSTR* Reason) override;
    HRESULT STDMETHODCALLTYPE GetFileFigures(LONG Index, TWS_FILE_RESULT* File) override;

    // IEmptyVolumeCache
    HRESULT STDMETHODCALLTYPE Initialize(HKEY hkRegKey, LPCWSTR pcwszVolume, LPWSTR* ppwszDisplayName,
                                         LPWSTR* ppwszDescription, DWORD* pdwFlags) override;
    HRESULT STDMETHODCALLTYPE GetSpaceUsed(DWORDLONG* pdwlSpaceUsed, IEmptyVolumeCacheCallBack* picb) override;
    HRESULT STDMETHODCALLTYPE Purge(DWORDLONG dwlSpaceToFree, IEmptyVolumeCacheCallBack* picb) override;
    // Shows the review window modally, making it on the first call; it
    // keeps its state until Deactivate or the object's end. E_OUTOFMEMORY
    // when no window can be made (no display), E_UNEXPECTED when showing
    // failed; HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND or ERROR_PROC_NOT_FOUND)
    // when the view's module beside the handler is missing or has no
    // factory (Reviewloader.h).
    HRESULT STDMETHODCALLTYPE ShowProperties(HWND hwnd) override;
    // Closes the review window, if there is one.
    HRESULT STDMETHODCALLTYPE Deactivate(DWORD* pdwFlags) override;

    // IEmptyVolumeCache2
    HRESULT STDMETHODCALLTYPE InitializeEx(HKEY hkRegKey, LPCWSTR pcwszVolume, LPCWSTR pcwszKeyName,
                                           LPWSTR* ppwszDisplayName, LPWSTR* ppwszDescription,
                                           LPWSTR* ppwszBtnText, DWORD* pdwFlags) override;

    // What the last purge did with one file.
    struct TPurgeRecord {
        TWS_FILE_OUTCOME Outcome = TWS_OUTCOME_NONE;
        AnsiString Reason;
        AnsiString TrashFolder;
        AnsiString TrashName;
    };

    // Writes (registering) or removes the class's registry entries: the COM
    // part first, then the disk-cleanup part. The result is the COM part's.
    static HRESULT UpdateRegistry(bool registering);

protected:
    void* FindInterface(REFIID riid) override;

private:
    // A settings file that could not be used leaves the object unable to
    // scan: GetSpaceUsed and IsVolumeExcluded fail with DISP_E_EXCEPTION and
    // error information naming the file and the reason. The defaults are
    // never used in its place, as they could select what the user excluded.
    HRESULT RefuseWithoutSettings();

    // Runs a method's body at the COM boundary: no exception leaves it.
    // Library errors become errorResult with error information naming this
    // class, running out of memory E_OUTOFMEMORY (zelcom::CallGuarded).
    template <typename F>
    static HRESULT Guarded(REFIID iid, F&& body, HRESULT errorResult = DISP_E_EXCEPTION) noexcept;

    // The scan's progress report: ScanProgress with the running total;
    // E_ABORT from the callback stops the searcher.
    // Tells the host's callback the space found so far and, as text, the
    // files found, the folders entered and the folder being searched (the
    // text as last written, or written anew).
    enum class TStatusText { Keep, Renew };
    static constexpr std::uint64_t kStatusFolders = 64;
    void ReportScanProgress(void* context, TStatusText text);
    void RenewScanStatus();
    void ScanReached(std::string_view folder);
    // Every found file selected, but those the settings keep (unselected,
    // with the reason in FKeptBySettings) and those the guard keeps
    // (unselected, with the reason in FUnselectedReasons). A file found under several
    // masks is entered once, under the first, and listed once in FListed.
    void AddSelectionEntries(const TLinkGuard& guard);
    // Writes the purge report; failures are swallowed (the deletions are done).
    void WritePurgeReport(const TFileFlags& purged);
    // What the purge will do with the file under the settings.
    TWS_FILE_PLAN PlanFor(const TResultRef& ref) const;
    // The listed file Index's record without texts (GetFileFigures), which
    // GetFile then completes; E_INVALIDARG outside the list.
    HRESULT FiguresOf(LONG Index, TWS_FILE_RESULT& out) const;
    // The masks that found a listed file, in the order of the groups
    // ("*.~*, *.~dsk").
    AnsiString MasksOf(const TResultRef& first) const;
    // The plan of a file the settings keep whatever its selection (hidden,
    // read-only), else TWS_PLAN_REMOVE.
    TWS_FILE_PLAN SettingsPlanFor(const zelutils::TSearchResult& file) const;


    AnsiString FVolume;
    // The volume as the last scan opened it (without following a link on
    // any component): the guard reads below it and the purge deletes below
    // it, and only while FVolume still leads to this very folder.
    std::shared_ptr<twslisting::TRootFolder> FRoot;
    tws::TTidewashConfig FConfig;
    AnsiString FConfigError;  // why the settings file could not be used; empty when loaded
    tws::TSettingsPlace FPlace;  // where the settings are saved and the reports go
    AnsiString FSettingsFile;    // the file the settings were read from (missing: the defaults)
    zelutils::TFileSearch FFileSearch;
    TFileFlags FSelection;
    TFileReasons FUnselectedReasons;  // filled by the scan, cleared with the selection
    TFileAliases FAliases;            // files found again under another mask
    // Found files the hidden or read-only rule keeps, with the reason: left
    // unselected by the scan, so that no figure counts them as going.
    TFileReasons FKeptBySettings;
    // Each found file once, in search order, by its first finding: what
    // ITidewashResults tells. A reference only: the masks that found the
    // file are its group's (MasksOf), a string per file would double the
    // entry for the few files several masks find.
    struct TListedFile {
        TResultRef Ref;
    };
    std::vector<TListedFile> FListed;
    // First finding -> the masks that found it again, each after ", ".
    std::map<TResultRef, AnsiString> FMoreMasks;
    DWORDLONG FScanTotal = 0;
    std::uint64_t FScanPass = 0;     // 1 for the first mask's search, ...
    std::uint64_t FScanFiles = 0;    // found by the running mask's search
    std::uint64_t FScanFolders = 0;  // entered by it
    AnsiString FScanFolder;          // the folder being searched
    zelcom::OleString FScanStatus;   // the three above as the callback's text
    // The text's parts that change seldom, converted when they do: the
    // folder (a folder's files are found together) and the running mask.
    zelcom::OleString FScanFolderWide;
    zelcom::OleString FScanMaskWide;
    std::uint64_t FScanMaskPass = 0;  // the pass FScanMaskWide was written for
    std::map<TResultRef, TPurgeRecord> FPurgeRecords;  // filled by Purge
    bool FPurged = false;
    AnsiString FReportPath;   // the report the last purge wrote
    AnsiString FReportError;  // why it could not be written
    // Last, so that it goes before the tables it shows.
    std::unique_ptr<TReviewWindow, TReviewWindowDeleter> FDetailsWindow;
};

// The source named in the error information the object's methods leave:
// its class identifier.
inline constexpr const char* ErrorSource = "{BDC88FE5-B140-4484-82BE-8AFC18AAC3D1}";

template <typename F>
HRESULT TTidewashCtrlImpl::Guarded(REFIID iid, F&& body, HRESULT errorResult) noexcept
{
    return zelcom::CallGuarded(ErrorSource, iid, std::forward<F>(body), errorResult);
}

// Whether the volume is one of the comma text's entries. Whole entries are
// compared, ignoring letter case and a trailing separator.
bool VolumeListed(const AnsiString& excludedVolumes, const AnsiString& volume);
// Whether the folder root holds is one of the comma text's entries or lies
// below one, by identity (whatever the spelling of either), or its path is
// listed (VolumeListed).
bool VolumeExcluded(const AnsiString& excludedVolumes, const twslisting::TRootFolder& root);

}  // namespace tidewash

// TTidewashCtrlImpl::GetSpaceUsed: one depth-first walk of the volume per
// active mask, outside that mask's excluded folders, with progress and
// abort through the host's callback. Where a mask matched, the link guard
// judges by the nearby project files (read beside the walk, by the threads
// reading the folders), so that objects a project links and cannot rebuild
// are found but left unselected.
#include "TidewashCtrlImpl.h"

#include <charconv>
#include <iterator>
#include <memory>
#include <unordered_set>

#include "Linkguard.h"

#include "SysUtils.hpp"
#include "Trash.h"

namespace tidewash {

void TTidewashCtrlImpl::ReportScanProgress(void* context, TStatusText text)
{
    auto* callback = static_cast<IEmptyVolumeCacheCallBack*>(context);
    if (callback == nullptr)
        return;
    if (text == TStatusText::Renew)
        RenewScanStatus();
    if (callback->ScanProgress(FScanTotal, 0, FScanStatus.c_str()) == E_ABORT)
        FFileSearch.Abort();
}

void TTidewashCtrlImpl::RenewScanStatus()
{
    // Written for each file found, so only the figures are written anew;
    // the mask and the folder were converted when they changed, and the
    // text goes into the buffer of the text before.
    if (FScanMaskPass != FScanPass) {
        FScanMaskPass = FScanPass;
        const TStrings& masks = *FFileSearch.GetIncludeFileMask();
        const int pass = static_cast<int>(FScanPass) - 1;
        zelcom::AnsiToWide(pass >= 0 && pass < masks.Count() ? masks[pass] + ": " : AnsiString(), FScanMaskWide);
    }
    FScanStatus.assign(FScanMaskWide);
    const auto count = [this](std::uint64_t n, const OLECHAR* what) {
        char digits[24];
        const auto end = std::to_chars(std::begin(digits), std::end(digits), n).ptr;
        for (const char* digit = digits; digit != end; ++digit)
            FScanStatus.push_back(static_cast<OLECHAR>(*digit));
        FScanStatus.append(what);
        if (n != 1)
            FScanStatus.push_back(OLECHAR('s'));
    };
    count(FScanFiles, OLESTR(" file"));
    FScanStatus.append(OLESTR(" found in "));
    count(FScanFolders, OLESTR(" folder"));
    FScanStatus.append(OLESTR(": ")).append(FScanFolderWide);
}

void TTidewashCtrlImpl::ScanReached(std::string_view folder)
{
    // The search drops the separator that ends the volume (the root "/"
    // is ""): the user reads the volume as it was given.
    const std::string_view shown = folder.size() >= FVolume.size() ? folder : std::string_view(FVolume);
    if (shown == FScanFolder)
        return;
    FScanFolder.assign(shown);
    zelcom::AnsiToWide(FScanFolder, FScanFolderWide);
}

void TTidewashCtrlImpl::AddSelectionEntries(const TLinkGuard& guard)
{
    // Overlapping masks find one path more than once: counting or purging
    // it twice would report the second purge of it as "gone since the scan".
    // The paths listed so far are told apart by their indexes in FListed,
    // hashed and compared through the result's folder and name: a table of
    // copied full paths would cost more than the results themselves. A
    // folder ends in the separator and a name holds none, so two results
    // have the same full path exactly when both parts are equal.
    const auto fileOf = [this](std::size_t listed) -> const zelutils::TSearchResult& { return *FListed[listed].Ref; };
    const auto hash = [&fileOf](std::size_t listed) {
        const zelutils::TSearchResult& file = fileOf(listed);
        const std::size_t folder = std::hash<AnsiString>()(file.Path());
        return folder ^ (std::hash<AnsiString>()(file.Name) + 0x9e3779b97f4a7c15u + (folder << 6) + (folder >> 2));
    };
    const auto same = [&fileOf](std::size_t a, std::size_t b) {
        const zelutils::TSearchResult& x = fileOf(a);
        const zelutils::TSearchResult& y = fileOf(b);
        return x.Name == y.Name && x.Path() == y.Path();
    };
    std::size_t found = 0;
    for (const auto& [mask, results] : FFileSearch.Results)
        found += results.size();
    FListed.reserve(found);
    std::unordered_set<std::size_t, decltype(hash), decltype(same)> listedPaths(found, hash, same);
    AnsiString path;  // each file's, written into one buffer
    for (const auto& [mask, results] : FFileSearch.Results)
        for (std::size_t i = 0; i < results.size(); ++i) {
            const TResultRef ref{&results, i};
            FListed.push_back({ref});
            if (const auto [at, first] = listedPaths.insert(FListed.size() - 1); !first) {
                FListed.pop_back();
                const TResultRef& firstFinding = FListed[*at].Ref;
                FAliases.emplace(ref, firstFinding);
                FMoreMasks[firstFinding] += ", " + mask;
                continue;
            }
            path.assign(results[i].Path()).append(results[i].Name);
            switch (SettingsPlanFor(results[i])) {
            case TWS_PLAN_KEEP_HIDDEN:
                FSelection[ref] = false;
                FKeptBySettings[ref] = "kept: hidden (the settings keep hidden files)";
                continue;
            case TWS_PLAN_KEEP_READONLY:
                FSelection[ref] = false;
                FKeptBySettings[ref] = "kept: read-only (the settings keep read-only files)";
                continue;
            default:
                break;
            }
            AnsiString reason = guard.Reason(path);
            FSelection[ref] = reason.empty();
            if (!reason.empty())
                FUnselectedReasons[ref] = std::move(reason);
        }
}

HRESULT TTidewashCtrlImpl::GetSpaceUsed(DWORDLONG* pdwlSpaceUsed, IEmptyVolumeCacheCallBack* picb)
{
    if (pdwlSpaceUsed == nullptr)
        return E_INVALIDARG;
    *pdwlSpaceUsed = 0;
    if (!FConfigError.empty())
        return RefuseWithoutSettings();
    // Whatever fails during the scan makes it a failed scan (S_FALSE), but
    // running out of memory is told as such.
    return Guarded(IID_IEmptyVolumeCache, [&] {
        // Nobody scans twice with one object; should it happen, the new scan
        // starts from nothing so that results and selection agree, and a
        // review window showing the old results goes first.
        FDetailsWindow.reset();
        FSelection.clear();
        FUnselectedReasons.clear();
        FAliases.clear();
        FKeptBySettings.clear();
        FListed.clear();
        FMoreMasks.clear();
        FPurgeRecords.clear();
        FPurged = false;
        FFileSearch.Results.clear();
        FFileSearch.GetIncludeFolders()->Clear();

        FFileSearch.Recursive = true;
        // Opened once: the scan, the guard and the purge all work below this
        // folder, whatever its path leads to later.
        FRoot = std::make_shared<twslisting::TRootFolder>();
        // A handler that was never given a volume searches nothing (an empty
        // folder would otherwise be the root of the whole file system).
        if (!FVolume.empty()) {
            // A missing folder, a file or a link is told, not found empty.
            if (!FRoot->Open(FVolume))
                return zelcom::ReportError(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), ErrorSource,
                                           IID_IEmptyVolumeCache,
                                           "The volume \"" + FVolume +
                                               "\" is not a folder that can be opened without following a link.");
            // An excluded volume is compared as the folder opened, so that
            // no other spelling of it, and no folder below it, is scanned.
            if (VolumeExcluded(FConfig.GetStringsText(tws::TStringsSetting::ssExcludedVolumes), *FRoot)) {
                FRoot.reset();
                return picb == nullptr ? S_OK : picb->ScanProgress(0, EVCCBF_LASTNOTIFICATION, nullptr);
            }
            FFileSearch.GetIncludeFolders()->Add(FVolume);
        }
        FFileSearch.HeldStart = FRoot;
        FFileSearch.GetIncludeFileMask()->SetCommaText(
            FConfig.GetStringsText(tws::TStringsSetting::ssActiveMasks));

        // Read where the settings keep them, each folder moved into the
        // searcher: a mask's list may hold 100,000 folders.
        TStrings* masks = FFileSearch.GetIncludeFileMask();
        const tws::TExcludedFoldersMap& excluded = FConfig.GetExcludedFoldersMap();
        for (int m = 0; m < masks->Count(); ++m) {
            const AnsiString& mask = masks->Get(m);
            const auto list = excluded.find(mask);
            if (list == excluded.end())
                continue;
            const TStrings& entries = *list->second.Get();
            FFileSearch.AddExcludeFolders(mask, static_cast<std::size_t>(entries.Count()), [&](std::size_t i) {
                tws::TExcludedFolderEntry entry = tws::ParseExcludedFolderEntry(entries[static_cast<int>(i)]);
                return zelutils::TExcludedFolderItem{std::move(entry.Folder), entry.WithSubfolders};
            });
        }

        // The trash holds what earlier purges removed: never found again.
        for (const twsplatform::TFileIdentity& trash : twsplatform::TrashFolders(FVolume))
            FFileSearch.FoldersNeverEntered.insert({trash.Device, trash.Inode});

        FFileSearch.OnSearchFolder = [this](const AnsiString& folder, const twslisting::TDirEntry* entry, bool&,
                                            void* context) {
            // The text is written anew when a mask's search starts, a file
            // is found or every kStatusFolders folders: writing it for each
            // folder cost a fifth of a warm scan.
            TStatusText text = TStatusText::Keep;
            if (entry == nullptr) {
                // The walk is told once per mask, in the masks' order, each
                // time from the volume down: the figures are the mask's own.
                if (folder.size() < FVolume.size()) {
                    ++FScanPass;
                    FScanFiles = FScanFolders = 0;
                }
                if (FScanFolders++ % kStatusFolders == 0) {
                    ScanReached(folder);
                    text = TStatusText::Renew;
                }
            }
            ReportScanProgress(context, text);
        };
        // Shared with the event, which the searcher keeps after this scan.
        auto guard = std::make_shared<TLinkGuard>(FRoot, TLinkGuardLimits{}, TFolderListing::flByScan);
        FFileSearch.OnFileListed = [guard](const AnsiString& folder, std::string_view name) {
            guard->Listed(folder, name);
        };
        // The names the guard drops are dropped where the folder is read,
        // not carried to the walk's thread to be told there.
        FFileSearch.FileListedFilter = &TLinkGuard::ListsName;
        // With threads reading the folders, they read the project files
        // too, while the folder is open, and the guard takes them parsed;
        // on the walk's thread alone that would only read more.
        FFileSearch.OnFolderRead = nullptr;
        if (FFileSearch.ThreadCount() > 1)
            FFileSearch.OnFolderRead = [guard](const AnsiString& folder, const twslisting::TFolderReader& reader,
                                               std::string_view files) { guard->Prefetch(folder, reader, files); };
        FFileSearch.OnFileFound = [this, guard](const AnsiString& path, const twslisting::TDirEntry* entry,
                                                bool&, void* context) {
            if (entry != nullptr)
                FScanTotal += static_cast<DWORDLONG>(entry->Size);
            ++FScanFiles;
            const auto slash = path.find_last_of(PathDelimiters);
            if (slash != AnsiString::npos) {
                guard->AddFolder(std::string_view(path).substr(0, slash));
                ScanReached(std::string_view(path).substr(0, slash));
            }
            ReportScanProgress(context, TStatusText::Renew);
        };

        FScanTotal = 0;
        FScanFiles = FScanFolders = FScanPass = 0;
        FScanFolder.clear();
        FScanFolderWide.clear();
        ScanReached(FVolume);
        FScanMaskPass = ~std::uint64_t{0};
        FScanStatus.clear();
        bool completed = false;
        if (picb == nullptr || picb->ScanProgress(0, 0, nullptr) == S_OK)
            completed = FFileSearch.Execute(picb);
        // What an aborted scan found is listed, each file once, but none
        // of it is selected: it was never checked against the projects.
        AddSelectionEntries(*guard);
        if (completed) {
            // The running total counted a file once per mask that found it.
            FScanTotal = 0;
            for (const TListedFile& listed : FListed)
                FScanTotal += static_cast<DWORDLONG>(listed.Ref->Size);
            // The space the purge will free: the host shows it as what
            // cleaning gains, so files it keeps (linked objects the guard
            // spared, hidden or read-only files the settings keep) are left
            // out; the progress above counted every file found.
            for (const auto& [ref, selected] : FSelection)
                if (PlanFor(ref) == TWS_PLAN_REMOVE)
                    *pdwlSpaceUsed += static_cast<DWORDLONG>(ref->Size);
        } else {
            FSelection.clear();
        }
        HRESULT last = S_OK;
        if (picb != nullptr)
            last = picb->ScanProgress(*pdwlSpaceUsed, EVCCBF_LASTNOTIFICATION, nullptr);
        return !completed || last == E_ABORT ? E_ABORT : S_OK;
    }, S_FALSE);
}

}  // namespace tidewash

// Zelfilesearch: recursive file search by masks, with folders excluded per
// mask.
//   TSearchResult   the record of one file found
//   TFileSearch     configuration, exclusions and the entry points
//   TWalk           one include folder searched with every include mask
#include "Zelfilesearch.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "SysUtils.hpp"
#include "Zelexclusionindex.h"
#include "Zelfileutils.h"
#include "Zelfolderpool.h"

namespace zelutils {

using twslisting::TFolderReader;
using folderpool::TFolderNode;
using folderpool::TFolderPool;
using folderpool::TListingRules;
using folderpool::TSubFolder;

namespace {

// Hidden and system: the two attributes a listing drops unless asked for.
constexpr int kHiddenAttribute = FILE_ATTRIBUTE_HIDDEN;
// The search attributes a listing looks at, and the default set.
constexpr int kListedAttributes[] = {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
                                     FILE_ATTRIBUTE_ARCHIVE};

std::deque<AnsiString> Lines(const TStrings& list)
{
    std::deque<AnsiString> lines;
    for (int i = 0; i < list.Count(); ++i)
        lines.push_back(list[i]);
    return lines;
}

}  // namespace

// ---------------------------------------------------------------------------
// TSearchResult

TSearchResult::TSearchResult(TSharedText folder, const TDirEntry& entry)
    : Name(entry.Name),
      Size(entry.Size),
      Attributes(entry.Attributes),
      CreationTime(FileTimeToDateTime(entry.CreationTime)),
      LastAccessTime(FileTimeToDateTime(entry.LastAccessTime)),
      LastWriteTime(FileTimeToDateTime(entry.LastWriteTime)),
      Identity(entry.Identity),
      FPath(std::move(folder))
{
}

TDateTime TSearchResult::FileTimeToDateTime(const FILETIME& fileTime) const
{
    // 100-nanosecond ticks since 1601-01-01 UTC; a calendar date carries
    // milliseconds, so the rest is dropped.
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
    const std::uint64_t ms = ticks / 10000u;
    constexpr std::int64_t k1601To1970 = 11644473600LL;
    const auto seconds = static_cast<std::int64_t>(ms / 1000u) - k1601To1970;
    return UnixTimeToDateTime(seconds, static_cast<std::int64_t>(ms % 1000u) * 1000000);
}

bool TSearchResult::GetHasAttribute(int attr) const { return (Attributes & static_cast<DWORD>(attr)) != 0; }

AnsiString TSearchResult::GetFullName() const { return Path() + Name; }

AnsiString TSearchResult::GetDOSName() const { return twslisting::ShortPathName(GetFullName()); }

// ---------------------------------------------------------------------------
// TWalk: one include folder, every mask.
//
// The first pass reads each folder it enters from the disk once and keeps
// what the masks need of it: its subfolders (those a listing returns for
// entering) and the files that at least one mask lists, with one bit per
// mask. The later passes replay those listings in the same order, so their
// events are those of a fresh walk. A folder the earlier passes never
// entered (skipped by an event, excluded for their masks) is read when a
// later pass first enters it, from the start folder, and only if it is
// still the folder its parent listed. The last pass frees each folder once
// done. With a pool (TFolderPool) the folders are read by its threads
// ahead of the passes; the walk takes each one as it gets there and tells
// then what reading it would have told.

class TFileSearch::TWalk {
public:
    TWalk(TFileSearch& search, const twslisting::TRootFolder& start, const AnsiString& startPath,
          const std::deque<AnsiString>& masks, void* context)
        : FSearch(search), FContext(context)
    {
        FRules.Start = &start;
        FRules.StartLength = startPath.size();
        FRules.ListHidden = search.FSearchAttributes.count(kHiddenAttribute) != 0;
        FRules.Dropped = (FRules.ListHidden ? 0 : FILE_ATTRIBUTE_HIDDEN) |
                         (search.FSearchAttributes.count(FILE_ATTRIBUTE_SYSTEM) != 0 ? 0 : FILE_ATTRIBUTE_SYSTEM);
        FRules.Words = (masks.size() + 63) / 64;
        FRules.Recursive = search.Recursive;
        FRules.FolderRead = search.OnFolderRead;
        FRules.ListedFilter = search.FileListedFilter;
        if (!search.FoldersNeverEntered.empty())
            FRules.NeverEntered = &search.FoldersNeverEntered;
        FRules.Masks.reserve(masks.size());
        for (const AnsiString& mask : masks)
            FRules.Masks.push_back({mask, TFileMask(mask), search.ExclusionsOf(mask)});
        for (int i = 0; i < search.FExcludeMasks->Count(); ++i)
            FRules.ExcludeMasks.emplace_back(search.FExcludeMasks->Get(i));
        if (search.OnFileListed)
            FListed = [this](std::string_view name) { FSearch.OnFileListed(FPath, name); };
        const std::size_t threads = search.ThreadCount();
        if (threads > 1)
            FPool = std::make_unique<TFolderPool>(FRules, threads, static_cast<bool>(search.OnFileListed));
    }

    // Searches folder (without its trailing separator) for mask number mask.
    bool Pass(const AnsiString& folder, std::size_t mask, bool last)
    {
        FPath = folder;
        FMask = mask;
        FLast = last;
        const bool completed = Search(FRoot, nullptr, nullptr);
        if (last)
            FRoot = TFolderNode();
        return completed;
    }

private:
    // The folder at FPath, listed as self by its parent (null for the start
    // folder); parent is open when that listing was read in this descent.
    bool Search(TFolderNode& node, const TDirEntry* self, const TFolderReader* parent)
    {
        TFileSearch& s = FSearch;
        const TExclusionIndex& exclusions = FRules.Masks[FMask].Exclusions;
        bool skip = false;
        if (s.OnSearchFolder) {
            s.OnSearchFolder(FPath, nullptr, skip, FContext);
            if (skip)
                return true;
        }

        TFolderReader reader;  // open while this folder's subfolders are searched
        bool withSubfolders = false;
        if (!s.FAborted) {
            Load(node, self, parent, reader);
            const std::size_t mark = FPath.size();
            for (TSubFolder& sub : node.Subs) {
                FPath.append(1, PathDelim).append(sub.Entry.Name);
                if (exclusions.Excluded(FPath, withSubfolders) && withSubfolders) {
                    // passed over with its whole tree
                } else if (s.Recursive) {
                    if (!sub.Node)
                        sub.Node = std::make_shared<TFolderNode>();
                    s.FAborted = !Search(*sub.Node, &sub.Entry, reader.IsOpen() ? &reader : nullptr);
                } else if (s.OnSearchFolder) {
                    skip = false;
                    s.OnSearchFolder(FPath, &sub.Entry, skip, FContext);
                    if (skip) {
                        FPath.resize(mark);
                        return true;
                    }
                }
                if (FLast)
                    sub.Node.reset();
                FPath.resize(mark);
                if (s.FAborted)
                    break;
            }
        }

        if (!s.FAborted && !exclusions.Excluded(FPath, withSubfolders)) {
            Load(node, self, parent, reader);
            const std::size_t word = FMask / 64;
            const std::uint64_t bit = std::uint64_t{1} << (FMask % 64);
            TSharedText folder;  // with its separator, made for the first file stored
            for (std::size_t i = 0; i < node.Files.size(); ++i) {
                if ((node.MaskBits[i * FRules.Words + word] & bit) == 0)
                    continue;
                const TDirEntry& entry = node.Files[i];
                FFullName.assign(FPath).append(1, PathDelim).append(entry.Name);
                skip = false;
                if (s.OnFileFound)
                    s.OnFileFound(FFullName, &entry, skip, FContext);
                if (!skip && s.StoreResults) {
                    if (folder.Text().empty())
                        folder = TSharedText(IncludeTrailingPathDelimiter(FPath));
                    s.Results[FRules.Masks[FMask].Text].emplace_back(folder, entry);
                }
                if (s.FAborted)
                    break;
            }
            if (!s.FAborted)
                DropFilesDone(node);
        }
        return !s.FAborted;
    }

    // Frees the folder's files once no later mask lists any of them: with
    // every file a match, the files kept for the later passes were as large
    // as the results made from them, and both at once the scan's peak.
    void DropFilesDone(TFolderNode& node) const
    {
        const std::size_t words = FRules.Words;
        const std::size_t word = FMask / 64;
        const std::uint64_t later = ~((std::uint64_t{2} << (FMask % 64)) - 1);  // the bits above FMask's
        for (std::size_t i = 0; i < node.Files.size(); ++i) {
            const std::uint64_t* row = &node.MaskBits[i * words];
            if ((row[word] & later) != 0)
                return;
            for (std::size_t w = word + 1; w < words; ++w)
                if (row[w] != 0)
                    return;
        }
        std::vector<TDirEntry>().swap(node.Files);
        std::vector<std::uint64_t>().swap(node.MaskBits);
    }

    // Makes the listing of the folder at FPath ready, unless an earlier
    // pass did, and tells what reading it would tell: the files it lists
    // and whether it could be opened.
    void Load(TFolderNode& node, const TDirEntry* self, const TFolderReader* parent, TFolderReader& reader)
    {
        if (FPool) {
            if (!FPool->Take(node, FPath, self))
                return;
            if (FListed)
                for (std::string_view names = node.Listed; !names.empty();) {
                    const std::size_t end = names.find('\0');
                    FListed(names.substr(0, end));
                    names.remove_prefix(end + 1);
                }
            node.Listed = std::string();
        } else {
            if (node.State == TFolderNode::TState::sTaken)
                return;
            node.State = TFolderNode::TState::sTaken;
            FRules.Read(node, FPath, self, parent, reader, FListed, FFolded);
        }
        if (node.Unreadable)
            ++FSearch.UnreadableFolders;
        FSearch.UnnamedEntries += node.Unnamed;
    }

    TFileSearch& FSearch;
    void* FContext;
    TListingRules FRules;
    std::function<void(std::string_view)> FListed;  // OnFileListed for the folder at FPath
    TFolderNode FRoot;
    std::size_t FMask = 0;
    bool FLast = false;
    AnsiString FPath;      // the folder being searched, without trailing separator
    AnsiString FFullName;  // a file's full name, its storage reused
    std::string FFolded;   // a name folded for matching, its storage reused
    // Last: its threads stop before the rules they read go.
    std::unique_ptr<TFolderPool> FPool;
};

// ---------------------------------------------------------------------------
// TFileSearch

TFileSearch::TFileSearch() : FSearchAttributes(std::begin(kListedAttributes), std::end(kListedAttributes)) {}

TFileSearch::~TFileSearch() = default;

TStrings* TFileSearch::GetIncludeFileMask() const { return FIncludeMasks.Get(); }
TStrings* TFileSearch::GetExcludeFileMask() const { return FExcludeMasks.Get(); }
TStrings* TFileSearch::GetIncludeFolders() const { return FIncludeFolders.Get(); }

namespace {

// The place of the entry for folder in items, or items.size().
std::size_t PlaceOf(const TFolderPlaces& places, std::size_t hash, const TExcludedFolderItems& items,
                    const AnsiString& folder)
{
    const std::uint32_t place =
        places.Find(hash, [&](std::uint32_t at) { return SameText(items[at].Folder, folder); });
    return place == TFolderPlaces::kNone ? items.size() : place;
}

}  // namespace

void TFileSearch::AddExcludeFolder(const AnsiString& mask, AnsiString folder, bool withSubfolders)
{
    const std::size_t hash = FolderKeyHash(folder);
    AddExcludeFolderTo(FExcludedFolders[mask], FExcludedKeys[mask], hash, std::move(folder), withSubfolders);
}

void TFileSearch::AddExcludeFolderTo(TExcludedFolderItems& items, TFolderPlaces& places, std::size_t hash,
                                     AnsiString folder, bool withSubfolders)
{
    // Found by key, not by a pass over the list: a long list is built in
    // time linear in its length.
    const std::size_t place = PlaceOf(places, hash, items, folder);
    if (place < items.size()) {
        items[place].WithSubfolders = withSubfolders;
        return;
    }
    places.Add(hash, static_cast<std::uint32_t>(items.size()));
    items.push_back({std::move(folder), withSubfolders});
}

void TFileSearch::RemoveExcludeFolder(const AnsiString& mask, const AnsiString& folder)
{
    const auto it = FExcludedFolders.find(mask);
    if (it == FExcludedFolders.end())
        return;
    TFolderPlaces& places = FExcludedKeys[mask];
    const std::size_t hash = FolderKeyHash(folder);
    const std::size_t removed = PlaceOf(places, hash, it->second, folder);
    if (removed == it->second.size())
        return;
    it->second.erase(it->second.begin() + static_cast<std::ptrdiff_t>(removed));
    places.Erase(hash, static_cast<std::uint32_t>(removed));
}

TExclusionIndex TFileSearch::ExclusionsOf(const AnsiString& mask) const
{
    // Built on the searcher's own places of the list: its texts and their
    // keys are neither copied nor hashed again.
    const auto items = FExcludedFolders.find(mask);
    const auto places = FExcludedKeys.find(mask);
    if (items == FExcludedFolders.end() || places == FExcludedKeys.end())
        return TExclusionIndex();
    return TExclusionIndex(items->second, &places->second);
}

bool TFileSearch::FolderIsExcluded(const AnsiString& mask, const AnsiString& folder, bool& withSubfolders) const
{
    return ExclusionsOf(mask).Excluded(folder, withSubfolders);
}

namespace {

// The attribute value an argument stands for: its low byte as a signed
// number, and only within 1..32.
bool AttributeValue(int attr, int& value)
{
    value = static_cast<signed char>(static_cast<unsigned char>(attr & 0xFF));
    return value >= 1 && value <= 32;
}

constexpr int kAllAttributes = 0x3F;

}  // namespace

void TFileSearch::AddSearchAttribute(int attr)
{
    int value;
    if (attr == kAllAttributes)
        FSearchAttributes.insert(std::begin(kListedAttributes), std::end(kListedAttributes));
    else if (AttributeValue(attr, value))
        FSearchAttributes.insert(value);
}

void TFileSearch::RemoveSearchAttribute(int attr)
{
    int value;
    if (attr == kAllAttributes)
        for (int listed : kListedAttributes)
            FSearchAttributes.erase(listed);
    else if (AttributeValue(attr, value))
        FSearchAttributes.erase(value);
}

namespace {

std::atomic<std::size_t> gDefaultThreads{0};

}  // namespace

void TFileSearch::SetDefaultThreads(std::size_t threads) { gDefaultThreads = threads; }

std::size_t TFileSearch::ThreadCount() const
{
    if (Threads != 0)
        return Threads;
    if (const std::size_t chosen = gDefaultThreads)
        return chosen;
    return std::max<std::size_t>(kColdCacheThreads, std::thread::hardware_concurrency());
}

bool TFileSearch::Execute(void* context)
{
    FAborted = false;
    UnreadableFolders = 0;
    UnnamedEntries = 0;
    Results.clear();
    // The lists as they stand now: one walk per folder serves every mask.
    const std::deque<AnsiString> folders = Lines(*FIncludeFolders.Get());
    const std::deque<AnsiString> masks = Lines(*FIncludeMasks.Get());
    for (const AnsiString& folder : folders)
        if (!Run(folder, masks, context))
            return false;
    return true;
}

bool TFileSearch::SearchDirectory(const AnsiString& folder, const AnsiString& mask, void* context)
{
    UnreadableFolders = 0;
    UnnamedEntries = 0;
    return Run(folder, {mask}, context);
}

std::shared_ptr<const twslisting::TRootFolder> TFileSearch::StartOf(const AnsiString& folder) const
{
    if (HeldStart && HeldStart->IsOpen() && HeldStart->Path() == folder)
        return HeldStart;
    auto start = std::make_shared<twslisting::TRootFolder>();
    start->Open(folder);
    return start;
}

bool TFileSearch::Run(const AnsiString& folder, const std::deque<AnsiString>& masks, void* context)
{
    // A walk never enters a system folder or a folder never entered, and
    // so finds nothing when it would start inside one. The name tells it
    // first; what decides is the folder held, whatever the name led to.
    if (twslisting::IsInSystemFolder(folder.empty() ? AnsiString(1, PathDelim) : folder))
        return true;
    const std::shared_ptr<const twslisting::TRootFolder> root = StartOf(folder);
    if (root->IsOpen() && (root->IsInSystemFolder() || root->LiesWithin(FoldersNeverEntered)))
        return true;
    AnsiString start = folder;
    if (!start.empty() && start.back() == PathDelim)
        start.pop_back();
    TWalk walk(*this, *root, start, masks, context);
    for (std::size_t k = 0; k < masks.size(); ++k)
        if (!walk.Pass(start, k, k + 1 == masks.size()))
            return false;
    return true;
}

}  // namespace zelutils

// Zelfilesearch: recursive file search by masks, with folders excluded per
// mask.
//   TSearchResult   the record of one file found
//   TFileSearch     configuration, exclusions and the entry points
//   TWalk           one include folder searched with every include mask
#include "Zelfilesearch.h"

#include <vector>

#include "SysUtils.hpp"
#include "Zelfileutils.h"

namespace zelutils {

using twslisting::TEntryKind;
using twslisting::TFolderReader;

namespace {

// Hidden and system: the two attributes a listing drops unless asked for.
constexpr int kHiddenAttribute = FILE_ATTRIBUTE_HIDDEN;
// The search attributes a listing looks at, and the default set.
constexpr int kListedAttributes[] = {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
                                     FILE_ATTRIBUTE_ARCHIVE};

// An excluded folder prepared for comparison: upper-cased, with its flag.
struct TExclusion {
    AnsiString Upper;
    bool WithSubfolders;
};

bool ExcludedBy(const std::vector<TExclusion>& exclusions, const AnsiString& folder, bool& withSubfolders)
{
    withSubfolders = false;
    AnsiString upperFolder;
    bool folded = false;
    for (const TExclusion& e : exclusions) {
        bool match = SameText(e.Upper, folder);
        if (!match && e.WithSubfolders) {
            if (!folded) {
                upperFolder = UpperCase(folder);
                folded = true;
            }
            match = upperFolder.find(e.Upper) != AnsiString::npos;
        }
        if (match) {
            withSubfolders = e.WithSubfolders;
            return true;
        }
    }
    return false;
}

std::vector<TExclusion> PrepareExclusions(const TExcludedFolders& folders, const AnsiString& mask)
{
    std::vector<TExclusion> result;
    const auto it = folders.find(mask);
    if (it != folders.end())
        for (const TExcludedFolderItem& item : it->second)
            result.push_back({UpperCase(item.Folder), item.WithSubfolders});
    return result;
}

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

TSearchResult::TSearchResult(const AnsiString& folder, const TDirEntry& entry)
    : Path(folder),
      Name(entry.Name),
      Size(entry.Size),
      Attributes(entry.Attributes),
      CreationTime(FileTimeToDateTime(entry.CreationTime)),
      LastAccessTime(FileTimeToDateTime(entry.LastAccessTime)),
      LastWriteTime(FileTimeToDateTime(entry.LastWriteTime)),
      Device(entry.Device),
      Inode(entry.Inode),
      ModifiedNs(entry.ModifiedNs),
      BornNs(entry.BornNs),
      HasBirthTime(entry.HasBirthTime)
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

AnsiString TSearchResult::GetFullName() const { return Path + Name; }

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
// later pass first enters it, by its path, and only if it is still the
// folder its parent listed. The last pass frees each folder once done.

namespace {

struct TFolderNode;

struct TSubFolder {
    TDirEntry Entry;
    std::unique_ptr<TFolderNode> Node;  // made when first entered
};

struct TFolderNode {
    bool Loaded = false;
    std::vector<TSubFolder> Subs;
    std::vector<TDirEntry> Files;
    std::vector<std::uint64_t> MaskBits;  // Files.size() rows of words; bit k: mask k lists the file
};

struct TMaskPlan {
    AnsiString Text;
    TFileMask Pattern;
    std::vector<TExclusion> Exclusions;
};

}  // namespace

class TFileSearch::TWalk {
public:
    TWalk(TFileSearch& search, const twslisting::TRootFolder& start, const std::deque<AnsiString>& masks,
          void* context)
        : FSearch(search),
          FStart(start),
          FContext(context),
          FListHidden(search.FSearchAttributes.count(kHiddenAttribute) != 0),
          FDropped((FListHidden ? 0 : FILE_ATTRIBUTE_HIDDEN) |
                   (search.FSearchAttributes.count(FILE_ATTRIBUTE_SYSTEM) != 0 ? 0 : FILE_ATTRIBUTE_SYSTEM)),
          FWords((masks.size() + 63) / 64)
    {
        FMasks.reserve(masks.size());
        for (const AnsiString& mask : masks)
            FMasks.push_back({mask, TFileMask(mask), PrepareExclusions(search.FExcludedFolders, mask)});
        for (int i = 0; i < search.FExcludeMasks->Count(); ++i)
            FExcludeMasks.emplace_back(search.FExcludeMasks->Get(i));
    }

    // Searches folder (without its trailing separator) for mask number mask.
    bool Pass(const AnsiString& folder, std::size_t mask, bool last)
    {
        FPath = folder;
        FStartLength = folder.size();
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
                if (ExcludedBy(FMasks[FMask].Exclusions, FPath, withSubfolders) && withSubfolders) {
                    // passed over with its whole tree
                } else if (s.Recursive) {
                    if (!sub.Node)
                        sub.Node = std::make_unique<TFolderNode>();
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

        if (!s.FAborted && !ExcludedBy(FMasks[FMask].Exclusions, FPath, withSubfolders)) {
            Load(node, self, parent, reader);
            const std::size_t word = FMask / 64;
            const std::uint64_t bit = std::uint64_t{1} << (FMask % 64);
            AnsiString folder;  // with its separator, made for the first file stored
            for (std::size_t i = 0; i < node.Files.size(); ++i) {
                if ((node.MaskBits[i * FWords + word] & bit) == 0)
                    continue;
                const TDirEntry& entry = node.Files[i];
                FFullName.assign(FPath).append(1, PathDelim).append(entry.Name);
                skip = false;
                if (s.OnFileFound)
                    s.OnFileFound(FFullName, &entry, skip, FContext);
                if (!skip && s.StoreResults) {
                    if (folder.empty())
                        folder = IncludeTrailingPathDelimiter(FPath);
                    s.Results[FMasks[FMask].Text].emplace_back(folder, entry);
                }
                if (s.FAborted)
                    break;
            }
        }
        return !s.FAborted;
    }

    // Reads the folder at FPath from the disk, unless an earlier pass did.
    void Load(TFolderNode& node, const TDirEntry* self, const TFolderReader* parent, TFolderReader& reader)
    {
        if (node.Loaded)
            return;
        node.Loaded = true;  // a folder that cannot be listed has no entries
        if (self == nullptr && !FStart.IsOpen())
            return;  // a start folder that is missing or reached through a link
        // A folder below the start whose parent is no longer open is walked
        // to again from the start folder held, never by its path.
        const bool open = self == nullptr   ? reader.Open(FStart)
                          : parent != nullptr ? reader.OpenSub(*parent, *self)
                                              : reader.OpenBelow(FStart, std::string_view(FPath).substr(FStartLength + 1), *self);
        if (!open) {
            ++FSearch.UnreadableFolders;
            return;
        }

        std::string_view name;
        TEntryKind kind;
        TDirEntry entry;
        while (reader.Next(name, kind)) {
            if (kind == TEntryKind::ekFolder) {
                // The subfolder listing drops hidden and system folders.
                if (twslisting::IsHiddenName(name) || twslisting::IsSystemFolder(FPath, name))
                    continue;
                // Where the file system keeps the attributes (Windows), the
                // description carries them.
                if (reader.Describe(name.data(), kind, entry) && !NeverEntered(entry) &&
                    (entry.Attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0)
                    node.Subs.push_back({std::move(entry), nullptr});
                continue;
            }
            if (FSearch.OnFileListed)
                FSearch.OnFileListed(FPath, name);
            if (!FListHidden && twslisting::IsHiddenName(name))
                continue;
            TFileMask::FoldName(name, FFolded);
            const std::size_t row = node.MaskBits.size();
            node.MaskBits.resize(row + FWords, 0);
            bool listed = false;
            for (std::size_t k = 0; k < FMasks.size(); ++k)
                if (FMasks[k].Pattern.MatchesFolded(FFolded)) {
                    node.MaskBits[row + k / 64] |= std::uint64_t{1} << (k % 64);
                    listed = true;
                }
            for (std::size_t k = 0; listed && k < FExcludeMasks.size(); ++k)
                listed = !FExcludeMasks[k].MatchesFolded(FFolded);
            if (listed && reader.Describe(name.data(), kind, entry) && (entry.Attributes & FDropped) == 0)
                node.Files.push_back(std::move(entry));
            else
                node.MaskBits.resize(row);
        }
        FSearch.UnnamedEntries += reader.Unnamed();
    }

    bool NeverEntered(const TDirEntry& folder) const
    {
        return !FSearch.FoldersNeverEntered.empty() &&
               FSearch.FoldersNeverEntered.count({folder.Device, folder.Inode}) != 0;
    }

    TFileSearch& FSearch;
    const twslisting::TRootFolder& FStart;
    std::size_t FStartLength = 0;  // of the start folder's path in FPath
    void* FContext;
    const bool FListHidden;
    const DWORD FDropped;  // a file with any of these attributes is not listed
    const std::size_t FWords;
    std::vector<TMaskPlan> FMasks;
    std::vector<TFileMask> FExcludeMasks;
    TFolderNode FRoot;
    std::size_t FMask = 0;
    bool FLast = false;
    AnsiString FPath;      // the folder being searched, without trailing separator
    AnsiString FFullName;  // a file's full name, its storage reused
    std::string FFolded;   // a name folded for matching, its storage reused
};

// ---------------------------------------------------------------------------
// TFileSearch

TFileSearch::TFileSearch() : FSearchAttributes(std::begin(kListedAttributes), std::end(kListedAttributes)) {}

TFileSearch::~TFileSearch() = default;

TStrings* TFileSearch::GetIncludeFileMask() const { return FIncludeMasks.Get(); }
TStrings* TFileSearch::GetExcludeFileMask() const { return FExcludeMasks.Get(); }
TStrings* TFileSearch::GetIncludeFolders() const { return FIncludeFolders.Get(); }

void TFileSearch::AddExcludeFolder(const AnsiString& mask, const AnsiString& folder, bool withSubfolders)
{
    TExcludedFolderItems& items = FExcludedFolders[mask];
    for (TExcludedFolderItem& item : items)
        if (SameText(item.Folder, folder)) {
            item.WithSubfolders = withSubfolders;
            return;
        }
    items.push_back({folder, withSubfolders});
}

void TFileSearch::RemoveExcludeFolder(const AnsiString& mask, const AnsiString& folder)
{
    const auto it = FExcludedFolders.find(mask);
    if (it == FExcludedFolders.end())
        return;
    for (auto item = it->second.begin(); item != it->second.end(); ++item)
        if (SameText(item->Folder, folder)) {
            it->second.erase(item);
            return;
        }
}

bool TFileSearch::FolderIsExcluded(const AnsiString& mask, const AnsiString& folder, bool& withSubfolders) const
{
    return ExcludedBy(PrepareExclusions(FExcludedFolders, mask), folder, withSubfolders);
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
    TWalk walk(*this, *root, masks, context);
    for (std::size_t k = 0; k < masks.size(); ++k)
        if (!walk.Pass(start, k, k + 1 == masks.size()))
            return false;
    return true;
}

}  // namespace zelutils

// Zelfilesearch: recursive file search by masks, with folders excluded per
// mask.
//   TSearchResult        one file found
//   TSearchResults       the files one mask found, in the order found
//   TMaskedFileResults   mask -> its files
//   TExcludedFolderItem  one folder excluded for a mask
//   TExcludedFolders     mask -> its excluded folders
//   TSearchEvent         the folder and file events
//   TFileSearch          the searcher
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Classes.hpp"
#include "System.hpp"
#include "Zelexclusionindex.h"
#include "Zelfolderplaces.h"
#include "Zelsharedtext.h"
#include "Zelstringlistadaptor.h"
#include "listing.h"
#include <windows.h>
#include "windef.h"

namespace zelutils {

// A file or folder as the platform's listing describes it: name,
// FILE_ATTRIBUTE_* bits, 64-bit size, three UTC file times, identity.
using TDirEntry = twslisting::TDirEntry;

// One file found. A plain value; the results of one folder share its path
// (TSharedText), since it is most of a record's size when each holds a copy.
struct TSearchResult {
    TSearchResult() = default;
    // Path() is folder exactly as given (callers pass it with its trailing
    // separator); the other fields come from the entry.
    TSearchResult(TSharedText folder, const TDirEntry& entry);

    // A UTC file time as a TDateTime, through its calendar date to the
    // millisecond, with no time-zone shift.
    TDateTime FileTimeToDateTime(const FILETIME& fileTime) const;
    // True when any bit of attr is set in Attributes.
    bool GetHasAttribute(int attr) const;
    // Path + Name.
    AnsiString GetFullName() const;
    // The short form of the full name as the file system gives it; the
    // empty string when the file no longer exists.
    AnsiString GetDOSName() const;

    // The folder, ending in the path separator.
    const AnsiString& Path() const noexcept { return FPath.Text(); }
    // Sets the folder for a record made by hand; the searcher shares one
    // folder among the records of that folder.
    void SetPath(std::string_view folder) { FPath = TSharedText(folder); }
    void SetPath(TSharedText folder) noexcept { FPath = std::move(folder); }

    AnsiString Name;              // as the file system lists it
    std::int64_t Size = 0;        // the whole 64-bit size
    DWORD Attributes = 0;         // FILE_ATTRIBUTE_* bits
    TDateTime CreationTime;       // UTC
    TDateTime LastAccessTime;     // UTC
    TDateTime LastWriteTime;      // UTC
    // The file's identity as the listing recorded it, for checking before
    // deletion that the file at the path is still the one found; its Size
    // is the Size above.
    twsplatform::TFileIdentity Identity;

private:
    TSharedText FPath;
};

// A double-ended sequence: appending never moves the records already held,
// so references to them stay valid while a search adds more.
using TSearchResults = std::deque<TSearchResult>;
// Ordered by case-sensitive byte comparison of the mask text.
using TMaskedFileResults = std::map<AnsiString, TSearchResults>;

struct TExcludedFolderItem {
    AnsiString Folder;
    bool WithSubfolders = false;
};
// In insertion order; one block, so that a list of 100,000 folders is made
// and freed in a few allocations.
using TExcludedFolderItems = std::vector<TExcludedFolderItem>;
// Keyed by the exact mask text.
using TExcludedFolders = std::map<AnsiString, TExcludedFolderItems>;

// The attribute values that widen the file listing.
using TSearchAttributes = std::set<int>;

// (full path, the listing's entry of the folder or file - null when a folder
// is entered -, skip flag preset to false, the context handed to Execute).
using TSearchEvent =
    std::function<void(const AnsiString& path, const TDirEntry* entry, bool& skip, void* context)>;

// Walks folder trees depth-first, once per include mask, and reports every
// folder and every matching file through the events.
//
// In a folder, its subfolders come first, in the order the file system
// lists them, then its own files. Hidden and system folders are not
// entered, and a start folder at or inside a system folder or a folder
// never entered is not searched at all (no event, no result). A start
// folder is opened once, without following a link on any component of its
// path (twslisting::TRootFolder), judged by what it is (its identity and
// the folders above it), and every folder below is reached from it. A folder excluded for the current mask with subfolders is passed
// over whole; one excluded without subfolders is entered, but its own files
// are not listed. A folder is excluded when its full path equals an
// excluded folder of the mask ignoring case, or, for an entry with
// subfolders, when the upper-cased entry occurs anywhere in the upper-cased
// path; there is no boundary check, so /proj also excludes /projects, and a
// folder is compared without its trailing separator. Folders that cannot be
// listed are passed over and counted (UnreadableFolders). The searcher
// raises no errors of its own.
//
// Execute reads every folder from the disk once and replays what it read
// for the other masks: the events, their order and arguments, and the
// results are those of one separate walk per mask over an unchanging tree.
// Looking up a folder's exclusion takes time in its path's length, not in
// the number of folders excluded (TExclusionIndex).
//
// Folders are read by a pool of Threads threads ahead of the walk (see
// Zelfolderpool.h), each opened relative to its parent or from the start
// folder, never by its path from the root. The walk itself, every event and
// every result stay on the calling thread, in the order and with the
// arguments of a walk reading every folder itself: the threads change when a
// folder is read, not what is told. A search runs on one thread at a time.
class TFileSearch {
public:
    TFileSearch();
    virtual ~TFileSearch();
    TFileSearch(const TFileSearch&) = delete;
    TFileSearch& operator=(const TFileSearch&) = delete;

    // The file patterns searched for, one per entry ("*.obj").
    TStrings* GetIncludeFileMask() const;
    // Names matching any of these patterns (ignoring case) are passed over.
    TStrings* GetExcludeFileMask() const;
    // The start folders, one per entry.
    TStrings* GetIncludeFolders() const;

    // In mask's list: when folder is there already (ignoring case), replaces
    // its flag; otherwise appends it. The lists are read by a running
    // search: they are changed between searches, never from an event.
    void AddExcludeFolder(const AnsiString& mask, AnsiString folder, bool withSubfolders);
    // Adds count folders to mask's list in their order, each as
    // AddExcludeFolder does; folderAt(i), for i from 0, gives the i-th as a
    // TExcludedFolderItem. The list is found once and room made for all of
    // them first: a list of 100,000 folders neither moves nor rehashes.
    template <typename FolderAt>
    void AddExcludeFolders(const AnsiString& mask, std::size_t count, FolderAt folderAt)
    {
        if (count == 0)
            return;  // no list made for a mask that has none
        TExcludedFolderItems& items = FExcludedFolders[mask];
        TFolderPlaces& places = FExcludedKeys[mask];
        items.reserve(items.size() + count);
        places.Reserve(items.size() + count);
        // Each folder's slot is asked for while the one before it is added.
        TExcludedFolderItem item = folderAt(0);
        std::size_t hash = FolderKeyHash(item.Folder);
        for (std::size_t i = 0; i < count; ++i) {
            TExcludedFolderItem next;
            std::size_t nextHash = 0;
            if (i + 1 < count) {
                next = folderAt(i + 1);
                nextHash = FolderKeyHash(next.Folder);
                places.Prefetch(nextHash);
            }
            AddExcludeFolderTo(items, places, hash, std::move(item.Folder), item.WithSubfolders);
            item = std::move(next);
            hash = nextHash;
        }
    }
    // Removes the first entry of mask's list naming folder (ignoring case).
    void RemoveExcludeFolder(const AnsiString& mask, const AnsiString& folder);
    const TExcludedFolders& GetExcludedFolders() const { return FExcludedFolders; }
    // True when folder is excluded for mask; withSubfolders tells how.
    // It builds the mask's whole index for this one question (on several
    // threads for a long list); a search builds it once per walk instead.
    bool FolderIsExcluded(const AnsiString& mask, const AnsiString& folder, bool& withSubfolders) const;

    // Only 1 (read-only), 2 (hidden), 4 (system) and 32 (archive) affect the
    // listing: hidden and system files are listed when their value is in the
    // set; read-only and archive files always are. 0x3F adds or removes the
    // four together; any other value counts by its low 8 bits as a signed
    // number and only within 1..32. The default set is {1, 2, 4, 32}.
    void AddSearchAttribute(int attr);
    void RemoveSearchAttribute(int attr);
    const TSearchAttributes& GetSearchAttributes() const { return FSearchAttributes; }

    // Empties Results, then searches every include folder with every
    // include mask, folders outermost. True when it ran to its end, false
    // when Abort stopped it.
    bool Execute(void* context);
    // Searches the tree of one folder for one mask. A trailing separator is
    // dropped first (the root "/" is searched, and reported, as "").
    bool SearchDirectory(const AnsiString& folder, const AnsiString& mask, void* context);
    // Stops the search at its next check: the file being reported is still
    // stored, nothing further is listed, and every pending search returns
    // false. Meant to be called from an event.
    void Abort() { FAborted = true; }

    // Descend into subfolders; when false, subfolders are only reported to
    // OnSearchFolder, with their entries.
    bool Recursive = true;
    // The threads reading folders: 1 reads them on the calling thread as
    // it walks; N > 1 starts a pool of N reading ahead of it (the calling
    // thread still reads a folder itself when it gets there first); 0 takes
    // the process's default (SetDefaultThreads), else the number of cores
    // but at least kColdCacheThreads.
    std::size_t Threads = 0;
    // A folder not cached waits on the disk rather than on a core: more
    // threads than cores keep more reads in flight on a cold cache, and
    // cost nothing measurable on a warm one. On 2 cores and a cold cache,
    // 16 threads took about 0.77 of the time 8 took and 0.7 of 2; 32 were
    // no faster.
    static constexpr std::size_t kColdCacheThreads = 16;
    // What Threads 0 means in this process (0: the cores, as above); for a
    // host to hand a command-line choice to the handlers it loads.
    static void SetDefaultThreads(std::size_t threads);
    // The number of threads Threads stands for.
    std::size_t ThreadCount() const;
    // Keep a TSearchResult for every reported file that was not skipped.
    bool StoreResults = true;
    // The files found, per include mask; a mask that found nothing has no
    // group.
    TMaskedFileResults Results;
    // A folder is entered (null entry), or, when not Recursive, a subfolder
    // is listed. Skip set when entering: the folder and all below it are
    // passed over. Skip set for a listed subfolder: the rest of its parent,
    // the parent's own files included, is passed over.
    TSearchEvent OnSearchFolder;
    // A matching file. Skip set: the file is not stored.
    TSearchEvent OnFileFound;
    // Every file a folder lists (that FileListedFilter accepts, when set),
    // matching or not, once per folder and before any of its files is
    // reported: (folder without its trailing
    // separator, the file's name). For callers that want to know what lies
    // beside the files found without listing the folder again.
    std::function<void(const AnsiString& folder, std::string_view name)> OnFileListed;
    // When set, OnFileListed hears only the names this accepts. It is asked
    // on the thread that reads the folder (a pool's or the calling thread,
    // several at once), so that a caller wanting a few kinds of file does
    // not have every name carried to the walk's thread and told there; it
    // must not touch the searcher.
    std::function<bool(std::string_view name)> FileListedFilter;
    // A folder just read, on the thread that read it (one of the pool's or
    // the calling thread, several at once): the folder without its trailing
    // separator, the folder still open, and the names of every file it
    // lists (as OnFileListed tells them), each ended by a NUL. Told once
    // per folder read, also for folders the walk then passes over; for work
    // on a folder's files that can run beside the walk. It must not touch
    // the searcher.
    std::function<void(const AnsiString& folder, const twslisting::TFolderReader& reader, std::string_view files)>
        OnFolderRead;
    // Folders never entered nor reported, whatever their name, known by
    // their identity (device, inode): the trash, whose files are what
    // earlier purges removed.
    std::set<std::pair<std::uint64_t, std::uint64_t>> FoldersNeverEntered;
    // A start folder already held (its Path an include folder, exactly):
    // searched from it instead of being opened again, so that the caller
    // can go on working below the very folder searched.
    std::shared_ptr<const twslisting::TRootFolder> HeldStart;
    // The folders below a start folder that could not be opened for
    // listing (no permission, gone or replaced meanwhile) since Execute or
    // SearchDirectory began, each counted once whatever the masks.
    std::size_t UnreadableFolders = 0;
    // The files and folders left out, since Execute or SearchDirectory
    // began, because their names cannot be given as text
    // (TFolderReader::Unnamed): each counted once whatever the masks.
    std::size_t UnnamedEntries = 0;

private:
    class TWalk;
    friend class TWalk;

    bool Run(const AnsiString& folder, const std::deque<AnsiString>& masks, void* context);
    std::shared_ptr<const twslisting::TRootFolder> StartOf(const AnsiString& folder) const;
    // The index of mask's excluded folders; it reads the lists, which stay
    // as they are while a search runs.
    TExclusionIndex ExclusionsOf(const AnsiString& mask) const;
    // AddExcludeFolder on a list and its places; hash: FolderKeyHash(folder).
    static void AddExcludeFolderTo(TExcludedFolderItems& items, TFolderPlaces& places, std::size_t hash,
                                   AnsiString folder, bool withSubfolders);

    bool FAborted = false;
    zelcore::TStringListAdaptor FIncludeMasks;
    zelcore::TStringListAdaptor FExcludeMasks;
    zelcore::TStringListAdaptor FIncludeFolders;
    TExcludedFolders FExcludedFolders;
    // mask -> hash of the SameTextKey of each folder of its list -> its
    // place there (the texts are compared in the list: no copy of each)
    std::map<AnsiString, TFolderPlaces> FExcludedKeys;
    TSearchAttributes FSearchAttributes;
};

}  // namespace zelutils

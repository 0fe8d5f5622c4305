// Zelfolderpool: the folders of one search read from the disk, ahead of the
// walk that reports them, by a bounded pool of threads.
//   TFolderNode    what the walk keeps of one folder it read
//   TListingRules  which entries of a folder the walk keeps
//   TFolderPool    the threads reading folders ahead of the walk
//
// The walk (TFileSearch) still decides everything in its own order on its
// own thread: which folder comes next, its events, what is stored. The pool
// only makes a folder's listing ready before the walk asks for it. What a
// listing would tell the walk's caller (the files listed, a folder that
// could not be opened) is kept with the folder and told by the walk when it
// reaches the folder, so the caller sees the sequence of a walk that reads
// every folder itself.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "Zelexclusionindex.h"
#include "Zelfileutils.h"
#include "listing.h"

namespace zelutils::folderpool {

using twslisting::TDirEntry;
using twslisting::TFolderReader;

struct TFolderNode;

struct TSubFolder {
    TDirEntry Entry;
    std::shared_ptr<TFolderNode> Node;  // made when first entered or queued
};

struct TFolderNode {
    std::vector<TSubFolder> Subs;
    std::vector<TDirEntry> Files;
    std::vector<std::uint64_t> MaskBits;  // Files.size() rows of words; bit k: mask k lists the file
    // Every file name the folder listed, each ended by a NUL, when the
    // walk's caller wants to hear of them; told, and dropped, when the walk
    // reaches the folder.
    std::string Listed;
    bool Unreadable = false;  // could not be opened: counted when reached
    // Entries the listing left out because their names cannot be spelled
    // here (TFolderReader::Unnamed): counted when reached.
    std::size_t Unnamed = 0;
    // What reading it on a pool thread raised (out of memory, or an
    // exception from the FolderRead event): raised again by Take.
    std::exception_ptr Error;

    // How the folder is reached: its path (without separator), its entry
    // in its parent's listing, and the parent's reader while it is held.
    // Dropped once read.
    AnsiString Path;
    TDirEntry Entry;
    std::shared_ptr<const TFolderReader> Parent;

    enum class TState : unsigned char { sNew, sQueued, sReading, sRead, sTaken };
    TState State = TState::sNew;  // under the pool's lock once queued
    bool ReadAhead = false;       // read by a pool thread: counted until taken
};

// One include mask as a listing applies it.
struct TMaskPlan {
    AnsiString Text;
    TFileMask Pattern;
    TExclusionIndex Exclusions;
};

// What a folder's listing keeps, and where reading starts.
struct TListingRules {
    const twslisting::TRootFolder* Start = nullptr;
    std::size_t StartLength = 0;  // of the start folder's path (without separator)
    std::vector<TMaskPlan> Masks;
    std::vector<TFileMask> ExcludeMasks;
    bool ListHidden = false;
    DWORD Dropped = 0;  // a file with any of these attributes is not listed
    std::size_t Words = 0;  // of MaskBits per file
    const twslisting::TFolderIdentities* NeverEntered = nullptr;
    bool Recursive = true;
    // The files listed that are told (TFileSearch::FileListedFilter); empty:
    // all.
    std::function<bool(std::string_view)> ListedFilter;
    // Told of every folder read (TFileSearch::OnFolderRead); may be empty.
    std::function<void(const AnsiString&, const TFolderReader&, std::string_view)> FolderRead;

    // Opens the folder at path (the start folder when self is null, else
    // the subfolder self describes) through parent when open, else from the
    // start folder, and fills node. listed hears every file the folder
    // lists that ListedFilter accepts. False, and node marked Unreadable, when it cannot be opened.
    bool Read(TFolderNode& node, const AnsiString& path, const TDirEntry* self, const TFolderReader* parent, TFolderReader& reader,
              const std::function<void(std::string_view)>& listed, std::string& folded) const;
    // Whether any mask's walk enters the subfolder at path.
    bool EnteredByAnyMask(const AnsiString& path) const;
};

// A bounded pool of threads reading queued folders, each queuing the
// subfolders it finds (most recent first, so that the pool works near the
// walk's own depth-first position). The walk takes a folder with Take: read
// already, being read (it waits), or not yet started (it reads it itself).
// A folder's reader is held, for its subfolders to be opened relative to
// it, while at most kHeldReaders are; beyond that they are reached again
// from the start folder, never by a path from the root of the file system.
class TFolderPool {
public:
    static constexpr std::size_t kHeldReaders = 512;
    // Folders read but not yet taken, beyond which the threads wait for
    // the walk: what they keep of a folder (its files' names among it)
    // stays bounded however far behind the walk falls.
    static constexpr std::size_t kReadAhead = 4096;

    // keepListed: the files each folder lists are kept for the walk.
    TFolderPool(const TListingRules& rules, std::size_t threads, bool keepListed);
    // Stops the threads; folders queued are left unread.
    ~TFolderPool();
    TFolderPool(const TFolderPool&) = delete;
    TFolderPool& operator=(const TFolderPool&) = delete;

    // Makes node's listing ready on the calling thread. node was queued by
    // the pool, or is the start folder (self null), or a folder at path the
    // walk reached without the pool (read here from the start folder). Each
    // node is taken once; false when it was taken before. The caller keeps
    // node alive meanwhile. What reading it on a pool thread raised is
    // raised here.
    bool Take(TFolderNode& node, const AnsiString& path, const TDirEntry* self);

private:
    void Work();
    // Reads node and queues its subfolders that some mask enters.
    void ReadAndQueue(TFolderNode& node, const TDirEntry* self, std::string& folded, bool ahead);

    const TListingRules& FRules;
    const bool FKeepListed;
    std::mutex FLock;
    std::condition_variable FWorkReady, FNodeRead;
    std::deque<std::shared_ptr<TFolderNode>> FQueue;  // front: next to read
    bool FStopping = false;
    std::size_t FAhead = 0;  // read by the threads, not taken yet
    // Readers held open for subfolders; shared with the readers' owners,
    // which may outlive the pool.
    std::shared_ptr<std::atomic<std::size_t>> FHeld;
    std::string FCallerFolded;  // Take's scratch, on the walk's thread
    std::vector<std::thread> FThreads;
};

}  // namespace zelutils::folderpool

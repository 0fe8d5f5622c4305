// Zelfolderpool: reading one folder's listing, and the threads reading
// folders ahead of the walk.
#include "Zelfolderpool.h"

#include <algorithm>

#include "SysUtils.hpp"

namespace zelutils::folderpool {

using twslisting::TEntryKind;

bool TListingRules::Read(TFolderNode& node, const AnsiString& path, const TDirEntry* self,
                         const TFolderReader* parent, TFolderReader& reader,
                         const std::function<void(std::string_view)>& listed, std::string& folded) const
{
    if (self == nullptr && !Start->IsOpen())
        return true;  // a start folder that is missing or reached through a link
    // A folder whose parent is no longer open is walked to again from the
    // start folder held, never by its path.
    const bool open = self == nullptr     ? reader.Open(*Start)
                      : parent != nullptr ? reader.OpenSub(*parent, *self)
                                          : reader.OpenBelow(*Start, std::string_view(path).substr(StartLength + 1), *self);
    if (!open) {
        node.Unreadable = true;
        return false;
    }

    std::string_view name;
    TEntryKind kind;
    TDirEntry entry;
    std::string files;  // for FolderRead
    while (reader.Next(name, kind)) {
        if (kind == TEntryKind::ekFolder) {
            // The subfolder listing drops hidden and system folders.
            if (twslisting::IsHiddenName(name) || twslisting::IsSystemFolder(path, name))
                continue;
            // Where the file system keeps the attributes (Windows), the
            // description carries them.
            if (reader.Describe(name.data(), kind, entry) &&
                (NeverEntered == nullptr || NeverEntered->count({entry.Identity.Device, entry.Identity.Inode}) == 0) &&
                (entry.Attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0)
                node.Subs.push_back({std::move(entry), nullptr});
            continue;
        }
        if (listed && (!ListedFilter || ListedFilter(name)))
            listed(name);
        if (FolderRead)
            files.append(name).push_back('\0');
        if (!ListHidden && twslisting::IsHiddenName(name))
            continue;
        TFileMask::FoldName(name, folded);
        const std::size_t row = node.MaskBits.size();
        node.MaskBits.resize(row + Words, 0);
        bool kept = false;
        for (std::size_t k = 0; k < Masks.size(); ++k)
            if (Masks[k].Pattern.MatchesFolded(folded)) {
                node.MaskBits[row + k / 64] |= std::uint64_t{1} << (k % 64);
                kept = true;
            }
        for (std::size_t k = 0; kept && k < ExcludeMasks.size(); ++k)
            kept = !ExcludeMasks[k].MatchesFolded(folded);
        if (kept && reader.Describe(name.data(), kind, entry) && (entry.Attributes & Dropped) == 0)
            node.Files.push_back(std::move(entry));
        else
            node.MaskBits.resize(row);
    }
    node.Unnamed = reader.Unnamed();
    if (FolderRead)
        FolderRead(path, reader, files);
    return true;
}

bool TListingRules::EnteredByAnyMask(const AnsiString& path) const
{
    bool withSubfolders = false;
    return std::any_of(Masks.begin(), Masks.end(), [&](const TMaskPlan& mask) {
        return !mask.Exclusions.Excluded(path, withSubfolders) || !withSubfolders;
    });
}

// ---------------------------------------------------------------------------
// TFolderPool

TFolderPool::TFolderPool(const TListingRules& rules, std::size_t threads, bool keepListed)
    : FRules(rules), FKeepListed(keepListed), FHeld(std::make_shared<std::atomic<std::size_t>>(0))
{
    FThreads.reserve(threads);
    for (std::size_t i = 0; i < threads; ++i)
        FThreads.emplace_back([this] { Work(); });
}

TFolderPool::~TFolderPool()
{
    {
        std::lock_guard<std::mutex> lock(FLock);
        FStopping = true;
        FQueue.clear();
    }
    FWorkReady.notify_all();
    for (std::thread& thread : FThreads)
        thread.join();
}

bool TFolderPool::Take(TFolderNode& node, const AnsiString& path, const TDirEntry* self)
{
    std::unique_lock<std::mutex> lock(FLock);
    for (;;) {
        switch (node.State) {
        case TFolderNode::TState::sTaken:
            return false;
        case TFolderNode::TState::sRead:
            node.State = TFolderNode::TState::sTaken;
            if (node.ReadAhead && FAhead-- == kReadAhead)
                FWorkReady.notify_one();
            if (node.Error)
                std::rethrow_exception(node.Error);
            return true;
        case TFolderNode::TState::sReading:
            FNodeRead.wait(lock);
            continue;
        case TFolderNode::TState::sNew:
        case TFolderNode::TState::sQueued: {
            // The walk got here first: it reads the folder itself rather
            // than wait for a thread to pick it up.
            const bool queued = node.State == TFolderNode::TState::sQueued;
            node.State = TFolderNode::TState::sReading;
            lock.unlock();
            if (!queued)
                node.Path = path;
            ReadAndQueue(node, queued ? &node.Entry : self, FCallerFolded, false);
            lock.lock();
            node.State = TFolderNode::TState::sTaken;
            return true;
        }
        }
    }
}

void TFolderPool::Work()
{
    std::string folded;
    std::unique_lock<std::mutex> lock(FLock);
    for (;;) {
        FWorkReady.wait(lock, [this] { return FStopping || (!FQueue.empty() && FAhead < kReadAhead); });
        if (FStopping)
            return;
        std::shared_ptr<TFolderNode> node = std::move(FQueue.front());
        FQueue.pop_front();
        // Taken by the walk meanwhile, or dropped by it: the walk passed
        // the folder over (an event skipped it, or the search ended).
        if (node->State != TFolderNode::TState::sQueued || node.use_count() == 1)
            continue;
        node->State = TFolderNode::TState::sReading;
        lock.unlock();
        try {
            ReadAndQueue(*node, &node->Entry, folded, true);
        } catch (...) {
            // For the walk's thread, which raises it when it gets there.
            std::lock_guard<std::mutex> failed(FLock);
            node->Error = std::current_exception();
            node->State = TFolderNode::TState::sRead;
            node->ReadAhead = true;
            ++FAhead;
            FNodeRead.notify_all();
        }
        node.reset();
        lock.lock();
    }
}

void TFolderPool::ReadAndQueue(TFolderNode& node, const TDirEntry* self, std::string& folded, bool ahead)
{
    auto reader = std::make_unique<TFolderReader>();
    std::function<void(std::string_view)> listed;
    if (FKeepListed)
        listed = [&node](std::string_view name) { node.Listed.append(name).push_back('\0'); };
    FRules.Read(node, node.Path, self, node.Parent.get(), *reader, listed, folded);
    node.Parent.reset();

    std::vector<std::shared_ptr<TFolderNode>> made;
    if (FRules.Recursive && reader->IsOpen() && !node.Subs.empty()) {
        // The reader stays open for the subfolders while few are held.
        std::shared_ptr<const TFolderReader> shared;
        if (FHeld->fetch_add(1) < kHeldReaders)
            shared = std::shared_ptr<const TFolderReader>(reader.release(), [held = FHeld](const TFolderReader* r) {
                delete r;
                held->fetch_sub(1);
            });
        else
            FHeld->fetch_sub(1);
        reader.reset();
        for (TSubFolder& sub : node.Subs) {
            AnsiString path = node.Path;
            path.append(1, PathDelim).append(sub.Entry.Name);
            if (!FRules.EnteredByAnyMask(path))
                continue;
            auto child = std::make_shared<TFolderNode>();
            child->Path = std::move(path);
            child->Entry = sub.Entry;
            child->Parent = shared;
            child->State = TFolderNode::TState::sQueued;
            sub.Node = child;
            made.push_back(std::move(child));
        }
    }
    reader.reset();
    // Swapped out, not assigned: an assignment keeps the capacity, and a
    // deep chain's nodes, alive while the walk is below them, would each
    // keep the storage of their whole path.
    AnsiString().swap(node.Path);
    node.Entry = TDirEntry();

    {
        std::lock_guard<std::mutex> lock(FLock);
        for (auto it = made.rbegin(); it != made.rend(); ++it)
            FQueue.push_front(std::move(*it));
        node.State = TFolderNode::TState::sRead;
        node.ReadAhead = ahead;
        FAhead += ahead ? 1 : 0;
    }
    FNodeRead.notify_all();
    // One thread woken per folder queued: the others would find nothing.
    for (std::size_t i = 0; i < made.size() && i < FThreads.size(); ++i)
        FWorkReady.notify_one();
}

}  // namespace zelutils::folderpool

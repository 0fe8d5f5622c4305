// Closing, off the caller's thread, the last descriptors of files that were
// just removed.
//
// The file system frees a removed file only when its last descriptor goes,
// and on a volume mounted with online discard that close waits for the
// device to discard the file's blocks: on such a volume it takes longer than
// the check and the unlink together. A permanent purge holds each file until
// it has proved the unlink removed that very file, so every close is the
// one that frees it. THandleReleaser takes those descriptors and closes them
// on a few threads of its own: the device then discards the blocks of
// several files at once while the caller checks the next ones.
//
// Only descriptors of files already removed and already proved belong here:
// nothing about them is checked any more, closing them only frees the space.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace twsplatform {

class THandleReleaser {
public:
    // At most threads closing threads; at most pending descriptors waiting
    // for them (a purge must not run out of descriptors for the next files).
    explicit THandleReleaser(std::size_t threads = 8, std::size_t pending = 64);
    // Returns when every descriptor handed over is closed: whoever destroys
    // the releaser knows the space of the removed files is free.
    ~THandleReleaser();
    THandleReleaser(const THandleReleaser&) = delete;
    THandleReleaser& operator=(const THandleReleaser&) = delete;

    // Takes fd over. When the threads are behind, or none could be started,
    // the caller closes it itself, here and now.
    void Release(int fd);

private:
    void Work();

    const std::size_t FMaxThreads;
    const std::size_t FMaxPending;
    std::mutex FLock;
    std::condition_variable FWork;
    std::deque<int> FPending;
    std::size_t FIdle = 0;
    bool FStopping = false;
    bool FCannotStart = false;
    std::vector<std::thread> FThreads;
};

}  // namespace twsplatform

// THandleReleaser: a queue of descriptors and the threads that close them.
// A thread is started when more descriptors wait than threads are idle, up
// to the limit: a purge of a handful of files starts a handful of threads at most.
#include "handlereleaser_posix.h"

#include <system_error>
#include <unistd.h>

namespace twsplatform {

THandleReleaser::THandleReleaser(std::size_t threads, std::size_t pending)
    : FMaxThreads(threads), FMaxPending(pending)
{
}

THandleReleaser::~THandleReleaser()
{
    {
        std::lock_guard<std::mutex> lock(FLock);
        FStopping = true;
    }
    FWork.notify_all();
    for (std::thread& thread : FThreads)
        thread.join();
    // Left only when no thread could ever be started.
    for (const int fd : FPending)
        ::close(fd);
}

void THandleReleaser::Release(int fd)
{
    {
        std::unique_lock<std::mutex> lock(FLock);
        if (FPending.size() < FMaxPending && !FCannotStart) {
            FPending.push_back(fd);
            if (FPending.size() > FIdle && FThreads.size() < FMaxThreads) {
                try {
                    FThreads.emplace_back(&THandleReleaser::Work, this);
                } catch (const std::system_error&) {
                    // Without a thread of our own the close is done here.
                    FCannotStart = FThreads.empty();
                    if (FCannotStart)
                        FPending.pop_back();
                }
            }
            if (!FCannotStart) {
                lock.unlock();
                FWork.notify_one();
                return;
            }
        }
    }
    ::close(fd);
}

void THandleReleaser::Work()
{
    std::unique_lock<std::mutex> lock(FLock);
    for (;;) {
        ++FIdle;
        FWork.wait(lock, [this] { return FStopping || !FPending.empty(); });
        --FIdle;
        if (FPending.empty())
            return;
        const int fd = FPending.front();
        FPending.pop_front();
        lock.unlock();
        ::close(fd);
        lock.lock();
    }
}

}  // namespace twsplatform

#include "../handlereleaser_posix.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

using namespace twsplatform;

namespace {

bool IsOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1 || errno != EBADF; }

std::vector<int> OpenSome(int count)
{
    std::vector<int> fds;
    for (int i = 0; i < count; ++i) {
        fds.push_back(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        EXPECT_GE(fds.back(), 0);
    }
    return fds;
}

}  // namespace

// Every descriptor handed over is closed once the releaser is gone, however
// many threads it may start and however many may wait; what cannot wait is
// closed by the caller at once, so the descriptors held stay bounded.
TEST(HandleReleaserTest, ClosesEveryDescriptorByTheTimeItIsGone)
{
    struct TCase {
        std::size_t Threads, Pending;
        int Count;
        bool Bounded;  // no thread at all: exactly the first Pending wait
    } const cases[] = {
        {0, 0, 10, true},   // nothing may wait: every close is the caller's
        {0, 4, 10, true},   // no thread: four wait for the end, six go at once
        {1, 1, 200, false},
        {8, 64, 1000, false},
    };
    for (const TCase& c : cases) {
        const std::vector<int> fds = OpenSome(c.Count);
        {
            THandleReleaser releaser(c.Threads, c.Pending);
            for (const int fd : fds)
                releaser.Release(fd);
            if (c.Bounded) {
                for (int i = 0; i < c.Count; ++i)
                    EXPECT_EQ(IsOpen(fds[i]), static_cast<std::size_t>(i) < c.Pending)
                        << c.Threads << " threads, " << c.Pending << " pending, descriptor " << i;
            }
        }
        int open = 0;
        for (const int fd : fds)
            open += IsOpen(fd) ? 1 : 0;
        EXPECT_EQ(open, 0) << c.Threads << " threads, " << c.Pending << " pending";
    }
}

// Handles on POSIX: a HANDLE points to a heap record naming what it holds
// (handlekinds.h).
#include "handle.h"

#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

#include "handlekinds.h"

namespace {
thread_local DWORD lastError = 0;

BOOL Fail(int error)
{
    SetLastError(static_cast<DWORD>(error));
    return FALSE;
}
}  // namespace

namespace winsdk {
unsigned KindOf(HANDLE handle)
{
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return 0;
    const unsigned kind = *static_cast<const unsigned*>(handle);
    switch (static_cast<THandleKind>(kind)) {
    case THandleKind::File:
    case THandleKind::Process:
    case THandleKind::Thread:
        return kind;
    }
    return 0;
}

HANDLE HandleFromFd(int fd) { return new TFdRecord{THandleKind::File, fd}; }

int FdFromHandle(HANDLE handle)
{
    if (KindOf(handle) != static_cast<unsigned>(THandleKind::File))
        return -1;
    return static_cast<TFdRecord*>(handle)->fd;
}
}  // namespace winsdk

extern "C" {

BOOL CloseHandle(HANDLE handle)
{
    using winsdk::THandleKind;
    switch (static_cast<THandleKind>(winsdk::KindOf(handle))) {
    case THandleKind::File: {
        auto* h = static_cast<winsdk::TFdRecord*>(handle);
        const int rc = ::close(h->fd);
        const int err = errno;
        h->kind = THandleKind{};
        delete h;
        return rc == 0 ? TRUE : Fail(err);
    }
    case THandleKind::Process: {
        auto* h = static_cast<winsdk::TProcessRecord*>(handle);
        // A process that has ended is collected now; one still running goes
        // on without us, as it does on Windows.
        if (!h->reaped)
            ::waitpid(h->pid, nullptr, WNOHANG);
        if (h->pidfd >= 0)
            ::close(h->pidfd);
        h->kind = THandleKind{};
        delete h;
        return TRUE;
    }
    case THandleKind::Thread: {
        auto* h = static_cast<winsdk::TThreadRecord*>(handle);
        h->kind = THandleKind{};
        delete h;
        return TRUE;
    }
    }
    return Fail(EBADF);
}

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD error) { lastError = error; }
}

// Handles on POSIX: a HANDLE points to a heap record naming the descriptor.
#include "handle.h"

#include <cerrno>
#include <unistd.h>

namespace {
struct FdHandle {
    unsigned magic;
    int fd;
};
constexpr unsigned kFdMagic = 0x46444844;  // "FDHD"
thread_local DWORD lastError = 0;
}  // namespace

extern "C" {

BOOL CloseHandle(HANDLE handle)
{
    auto* h = static_cast<FdHandle*>(handle);
    if (h == nullptr || handle == INVALID_HANDLE_VALUE || h->magic != kFdMagic) {
        SetLastError(EBADF);
        return FALSE;
    }
    const int rc = ::close(h->fd);
    const int err = errno;
    h->magic = 0;
    delete h;
    if (rc != 0) {
        SetLastError(static_cast<DWORD>(err));
        return FALSE;
    }
    return TRUE;
}

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD error) { lastError = error; }
}

namespace winsdk {
HANDLE HandleFromFd(int fd) { return new FdHandle{kFdMagic, fd}; }

int FdFromHandle(HANDLE handle)
{
    auto* h = static_cast<FdHandle*>(handle);
    if (h == nullptr || handle == INVALID_HANDLE_VALUE || h->magic != kFdMagic)
        return -1;
    return h->fd;
}
}  // namespace winsdk

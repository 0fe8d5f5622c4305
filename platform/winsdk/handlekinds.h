// What a HANDLE points to on POSIX: a small record whose first field tells
// its kind, so that CloseHandle and the waits can treat each one right.
#pragma once

#include <sys/types.h>

#include "windef.h"

namespace winsdk {

enum class THandleKind : unsigned {
    File = 0x46444844,     // "FDHD": a file descriptor
    Process = 0x50524844,  // "PRHD": a started process
    Thread = 0x54484844,   // "THHD": a process's main thread (nothing to hold)
};

struct TFdRecord {
    THandleKind kind;
    int fd;
};

struct TProcessRecord {
    THandleKind kind;
    pid_t pid;
    int pidfd;             // -1 when the kernel has no pidfd_open
    bool reaped;           // the exit status below is final
    DWORD exitCode;
    bool terminated;       // TerminateProcess chose the exit code
    DWORD terminateCode;
};

struct TThreadRecord {
    THandleKind kind;
};

// The kind of a live handle, or 0 for null, INVALID_HANDLE_VALUE and
// handles already closed.
unsigned KindOf(HANDLE handle);

}  // namespace winsdk

// Kernel object handles on POSIX: CloseHandle and the wrapping of file
// descriptors, so that code guarding a HANDLE reads as it does on Windows.
#pragma once

#include "windef.h"

extern "C" {
BOOL CloseHandle(HANDLE handle);
DWORD GetLastError();
void SetLastError(DWORD error);
}

namespace winsdk {
// A HANDLE that owns the file descriptor fd; CloseHandle closes it.
HANDLE HandleFromFd(int fd);
// The descriptor behind a handle made by HandleFromFd, or -1.
int FdFromHandle(HANDLE handle);
}  // namespace winsdk

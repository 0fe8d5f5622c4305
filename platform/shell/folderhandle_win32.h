// An open folder shared by the files verified in it and the recycle bin
// that takes them: every operation on those files names them relative to it.
#pragma once

#include <utility>
#include <windows.h>

#include "System.hpp"

namespace twsplatform {

struct TFolderHandle {
    explicit TFolderHandle(HANDLE handle, AnsiString path = AnsiString()) : Handle(handle), Path(std::move(path)) {}
    ~TFolderHandle() { ::CloseHandle(Handle); }
    TFolderHandle(const TFolderHandle&) = delete;
    TFolderHandle& operator=(const TFolderHandle&) = delete;
    HANDLE Handle;
    AnsiString Path;  // the folder's path as verified, ending in a delimiter; empty when not needed
};

}  // namespace twsplatform

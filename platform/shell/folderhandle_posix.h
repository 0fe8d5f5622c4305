// An open folder shared by the files verified in it and the trash that
// takes them: every operation on those files names them relative to it.
#pragma once

#include <unistd.h>
#include <utility>

#include "System.hpp"

namespace twsplatform {

struct TFolderHandle {
    explicit TFolderHandle(int fd, AnsiString path = AnsiString()) : Fd(fd), Path(std::move(path)) {}
    ~TFolderHandle() { ::close(Fd); }
    TFolderHandle(const TFolderHandle&) = delete;
    TFolderHandle& operator=(const TFolderHandle&) = delete;
    int Fd;
    AnsiString Path;  // the folder's path as verified, ending in "/"; empty when not needed
};

}  // namespace twsplatform

// An open folder shared by the files verified in it and the trash that
// takes them: every operation on those files names them relative to it.
#pragma once

#include <unistd.h>

namespace twsplatform {

struct TFolderHandle {
    explicit TFolderHandle(int fd) : Fd(fd) {}
    ~TFolderHandle() { ::close(Fd); }
    TFolderHandle(const TFolderHandle&) = delete;
    TFolderHandle& operator=(const TFolderHandle&) = delete;
    int Fd;
};

}  // namespace twsplatform

// What the checked deletion, the trash and the restore share on POSIX: an
// owned descriptor, a file's identity read with statx, its comparison with
// the identity the scan recorded, and a rename that never replaces an entry.
#pragma once

#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

#include "FileIdentity.h"
#include "System.hpp"

namespace twsplatform {

// An open descriptor, closed when it goes.
class TFd {
public:
    explicit TFd(int fd = -1) : FFd(fd) {}
    ~TFd() { Reset(); }
    TFd(TFd&& other) noexcept : FFd(other.FFd) { other.FFd = -1; }
    TFd& operator=(TFd&& other) noexcept
    {
        if (this != &other) {
            Reset();
            FFd = other.FFd;
            other.FFd = -1;
        }
        return *this;
    }
    void Reset(int fd = -1)
    {
        if (FFd >= 0)
            ::close(FFd);
        FFd = fd;
    }
    int Get() const { return FFd; }
    // Hands the descriptor over; -1 when there was none.
    int Release()
    {
        const int fd = FFd;
        FFd = -1;
        return fd;
    }
    bool Valid() const { return FFd >= 0; }

private:
    int FFd;
};

// The statx fields an identity is made of.
constexpr unsigned kIdentityMask =
    STATX_TYPE | STATX_MODE | STATX_NLINK | STATX_INO | STATX_SIZE | STATX_MTIME | STATX_BTIME;

TFileIdentity IdentityOf(const struct statx& st);

// A regular file with the recorded identity. A birth time recorded at the
// scan must still be there, and equal.
bool MatchesIdentity(const struct statx& st, const TFileIdentity& expected);

// An absolute folder path opened from "/" one component at a time, no
// component a link; the descriptor, or -1 with errno set (EINVAL for a path
// that is not absolute or has an empty, "." or ".." component).
int OpenFolderWithoutLinks(const AnsiString& path);

// Renames without ever replacing an existing entry. A file system without
// RENAME_NOREPLACE gets a check first: good enough between two folders of
// which the target is the user's own.
bool RenameNoReplace(int fromFolder, const AnsiString& from, int toFolder, const AnsiString& to);

}  // namespace twsplatform

// Durable whole-file writes on POSIX: write a temporary file beside the
// target, fsync it, rename it over the target, fsync the folder.
#include "AtomicFile.hpp"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "SysUtils.hpp"

namespace vcl {
namespace {

[[noreturn]] void Fail(const AnsiString& what, const AnsiString& fileName, int err)
{
    throw EIniFileException(what + " \"" + fileName + "\". " + std::strerror(err));
}

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

AnsiString FolderOf(const AnsiString& path)
{
    const AnsiString folder = ExtractFilePath(path);
    return folder.empty() ? AnsiString("./") : folder;
}

// A new temporary file beside target, open for writing; -1 with errno set
// when it cannot be made.
int CreateTempBeside(const AnsiString& target, AnsiString& temp)
{
    temp = FolderOf(target) + "." + ExtractFileName(target) + ".XXXXXX";
    return ::mkstemp(temp.data());
}

// The permissions a new file gets under the process's umask.
mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Writes the bytes into the temporary file, flushes and closes it; on
// failure the temporary file is gone and the error names the target.
void FillTemp(int fd, const AnsiString& temp, const AnsiString& target, const AnsiString& contents)
{
    if (!WriteAll(fd, contents.data(), contents.size()) || ::fsync(fd) != 0) {
        const int err = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        Fail("Cannot write file", target, err);
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        Fail("Cannot write file", target, err);
    }
}

// A rename is durable only once the folder holding it is flushed.
void SyncFolder(const AnsiString& folder)
{
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace

void AtomicReplaceFile(const AnsiString& fileName, const AnsiString& contents)
{
    AnsiString temp;
    const int fd = CreateTempBeside(fileName, temp);
    if (fd < 0)
        Fail("Cannot create a temporary file for", fileName, errno);
    // Keep the permissions of the file being replaced.
    struct stat st;
    ::fchmod(fd, ::stat(fileName.c_str(), &st) == 0 ? st.st_mode & 07777 : NewFileMode());
    FillTemp(fd, temp, fileName, contents);
    if (::rename(temp.c_str(), fileName.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        Fail("Cannot write file", fileName, err);
    }
    SyncFolder(FolderOf(fileName));
}

bool ReadWholeFile(const AnsiString& fileName, AnsiString& contents)
{
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return false;
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + std::strerror(errno));
    }
    contents.clear();
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            throw EReadError("Cannot read file \"" + fileName + "\". " + std::strerror(err));
        }
        if (n == 0)
            break;
        contents.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

// ---- TLockedFile ------------------------------------------------------------

namespace {

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// A name the lock refuses to open, as the error of the mode's caller.
[[noreturn]] void Refuse(const AnsiString& fileName, TFileLockMode mode, const AnsiString& reason)
{
    if (mode == TFileLockMode::Exclusive)
        throw EIniFileException("Cannot write file \"" + fileName + "\". " + reason);
    throw EFOpenError("Cannot open file \"" + fileName + "\". " + reason);
}

bool IsLink(const AnsiString& fileName)
{
    struct stat st;
    return ::lstat(fileName.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace

TLockedFile::TLockedFile(const AnsiString& fileName, TFileLockMode mode) : FFileName(fileName), FMode(mode)
{
    Open();
}

TLockedFile::~TLockedFile()
{
    if (FHandle >= 0)
        ::close(FHandle);
}

void TLockedFile::Open()
{
    const bool exclusive = FMode == TFileLockMode::Exclusive;
    // A writer may replace the file between our open and our lock. A reader
    // holding the replaced file still holds one whole version of it, which
    // is all it needs; a writer must hold the file that is there once its
    // lock is granted, or it would change a file nobody reads any more. Each
    // retry means another writer finished, so writers do not starve.
    for (;;) {
        // Non-blocking: a FIFO planted under the name would otherwise hold
        // the open until some writer came; it is refused just below.
        const int fd = ::open(FFileName.c_str(),
                              (exclusive ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) {
            const int err = errno;
            if (err == ENOENT)
                return;
            if (err == ELOOP && IsLink(FFileName))
                Refuse(FFileName, FMode, LinkRefusal);
            Refuse(FFileName, FMode, std::strerror(err));
        }
        struct stat held;
        if (::fstat(fd, &held) != 0) {
            const int err = errno;
            ::close(fd);
            Refuse(FFileName, FMode, std::strerror(err));
        }
        if (!S_ISREG(held.st_mode)) {
            ::close(fd);
            Refuse(FFileName, FMode, NotRegularRefusal);
        }
        if (static_cast<std::uintmax_t>(held.st_size) > MaxLockedFileSize) {
            ::close(fd);
            Refuse(FFileName, FMode, TooLargeRefusal);
        }
        while (::flock(fd, exclusive ? LOCK_EX : LOCK_SH) != 0) {
            if (errno != EINTR) {
                const int err = errno;
                ::close(fd);
                Fail("Cannot lock file", FFileName, err);
            }
        }
        // lstat: a link swapped in meanwhile is not the file held, and the
        // next open refuses it.
        struct stat named;
        if (!exclusive || (::lstat(FFileName.c_str(), &named) == 0 && SameFile(held, named))) {
            FHandle = fd;
            return;
        }
        ::close(fd);
    }
}

AnsiString TLockedFile::Read() const
{
    AnsiString contents;
    if (FHandle < 0)
        return contents;
    // A file that grows while it is read (or a file system that reports no
    // size) still stops at the limit: one byte more than allowed is enough
    // to know.
    char buf[65536];
    off_t at = 0;
    for (;;) {
        const std::size_t room = MaxLockedFileSize + 1 - contents.size();
        const ssize_t n = ::pread(FHandle, buf, room < sizeof buf ? room : sizeof buf, at);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EReadError("Cannot read file \"" + FFileName + "\". " + std::strerror(errno));
        }
        if (n == 0)
            return contents;
        contents.append(buf, static_cast<std::size_t>(n));
        if (contents.size() > MaxLockedFileSize)
            throw EReadError("Cannot read file \"" + FFileName + "\". " + TooLargeRefusal);
        at += n;
    }
}

void TLockedFile::Replace(const AnsiString& contents)
{
    if (FMode != TFileLockMode::Exclusive)
        throw EIniFileException("File is not locked for writing: \"" + FFileName + "\"");

    struct stat st{};
    if (FHandle >= 0 && ::fstat(FHandle, &st) != 0)
        Fail("Cannot write file", FFileName, errno);

    AnsiString temp;
    const int fd = CreateTempBeside(FFileName, temp);
    if (fd < 0) {
        const int err = errno;
        // A writable file in a folder we may not write is still ours to change.
        if (FHandle >= 0 && (err == EACCES || err == EPERM)) {
            RewriteInPlace(contents);
            return;
        }
        Fail("Cannot write file", FFileName, err);
    }

    if (FHandle >= 0) {
        // The copy must be the same file to everyone else: same owner and
        // permissions. Only the owner's own process (or root) can give it
        // those; anyone else rewrites the file where it is.
        if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
            ::close(fd);
            ::unlink(temp.c_str());
            RewriteInPlace(contents);
            return;
        }
        ::fchmod(fd, st.st_mode & 07777);
    } else {
        ::fchmod(fd, NewFileMode());
    }

    FillTemp(fd, temp, FFileName, contents);
    if (!Install(temp, FHandle < 0)) {
        const int err = errno;
        ::unlink(temp.c_str());
        Fail("Cannot write file", FFileName, err);
    }
    SyncFolder(FolderOf(FFileName));
}

// Puts the written temporary file in place of the target. A file that was
// missing when the lock was taken had no lock to take: should another
// process have created it since, its file is not overwritten unseen
// (EEXIST). File systems without hard links fall back to rename.
bool TLockedFile::Install(const AnsiString& temp, bool create) const
{
    if (create) {
        if (::link(temp.c_str(), FFileName.c_str()) == 0) {
            ::unlink(temp.c_str());
            return true;
        }
        if (errno == EEXIST)
            return false;
    }
    return ::rename(temp.c_str(), FFileName.c_str()) == 0;
}

void TLockedFile::RewriteInPlace(const AnsiString& contents)
{
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t n = ::pwrite(FHandle, contents.data() + done, contents.size() - done,
                                   static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail("Cannot write file", FFileName, errno);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::ftruncate(FHandle, static_cast<off_t>(contents.size())) != 0 || ::fsync(FHandle) != 0)
        Fail("Cannot write file", FFileName, errno);
}

}  // namespace vcl

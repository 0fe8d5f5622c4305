// Durable whole-file writes on POSIX: write a temporary file beside the
// target, fsync it, rename it over the target, fsync the folder.
#include "AtomicFile.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

}  // namespace

void AtomicReplaceFile(const AnsiString& fileName, const AnsiString& contents)
{
    AnsiString folder = ExtractFilePath(fileName);
    if (folder.empty())
        folder = "./";
    AnsiString temp = folder + "." + ExtractFileName(fileName) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        Fail("Cannot create a temporary file for", fileName, errno);

    // Keep the permissions of the file being replaced; a new file gets the
    // usual mode for the process's umask.
    struct stat st;
    if (::stat(fileName.c_str(), &st) == 0) {
        ::fchmod(fd, st.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }

    if (!WriteAll(fd, contents.data(), contents.size()) || ::fsync(fd) != 0) {
        const int err = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        Fail("Cannot write file", fileName, err);
    }
    if (::close(fd) != 0 || ::rename(temp.c_str(), fileName.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        Fail("Cannot write file", fileName, err);
    }
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
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

}  // namespace vcl

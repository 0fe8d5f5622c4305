// TStateFolder on POSIX: openat/mkdirat with O_NOFOLLOW from held folders,
// O_NONBLOCK reads of regular files, O_EXCL temporaries, flock.
#include "StateFolder.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <ostream>
#include <random>
#include <vector>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fileops_posix.h"
#include "piecebuffer.h"

namespace twsplatform {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

int Fd(TStateHandle handle) { return static_cast<int>(handle); }

[[noreturn]] void Fail(const AnsiString& path, const char* what, int err)
{
    const AnsiString text = path + ": " + what + ": " + std::strerror(err);
    if (err == ENOENT)
        throw EStateMissing(text);
    throw std::runtime_error(text);
}

bool SafeName(const AnsiString& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == AnsiString::npos &&
           name.find('\0') == AnsiString::npos;
}

void RequireSafeName(const AnsiString& folder, const AnsiString& name)
{
    if (!SafeName(name))
        throw std::runtime_error(folder + ": \"" + name + "\" is not a plain name");
}

// A folder of the user's own that nobody else can write to: anyone who can
// write here could plant what the program reads back as its own record.
void RequireOwnFolder(int fd, const AnsiString& path)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        Fail(path, "cannot read the folder", errno);
    if (st.st_uid != ::geteuid())
        throw std::runtime_error(path + " belongs to another user");
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        throw std::runtime_error(path + " can be written by other users (\"chmod go-w\" it if it is yours)");
}

// Creates path and its missing parents (0700), following links: the base
// folder is the user's own setting.
void MakeBase(const AnsiString& path)
{
    for (std::size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos < path.size() && path[pos] != '/')
            continue;
        if (::mkdir(path.substr(0, pos).c_str(), 0700) != 0 && errno != EEXIST)
            Fail(path.substr(0, pos), "cannot create the folder", errno);
    }
}

TFd OpenBelow(int parent, const AnsiString& parentPath, const AnsiString& name, TCreate create)
{
    RequireSafeName(parentPath, name);
    const AnsiString path = parentPath + "/" + name;
    TFd fd(::openat(parent, name.c_str(), kFolderFlags));
    if (!fd.Valid() && errno == ENOENT && create == TCreate::Yes) {
        if (::mkdirat(parent, name.c_str(), 0700) != 0 && errno != EEXIST)
            Fail(path, "cannot create the folder", errno);
        fd.Reset(::openat(parent, name.c_str(), kFolderFlags));
    }
    if (!fd.Valid())
        Fail(path, errno == ELOOP || errno == ENOTDIR ? "not a folder (a link or a file)" : "cannot open the folder",
             errno);
    RequireOwnFolder(fd.Get(), path);
    return fd;
}

enum class TOwner { Any, Self };

// Reads a file opened without blocking: it must be regular and within limit.
std::string ReadOpened(int fd, const AnsiString& path, std::size_t limit, TOwner owner)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        Fail(path, "cannot read the file", errno);
    if (!S_ISREG(st.st_mode))
        throw std::runtime_error(path + " is not a regular file");
    if (owner == TOwner::Self && st.st_uid != ::geteuid())
        throw std::runtime_error(path + " belongs to another user");
    if (static_cast<std::uint64_t>(st.st_size) > limit)
        throw std::runtime_error(path + " is larger than " + std::to_string(limit) + " bytes");
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0)
            return text;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            Fail(path, "cannot read the file", errno);
        }
        // It may have grown since fstat.
        if (text.size() + static_cast<std::size_t>(got) > limit)
            throw std::runtime_error(path + " is larger than " + std::to_string(limit) + " bytes");
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

void WriteAll(int fd, std::string_view text, const AnsiString& path)
{
    while (!text.empty()) {
        const ssize_t put = ::write(fd, text.data(), text.size());
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            Fail(path, "cannot write the file", put < 0 ? errno : EIO);
        text.remove_prefix(static_cast<std::size_t>(put));
    }
}

AnsiString RandomTag()
{
    static std::mt19937_64 generator{std::random_device{}()};
    return std::to_string(::getpid()) + "-" + std::to_string(generator() % 1000000000);
}

}  // namespace

TStateFolder TStateFolder::Open(const AnsiString& base, const std::vector<AnsiString>& below, TCreate create)
{
    if (base.empty() || base[0] != '/')
        throw std::runtime_error("\"" + base + "\" is not an absolute folder");
    if (create == TCreate::Yes)
        MakeBase(base);
    TFd fd(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.Valid())
        Fail(base, "cannot open the folder", errno);
    AnsiString path = base.size() > 1 && base.back() == '/' ? base.substr(0, base.size() - 1) : base;
    for (const AnsiString& name : below) {
        TFd next = OpenBelow(fd.Get(), path, name, create);
        path += "/" + name;
        fd = std::move(next);
    }
    return TStateFolder(fd.Release(), path);
}

TStateFolder::~TStateFolder()
{
    if (FFd >= 0)
        ::close(Fd(FFd));
}

TStateFolder::TStateFolder(TStateFolder&& other) noexcept : FFd(other.FFd), FPath(std::move(other.FPath))
{
    other.FFd = -1;
}

TStateFolder& TStateFolder::operator=(TStateFolder&& other) noexcept
{
    if (this != &other) {
        if (FFd >= 0)
            ::close(Fd(FFd));
        FFd = other.FFd;
        FPath = std::move(other.FPath);
        other.FFd = -1;
    }
    return *this;
}

AnsiString TStateFolder::PathOf(const AnsiString& name) const { return FPath + "/" + name; }

TStateFolder TStateFolder::Folder(const AnsiString& name, TCreate create) const
{
    TFd fd = OpenBelow(Fd(FFd), FPath, name, create);
    return TStateFolder(fd.Release(), FPath + "/" + name);
}

bool TStateFolder::MakeFolder(const AnsiString& name) const
{
    RequireSafeName(FPath, name);
    if (::mkdirat(Fd(FFd), name.c_str(), 0700) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    Fail(FPath + "/" + name, "cannot create the folder", errno);
}

std::vector<AnsiString> TStateFolder::Folders() const
{
    std::vector<AnsiString> names;
    const int copy = ::openat(Fd(FFd), ".", kFolderFlags);
    DIR* dir = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (dir == nullptr) {
        if (copy >= 0)
            ::close(copy);
        Fail(FPath, "cannot list the folder", errno);
    }
    while (const dirent* entry = ::readdir(dir)) {
        const AnsiString name = entry->d_name;
        struct stat st;
        if (SafeName(name) && ::fstatat(Fd(FFd), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

bool TStateFolder::Has(const AnsiString& name) const
{
    struct stat st;
    return SafeName(name) && ::fstatat(Fd(FFd), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

std::string TStateFolder::Read(const AnsiString& name, std::size_t limit) const
{
    RequireSafeName(FPath, name);
    const AnsiString path = FPath + "/" + name;
    const TFd fd(::openat(Fd(FFd), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.Valid())
        Fail(path, errno == ELOOP ? "a link, not a file" : "cannot open the file", errno);
    return ReadOpened(fd.Get(), path, limit, TOwner::Self);
}

namespace {


}  // namespace

void TStateFolder::Replace(const AnsiString& name, std::string_view text) const
{
    Replace(name, [text](std::ostream& out) { out.write(text.data(), static_cast<std::streamsize>(text.size())); });
}

void TStateFolder::Replace(const AnsiString& name, const std::function<void(std::ostream&)>& write) const
{
    RequireSafeName(FPath, name);
    AnsiString temp;
    TFd fd;
    for (int tries = 0; !fd.Valid() && tries < 16; ++tries) {
        temp = "." + name + "." + RandomTag() + ".new";
        fd.Reset(::openat(Fd(FFd), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd.Valid() && errno != EEXIST)
            Fail(FPath + "/" + temp, "cannot create the file", errno);
    }
    if (!fd.Valid())
        Fail(FPath + "/" + name, "no free temporary name", EEXIST);
    try {
        const AnsiString tempPath = FPath + "/" + temp;
        TPieceBuffer buffer([&](std::string_view piece) { WriteAll(fd.Get(), piece, tempPath); });
        std::ostream out(&buffer);
        // A failed write throws from the buffer: through the stream too.
        out.exceptions(std::ios::badbit);
        write(out);
        out.flush();
        if (::fsync(fd.Get()) != 0)
            Fail(FPath + "/" + temp, "cannot write the file", errno);
        if (::renameat(Fd(FFd), temp.c_str(), Fd(FFd), name.c_str()) != 0)
            Fail(FPath + "/" + name, "cannot replace the file", errno);
    } catch (...) {
        ::unlinkat(Fd(FFd), temp.c_str(), 0);
        throw;
    }
}

TAppendFile TStateFolder::CreateAppendFile(const AnsiString& name) const
{
    RequireSafeName(FPath, name);
    const int fd = ::openat(Fd(FFd), name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        Fail(FPath + "/" + name, "cannot create the file", errno);
    return TAppendFile(fd, FPath + "/" + name);
}

TStateLock TStateFolder::Lock(const AnsiString& name) const
{
    RequireSafeName(FPath, name);
    TFd fd(::openat(Fd(FFd), name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    if (!fd.Valid())
        Fail(FPath + "/" + name, "cannot open the lock file", errno);
    struct stat st;
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        throw std::runtime_error(FPath + "/" + name + " is not a regular file");
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            throw EStateBusy(FPath + " is in use by another process");
        Fail(FPath + "/" + name, "cannot lock", errno);
    }
    return TStateLock(fd.Release());
}

TStateLock::~TStateLock()
{
    if (FFd >= 0)
        ::close(Fd(FFd));
}

TAppendFile::~TAppendFile()
{
    if (FFd >= 0)
        ::close(Fd(FFd));
}

void TAppendFile::Append(std::string_view line)
{
    std::string text(line);
    text += '\n';
    // One write() per line: O_APPEND keeps it whole at the end.
    const ssize_t put = ::write(Fd(FFd), text.data(), text.size());
    if (put != static_cast<ssize_t>(text.size()))
        Fail(FPath, "cannot append to the file", put < 0 ? errno : EIO);
}

std::string ReadRegularFile(const AnsiString& path, std::size_t limit)
{
    const TFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.Valid())
        Fail(path, errno == ELOOP ? "a link, not a file" : "cannot open the file", errno);
    return ReadOpened(fd.Get(), path, limit, TOwner::Any);
}

TFileIdentity FolderIdentityWithoutLinks(const AnsiString& path)
{
    const TFd fd(OpenFolderWithoutLinks(path));
    if (!fd.Valid())
        Fail(path, errno == ELOOP || errno == ENOTDIR ? "a link or a file on the way"
                   : errno == EINVAL                  ? "not a plain absolute path"
                                                      : "cannot open the folder",
             errno);
    struct statx st;
    if (::statx(fd.Get(), "", AT_EMPTY_PATH, kIdentityMask, &st) != 0)
        Fail(path, "cannot read the folder", errno);
    return IdentityOf(st);
}

}  // namespace twsplatform

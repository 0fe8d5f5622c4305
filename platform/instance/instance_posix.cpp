// The instance lock on POSIX: flock on a file, a Unix stream socket for the
// knocks.
#include "InstanceLock.h"

#include <cerrno>
#include <cstdlib>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "System.hpp"

namespace twsinstance {
namespace {

bool PrivateFolderOfOurs(const std::string& path)
{
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

// FNV-1a: a stable number for a name, the same in every process.
std::uint32_t Hash(const std::string& text)
{
    std::uint32_t h = 2166136261u;
    for (unsigned char c : text) {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

// The name as a file name: letters, digits, '.', '-' and '_' kept, the rest
// '_', a hash added so that names differing only there stay apart; long
// names are cut so that the socket path fits.
std::string FileNameFor(const std::string& name)
{
    std::string safe;
    for (char c : name)
        safe += (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_') ? c : '_';
    if (safe.size() > 40)
        safe.resize(40);
    char tag[16];
    std::snprintf(tag, sizeof tag, "-%08x", Hash(name));
    return "instance-" + safe + tag;
}

sockaddr_un AddressOf(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        throw Exception("Runtime folder path too long for a local socket: " + path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

std::string SocketPathFor(const std::string& name) { return RuntimeFolder() + FileNameFor(name) + ".sock"; }

}  // namespace

std::string RuntimeFolder()
{
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg != nullptr && *xdg == '/') {
        std::string folder = xdg;
        if (PrivateFolderOfOurs(folder))
            return folder.back() == '/' ? folder : folder + "/";
    }
    const std::string folder = "/tmp/tidewash-" + std::to_string(::geteuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw Exception("Unable to create the runtime folder: " + folder);
    if (!PrivateFolderOfOurs(folder))
        throw Exception("The runtime folder is not a private folder of this user: " + folder);
    return folder + "/";
}

unsigned MessageId(const std::string& name) { return 0xC000u + Hash(name) % 0x4000u; }

TInstanceLock::TInstanceLock(const std::string& name)
{
    const std::string base = RuntimeFolder() + FileNameFor(name);
    FLockFd = ::open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (FLockFd < 0)
        throw Exception("Unable to open the instance lock: " + base + ".lock");
    if (::flock(FLockFd, LOCK_EX | LOCK_NB) != 0)
        return;  // another copy holds it
    FSocketPath = base + ".sock";
    const sockaddr_un address = AddressOf(FSocketPath);
    // A socket left by a holder that died is ours to replace: we hold the
    // lock now.
    ::unlink(FSocketPath.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 16) != 0) {
        if (fd >= 0)
            ::close(fd);
        ::close(FLockFd);
        throw Exception("Unable to listen on " + FSocketPath);
    }
    FListenFd = fd;
}

TInstanceLock::~TInstanceLock()
{
    if (FListenFd >= 0) {
        ::unlink(FSocketPath.c_str());
        ::close(FListenFd);
    }
    if (FLockFd >= 0)
        ::close(FLockFd);
}

int TInstanceLock::TakeKnocks()
{
    if (FListenFd < 0)
        return 0;
    int knocks = 0;
    for (;;) {
        const int fd = ::accept4(FListenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR)
                continue;
            return knocks;
        }
        ::close(fd);
        ++knocks;
    }
}

bool Knock(const std::string& name)
{
    const sockaddr_un address = AddressOf(SocketPathFor(name));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool knocked = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return knocked;
}

}  // namespace twsinstance

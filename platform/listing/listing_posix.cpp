// The directory listing facility on POSIX (Linux): getdents64 on folder
// descriptors opened relative to their parent, d_type to classify entries
// without stat, and statx only for the entries a caller describes.
//
// How a find-first listing maps onto POSIX is stated in listing.h: no
// pattern here (the searcher applies FileNameMatchesMask ignoring case),
// attributes derived from names and permissions, only regular files and
// folders, no links followed, no other volume entered.
#include "listing.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace twslisting {

namespace {

// The folders the operating system and its package manager own. An entry
// ending in "*" stands for every folder whose name begins with the rest.
// /var is here for its own sake and because /var/backups holds the
// system's *.bak files.
constexpr std::array<std::string_view, 13> kSystemFolders = {
    "/proc", "/sys",  "/dev", "/run", "/boot", "/usr", "/etc",
    "/bin",  "/sbin", "/lib*", "/var", "/snap", "/lost+found",
};

// A folder's reader stays open while the walk is below it, so a deep chain
// keeps one buffer per level: each starts small, enough for the folders
// most walks meet in one read, and doubles only while a folder keeps
// filling it.
constexpr std::size_t kFirstBufferSize = 2 * 1024;
constexpr std::size_t kLargestBufferSize = 64 * 1024;

// Seconds from 1601-01-01 (the FILETIME epoch) to 1970-01-01.
constexpr std::int64_t kFileTimeEpochShift = 11644473600LL;

FILETIME ToFileTime(const struct statx_timestamp& t)
{
    const std::int64_t seconds = static_cast<std::int64_t>(t.tv_sec) + kFileTimeEpochShift;
    std::uint64_t ticks = 0;
    if (seconds >= 0)  // times before 1601 have no FILETIME; they read as its epoch
        ticks = static_cast<std::uint64_t>(seconds) * 10000000u + t.tv_nsec / 100u;
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

std::int64_t Nanoseconds(const struct statx_timestamp& t)
{
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

std::uint64_t DeviceOf(const struct statx& st)
{
    return static_cast<std::uint64_t>(makedev(st.stx_dev_major, st.stx_dev_minor));
}

bool IsMountRoot(const struct statx& st)
{
    return (st.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
           (st.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
}

constexpr unsigned kStatxMask =
    STATX_TYPE | STATX_MODE | STATX_INO | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_BTIME;
// Never wait for a remote server to refresh attributes, never trigger an
// automount, never follow a link.
constexpr int kStatxFlags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC;

}  // namespace

struct TFolderReader::TState {
    int Fd = -1;
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::size_t Pos = 0;
    std::size_t End = 0;
    bool AtEnd = false;
    std::vector<char> Buffer;
};

namespace {

// Folders are read one after another along a walk: the states, with their
// buffers, are kept for the next folder instead of being freed each time.
thread_local std::vector<std::unique_ptr<TFolderReader::TState>> spareStates;

}  // namespace

TFolderReader::TFolderReader() = default;

TFolderReader::~TFolderReader() { Close(); }

std::size_t TFolderReader::Unnamed() const { return 0; }

bool TFolderReader::IsOpen() const { return FState != nullptr; }

void TFolderReader::Close()
{
    if (!FState)
        return;
    ::close(FState->Fd);
    FState->Fd = -1;
    if (spareStates.size() < 64) {
        // A grown buffer is not handed on: the state may be reused for a
        // folder the walk then stays below.
        if (FState->Buffer.size() > kFirstBufferSize)
            std::vector<char>(kFirstBufferSize).swap(FState->Buffer);
        spareStates.push_back(std::move(FState));
    }
    FState.reset();
}

namespace {

// Takes ownership of fd, an open folder; checks it is what was expected.
std::unique_ptr<TFolderReader::TState> Adopt(int fd, const TDirEntry* expected)
{
    if (fd < 0)
        return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) ||
        (expected != nullptr && (static_cast<std::uint64_t>(st.st_dev) != expected->Identity.Device ||
                                 static_cast<std::uint64_t>(st.st_ino) != expected->Identity.Inode))) {
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<TFolderReader::TState> state;
    if (!spareStates.empty()) {
        state = std::move(spareStates.back());
        spareStates.pop_back();
    } else {
        state = std::make_unique<TFolderReader::TState>();
        state->Buffer.resize(kFirstBufferSize);
    }
    state->Fd = fd;
    state->Device = static_cast<std::uint64_t>(st.st_dev);
    state->Inode = static_cast<std::uint64_t>(st.st_ino);
    state->Pos = state->End = 0;
    state->AtEnd = false;
    return state;
}

constexpr int kOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

}  // namespace

bool TFolderReader::Open(const AnsiString& path)
{
    Close();
    FState = Adopt(::open(path.empty() ? "/" : path.c_str(), kOpenFlags), nullptr);
    return IsOpen();
}

bool TFolderReader::Open(const AnsiString& path, const TDirEntry& entry)
{
    Close();
    FState = Adopt(::open(path.empty() ? "/" : path.c_str(), kOpenFlags | O_NOFOLLOW), &entry);
    return IsOpen();
}

bool TFolderReader::Open(const TRootFolder& root)
{
    Close();
    if (!root.IsOpen())
        return false;
    TDirEntry expected;
    std::tie(expected.Identity.Device, expected.Identity.Inode) = root.Identity();
    // "." of the held folder: a description of its own, so that this
    // listing has its own position.
    FState = Adopt(::openat(root.Handle(), ".", kOpenFlags), &expected);
    return IsOpen();
}

bool TFolderReader::OpenBelow(const TRootFolder& root, std::string_view relative, const TDirEntry& entry)
{
    Close();
    int fd = -1;
    if (root.OpenBelow(relative, fd) != TWalkResult::Opened)
        return false;
    FState = Adopt(fd, &entry);
    return IsOpen();
}

bool TFolderReader::OpenSub(const TFolderReader& parent, const TDirEntry& entry)
{
    Close();
    if (!parent.IsOpen())
        return false;
    FState = Adopt(::openat(parent.FState->Fd, entry.Name.c_str(), kOpenFlags | O_NOFOLLOW), &entry);
    return IsOpen();
}

bool TFolderReader::OpenSubNamed(const TFolderReader& parent, const char* name)
{
    Close();
    if (!parent.IsOpen())
        return false;
    FState = Adopt(::openat(parent.FState->Fd, name, kOpenFlags | O_NOFOLLOW), nullptr);
    if (FState && FState->Device != parent.FState->Device)
        Close();  // the mount point of another volume
    return IsOpen();
}

bool TFolderReader::ReadHead(const char* name, std::size_t limit, std::string& bytes) const
{
    bytes.clear();
    if (!FState)
        return false;
    // O_NONBLOCK: a FIFO planted under a project file's name must not hang
    // the scan before fstat tells it is not a regular file.
    const int fd = ::openat(FState->Fd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok) {
        const std::size_t size = static_cast<std::size_t>(st.st_size);
        bytes.resize(std::min(limit, size));
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;  // shrunk meanwhile, or unreadable: keep what came
            done += static_cast<std::size_t>(n);
        }
        bytes.resize(done);
        ok = done > 0 || size == 0;
    }
    ::close(fd);
    if (!ok)
        bytes.clear();
    return ok;
}

bool TFolderReader::Next(std::string_view& name, TEntryKind& kind)
{
    if (!FState)
        return false;
    TState& s = *FState;
    for (;;) {
        if (s.Pos >= s.End) {
            if (s.AtEnd)
                return false;
            if (s.End > s.Buffer.size() / 2 && s.Buffer.size() < kLargestBufferSize)
                s.Buffer.resize(s.Buffer.size() * 2);  // a large folder: fewer, longer reads
            const ssize_t n = ::getdents64(s.Fd, s.Buffer.data(), s.Buffer.size());
            if (n <= 0) {
                s.AtEnd = true;  // the end, or a folder that can no longer be read
                return false;
            }
            s.Pos = 0;
            s.End = static_cast<std::size_t>(n);
        }
        const auto* d = reinterpret_cast<const struct dirent64*>(s.Buffer.data() + s.Pos);
        s.Pos += d->d_reclen;
        const char* n = d->d_name;
        if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0')))
            continue;
        unsigned char type = d->d_type;
        if (type == DT_UNKNOWN) {
            // Some file systems do not say; only then is a stat needed here.
            struct stat st;
            if (::fstatat(s.Fd, n, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISREG(st.st_mode) ? DT_REG : S_ISDIR(st.st_mode) ? DT_DIR : DT_UNKNOWN;
        }
        if (type == DT_REG)
            kind = TEntryKind::ekFile;
        else if (type == DT_DIR)
            kind = TEntryKind::ekFolder;
        else
            continue;  // links, FIFOs, sockets, devices
        name = std::string_view(n);
        return true;
    }
}

bool TFolderReader::Describe(const char* name, TEntryKind kind, TDirEntry& entry) const
{
    if (!FState)
        return false;
    struct statx st;
    if (::statx(FState->Fd, name, kStatxFlags, kStatxMask, &st) != 0)
        return false;
    const bool folder = S_ISDIR(st.stx_mode);
    if (folder != (kind == TEntryKind::ekFolder) || (!folder && !S_ISREG(st.stx_mode)))
        return false;
    const std::uint64_t device = DeviceOf(st);
    if (folder && (device != FState->Device || IsMountRoot(st)))
        return false;  // the mount point of another volume

    entry.Name = name;
    DWORD attributes = folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (IsHiddenName(entry.Name))
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    if ((st.stx_mode & S_IWUSR) == 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    entry.Attributes = attributes;
    entry.Size = folder ? 0 : static_cast<std::int64_t>(st.stx_size);
    entry.LastWriteTime = ToFileTime(st.stx_mtime);
    entry.LastAccessTime = ToFileTime(st.stx_atime);
    entry.CreationTime = (st.stx_mask & STATX_BTIME) != 0 ? ToFileTime(st.stx_btime) : entry.LastWriteTime;
    entry.Identity.Device = device;
    entry.Identity.Size = entry.Size;
    entry.Identity.Inode = st.stx_ino;
    entry.Identity.ModifiedNs = Nanoseconds(st.stx_mtime);
    entry.Identity.HasBirthTime = (st.stx_mask & STATX_BTIME) != 0;
    entry.Identity.BornNs = entry.Identity.HasBirthTime ? Nanoseconds(st.stx_btime) : 0;
    return true;
}

bool IsHiddenName(std::string_view name) { return !name.empty() && name.front() == '.'; }

bool IsSystemFolder(std::string_view parentPath, std::string_view name)
{
    for (std::string_view system : kSystemFolders) {
        const bool prefix = system.back() == '*';
        if (prefix)
            system.remove_suffix(1);
        // system = parentPath + "/" + name, or, for a prefix, its beginning.
        if (system.size() <= parentPath.size() || system.substr(0, parentPath.size()) != parentPath ||
            system[parentPath.size()] != '/')
            continue;
        const std::string_view rest = system.substr(parentPath.size() + 1);
        if (rest.find('/') != std::string_view::npos)
            continue;
        if (prefix ? name.substr(0, rest.size()) == rest : name == rest)
            return true;
    }
    return false;
}

namespace {

// Whether the absolute path, with "." and ".." resolved by name, begins
// with a system folder.
bool LexicallyInSystemFolder(std::string_view path)
{
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        const auto slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    return !parts.empty() && IsSystemFolder("", parts.front());
}

}  // namespace

bool IsInSystemFolder(std::string_view path)
{
    std::string absolute;
    if (path.empty() || path.front() != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd) == nullptr)
            return true;  // where a relative path leads is unknown: nothing is searched
        absolute.assign(cwd).append(1, '/');
    }
    absolute.append(path);
    if (LexicallyInSystemFolder(absolute))
        return true;
    char resolved[PATH_MAX];
    return ::realpath(absolute.c_str(), resolved) != nullptr && LexicallyInSystemFolder(resolved);
}

// ---------------------------------------------------------------------------
// TRootFolder

namespace {

constexpr int kWalkFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

TWalkResult WalkFailure(int error) { return error == ENOENT ? TWalkResult::Missing : TWalkResult::Refused; }

bool IdentityOf(int fd, TFolderIdentity& identity)
{
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

// The identities of the system folders as they are now. A system folder
// that is a link (/lib -> usr/lib) counts by where it leads: a folder
// there lies inside a system folder either way.
TFolderIdentities SystemFolderIdentities()
{
    TFolderIdentities identities;
    const auto add = [&](const std::string& path) {
        struct stat st;
        if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            identities.insert({static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)});
    };
    std::vector<std::string_view> prefixes;
    for (std::string_view system : kSystemFolders) {
        if (system.back() == '*')
            prefixes.push_back(system.substr(1, system.size() - 2));
        else
            add(std::string(system));
    }
    if (prefixes.empty())
        return identities;
    TFolderReader root;
    if (!root.Open(AnsiString()))
        return identities;
    std::string_view name;
    TEntryKind kind;
    while (root.Next(name, kind))
        for (std::string_view prefix : prefixes)
            if (name.substr(0, prefix.size()) == prefix)
                add("/" + std::string(name));
    return identities;
}

}  // namespace

TRootFolder::TRootFolder() = default;

TRootFolder::~TRootFolder()
{
    if (FHandle >= 0)
        ::close(FHandle);
}

bool TRootFolder::IsOpen() const { return FHandle >= 0; }

bool TRootFolder::Open(const AnsiString& path)
{
    if (FHandle >= 0)
        ::close(FHandle);
    FHandle = -1;
    FPath = path;
    std::string absolute;
    if (!path.empty() && path.front() != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd) == nullptr)
            return false;
        absolute.assign(cwd).append(1, '/');
    }
    absolute.append(path);
    // "/" itself cannot be a link; every component after it is opened in
    // the folder before it and never followed. ".." is the held folder's
    // parent, as the file system counts it.
    int fd = ::open("/", kWalkFlags);
    std::string_view rest = absolute;
    while (fd >= 0 && !rest.empty()) {
        const auto slash = rest.find('/');
        const std::string part(rest.substr(0, slash));
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        const int next = ::openat(fd, part.c_str(), kWalkFlags);
        ::close(fd);
        fd = next;
    }
    if (fd < 0 || !IdentityOf(fd, FIdentity)) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    FHandle = fd;
    return true;
}

bool TRootFolder::LiesWithin(const TFolderIdentities& identities) const
{
    if (FHandle < 0)
        return false;
    // Climbing by "..", on descriptors that need only search permission:
    // where the folder held really is, whatever any name says now.
    int fd = ::openat(FHandle, ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    TFolderIdentity identity;
    // A depth no real tree reaches: a loop is not followed forever.
    for (int depth = 0; fd >= 0 && depth < 4096; ++depth) {
        if (!IdentityOf(fd, identity))
            break;
        if (identities.count(identity) != 0) {
            ::close(fd);
            return true;
        }
        const int parent = ::openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = parent;
        TFolderIdentity above;
        if (fd < 0 || !IdentityOf(fd, above))
            break;
        if (above == identity) {  // the root of the file system: ".." is itself
            ::close(fd);
            return false;
        }
    }
    if (fd >= 0)
        ::close(fd);
    return true;  // where the folder lies is unknown: taken as inside
}

bool TRootFolder::IsInSystemFolder() const { return LiesWithin(SystemFolderIdentities()); }

TWalkResult TRootFolder::OpenBelow(std::string_view relative, int& handle) const
{
    handle = -1;
    if (FHandle < 0)
        return TWalkResult::Missing;
    int fd = ::openat(FHandle, ".", kWalkFlags);
    if (fd < 0)
        return WalkFailure(errno);
    std::size_t start = 0;
    while (start < relative.size()) {
        auto end = relative.find('/', start);
        if (end == std::string_view::npos)
            end = relative.size();
        const std::string part(relative.substr(start, end - start));
        start = end + 1;
        if (part.empty() || part == "." || part == "..") {
            ::close(fd);
            return TWalkResult::BadPath;
        }
        const int next = ::openat(fd, part.c_str(), kWalkFlags);
        const int error = errno;
        ::close(fd);
        if (next < 0)
            return WalkFailure(error);
        fd = next;
    }
    handle = fd;
    return TWalkResult::Opened;
}

AnsiString ShortPathName(const AnsiString& fileName)
{
    struct stat st;
    return ::lstat(fileName.c_str(), &st) == 0 ? fileName : AnsiString();
}

TVolumeName CanonicalVolume(const AnsiString& volume)
{
    if (volume.empty())
        return {AnsiString(), "no folder was named"};
    return {volume, AnsiString()};
}

}  // namespace twslisting

// TTrash on POSIX: openat/mkdirat with O_NOFOLLOW for the trash folders,
// an O_EXCL .trashinfo, renameat2(RENAME_NOREPLACE) from the held folder.
#include "Trash.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <unordered_set>

#include "fileops_posix.h"
#include "folderhandle_posix.h"

namespace twsplatform {

namespace {

constexpr std::size_t kNameMax = 255;
constexpr std::string_view kInfoSuffix = ".trashinfo";
// A tagged name is unique to this object; more tries than this mean
// something other than a collision is wrong.
constexpr int kMaxTries = 64;

AnsiString Errno(const char* what)
{
    return AnsiString(what) + ": " + std::strerror(errno);
}

// A trash folder below parent: opened without following a link, created
// (0700) when missing, and required to be a folder of this user.
TFd OpenTrashFolder(int parent, const char* name, AnsiString& error)
{
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    TFd fd(::openat(parent, name, flags));
    if (!fd.Valid() && errno == ENOENT) {
        if (::mkdirat(parent, name, 0700) != 0 && errno != EEXIST) {
            error = Errno("cannot create the trash folder");
            return TFd();
        }
        fd.Reset(::openat(parent, name, flags));
    }
    struct stat st;
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0) {
        error = Errno("cannot open the trash folder");
        return TFd();
    }
    if (st.st_uid != ::geteuid()) {
        error = AnsiString("the trash folder ") + name + " belongs to another user";
        return TFd();
    }
    return fd;
}

// Creates path and its missing parents (0700), following links: the data
// folder is the user's own setting.
bool MakeFolders(const AnsiString& path)
{
    for (std::size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos < path.size() && path[pos] != '/')
            continue;
        const AnsiString prefix = path.substr(0, pos);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

AnsiString HomeTrashPath()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    // A relative data folder is invalid and is ignored.
    if (data != nullptr && data[0] == '/')
        return AnsiString(data) + "/Trash";
    const char* home = std::getenv("HOME");
    AnsiString homePath = home != nullptr && home[0] == '/' ? AnsiString(home) : AnsiString();
    if (homePath.empty()) {
        if (const struct passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr)
            homePath = pw->pw_dir;
    }
    return homePath + "/.local/share/Trash";
}

AnsiString Parent(const AnsiString& path)
{
    const auto slash = path.find_last_of('/');
    return slash == 0 || slash == AnsiString::npos ? AnsiString("/") : path.substr(0, slash);
}

// The file system of path, or of its nearest existing parent.
bool DeviceOfNearest(AnsiString path, std::uint64_t& device)
{
    for (;;) {
        struct stat st;
        if (::stat(path.c_str(), &st) == 0) {
            device = static_cast<std::uint64_t>(st.st_dev);
            return true;
        }
        if (path == "/" || path.empty())
            return false;
        path = Parent(path);
    }
}

// The mount point (topdir) of the file system that folder (absolute, no
// trailing "/" except for the root) lies on; empty when folder is not on
// that device.
AnsiString FindTopdir(AnsiString folder, std::uint64_t device)
{
    AnsiString below;
    for (;;) {
        struct statx st;
        if (::statx(AT_FDCWD, folder.c_str(), AT_NO_AUTOMOUNT, STATX_INO, &st) != 0)
            return below;
        if (makedev(st.stx_dev_major, st.stx_dev_minor) != device)
            return below;
        if ((st.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 && (st.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0)
            return folder;
        if (folder == "/")
            return folder;
        below = folder;
        folder = Parent(folder);
    }
}

AnsiString IncludeTrailingSlash(const AnsiString& folder)
{
    return !folder.empty() && folder.back() == '/' ? folder : folder + "/";
}

AnsiString WithoutTrailingSlash(const AnsiString& folder)
{
    return folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
}

// Base-36 digits of a number, for short tags.
AnsiString Base36(std::uint64_t n)
{
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    AnsiString s;
    do {
        s.insert(s.begin(), kDigits[n % 36]);
        n /= 36;
    } while (n != 0);
    return s;
}

// name with the tag put before its extension ("Unit1.obj" -> "Unit1.<tag>.obj"),
// shortened where needed so that its .trashinfo name still fits.
AnsiString TaggedName(const AnsiString& name, const AnsiString& tag)
{
    auto dot = name.find_last_of('.');
    if (dot == 0 || dot == AnsiString::npos || name.size() - dot > 32)
        dot = name.size();
    AnsiString stem = name.substr(0, dot);
    const AnsiString ext = name.substr(dot);
    const std::size_t room = kNameMax - kInfoSuffix.size() - ext.size() - tag.size() - 1;
    if (stem.size() > room) {
        std::size_t cut = room;
        // Never cut a UTF-8 sequence in two.
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80)
            --cut;
        stem.resize(cut);
    }
    return stem + "." + tag + ext;
}

}  // namespace

AnsiString EscapeTrashPath(const AnsiString& path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    AnsiString out;
    out.reserve(path.size());
    for (const char c : path) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' || b == '.' ||
            b == '_' || b == '~' || b == '/') {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

// One trash in use: its files/ and info/ folders, held open.
struct TTrashDir {
    TFd Files;
    TFd Info;
    AnsiString Topdir;  // "" for the home trash; else the mount point ending in "/"
    AnsiString Path;    // the trash folder, ending in "/"
    AnsiString Error;   // why this file system's files cannot be trashed
    // Names this object has already tried under their own name: the next
    // file of the same name goes straight to a tagged name.
    std::unordered_set<AnsiString> Tried;
};

struct TTrash::TState {
    AnsiString HomeTrash;
    bool HomeDeviceKnown = false;
    bool HasHomeDevice = false;
    std::uint64_t HomeDevice = 0;
    std::map<std::uint64_t, TTrashDir> ByDevice;
    AnsiString Tag;          // unique to this object among the trash's users
    std::uint64_t Counter = 0;
    std::time_t DateSecond = -1;
    TTrashObserver* Observer = nullptr;
    char Date[32] = {};

    TTrashDir& For(std::uint64_t device, const AnsiString& folderPath);
    void OpenHome(TTrashDir& dir) const;
    void OpenTopdir(TTrashDir& dir, const AnsiString& folderPath, std::uint64_t device) const;
    const char* DeletionDate();
};

TTrashDir& TTrash::TState::For(std::uint64_t device, const AnsiString& folderPath)
{
    const auto found = ByDevice.find(device);
    if (found != ByDevice.end())
        return found->second;
    TTrashDir& dir = ByDevice[device];
    if (!HomeDeviceKnown) {
        HomeDeviceKnown = true;
        HasHomeDevice = DeviceOfNearest(HomeTrash, HomeDevice);
    }
    if (HasHomeDevice && HomeDevice == device)
        OpenHome(dir);
    else
        OpenTopdir(dir, folderPath, device);
    return dir;
}

void TTrash::TState::OpenHome(TTrashDir& dir) const
{
    const AnsiString data = Parent(HomeTrash);
    if (!MakeFolders(data)) {
        dir.Error = Errno("cannot create the data folder");
        return;
    }
    const TFd parent(::open(data.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent.Valid()) {
        dir.Error = Errno("cannot open the data folder");
        return;
    }
    const TFd trash = OpenTrashFolder(parent.Get(), "Trash", dir.Error);
    if (!trash.Valid())
        return;
    dir.Path = IncludeTrailingSlash(HomeTrash);
    dir.Files = OpenTrashFolder(trash.Get(), "files", dir.Error);
    if (dir.Files.Valid())
        dir.Info = OpenTrashFolder(trash.Get(), "info", dir.Error);
}

void TTrash::TState::OpenTopdir(TTrashDir& dir, const AnsiString& folderPath, std::uint64_t device) const
{
    const AnsiString topdir = FindTopdir(WithoutTrailingSlash(folderPath), device);
    const TFd top(topdir.empty() ? -1 : ::open(topdir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st;
    if (!top.Valid() || ::fstat(top.Get(), &st) != 0 || static_cast<std::uint64_t>(st.st_dev) != device) {
        dir.Error = "the top of the file's file system cannot be found";
        return;
    }
    dir.Topdir = topdir == "/" ? topdir : topdir + "/";
    const AnsiString uid = std::to_string(::geteuid());

    // $topdir/.Trash/$uid, when .Trash is a real sticky folder; the
    // administrator made it for all users, so only a folder of our own
    // inside it is used.
    TFd trash;
    AnsiString ignored;
    const TFd shared(::openat(top.Get(), ".Trash", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (shared.Valid() && ::fstat(shared.Get(), &st) == 0 && (st.st_mode & S_ISVTX) != 0)
        trash = OpenTrashFolder(shared.Get(), uid.c_str(), ignored);
    if (trash.Valid()) {
        dir.Path = dir.Topdir + ".Trash/" + uid + "/";
    } else {
        trash = OpenTrashFolder(top.Get(), (".Trash-" + uid).c_str(), dir.Error);
        dir.Path = dir.Topdir + ".Trash-" + uid + "/";
    }
    if (!trash.Valid())
        return;
    dir.Files = OpenTrashFolder(trash.Get(), "files", dir.Error);
    if (dir.Files.Valid())
        dir.Info = OpenTrashFolder(trash.Get(), "info", dir.Error);
}

const char* TTrash::TState::DeletionDate()
{
    const std::time_t now = std::time(nullptr);
    if (now != DateSecond) {
        struct tm local;
        ::localtime_r(&now, &local);
        std::strftime(Date, sizeof Date, "%Y-%m-%dT%H:%M:%S", &local);
        DateSecond = now;
    }
    return Date;
}

TTrash::TTrash() : FState(std::make_unique<TState>())
{
    FState->HomeTrash = HomeTrashPath();
    FState->Tag = Base36(static_cast<std::uint64_t>(std::time(nullptr))) + Base36(static_cast<std::uint64_t>(::getpid()));
}

TTrash::~TTrash() = default;

const AnsiString& TTrash::HomeTrash() const { return FState->HomeTrash; }

void TTrash::SetObserver(TTrashObserver* observer) { FState->Observer = observer; }

TTrashResult TTrash::Move(const TFolderHandle& folder, const AnsiString& folderPath, const AnsiString& name,
                          const TFileIdentity& expected, AnsiString& error, TTrashEntry* entry)
{
    TState& s = *FState;
    TTrashDir& dir = s.For(expected.Device, folderPath);
    if (!dir.Files.Valid() || !dir.Info.Valid()) {
        error = dir.Error.empty() ? AnsiString("no trash for the file's file system") : dir.Error;
        return TTrashResult::Refused;
    }
    const AnsiString original = folderPath + name;
    if (!dir.Topdir.empty() && original.compare(0, dir.Topdir.size(), dir.Topdir) != 0) {
        error = "the file does not lie below the top of its file system";
        return TTrashResult::Refused;
    }
    const AnsiString recorded = dir.Topdir.empty() ? original : original.substr(dir.Topdir.size());
    const AnsiString info =
        "[Trash Info]\nPath=" + EscapeTrashPath(recorded) + "\nDeletionDate=" + s.DeletionDate() + "\n";

    const bool plain = name.size() + kInfoSuffix.size() <= kNameMax && dir.Tried.insert(name).second;
    for (int attempt = 0; attempt < kMaxTries; ++attempt) {
        const AnsiString trashName =
            attempt == 0 && plain ? name : TaggedName(name, s.Tag + "-" + Base36(++s.Counter));
        const AnsiString infoName = trashName + AnsiString(kInfoSuffix);
        struct stat taken;
        if (::fstatat(dir.Info.Get(), infoName.c_str(), &taken, AT_SYMLINK_NOFOLLOW) == 0)
            continue;
        if (s.Observer != nullptr && !s.Observer->BeforeMove({dir.Path, trashName})) {
            error = "the run's record could not be written, so the file was not moved";
            return TTrashResult::Refused;
        }
        TFd infoFd(::openat(dir.Info.Get(), infoName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                            0600));
        if (!infoFd.Valid()) {
            if (errno == EEXIST)
                continue;
            error = Errno("cannot create the trash information");
            return TTrashResult::Refused;
        }
        const bool written = ::write(infoFd.Get(), info.data(), info.size()) == static_cast<ssize_t>(info.size());
        infoFd.Reset();
        if (!written) {
            error = Errno("cannot write the trash information");
            ::unlinkat(dir.Info.Get(), infoName.c_str(), 0);
            return TTrashResult::Refused;
        }
        if (!RenameNoReplace(folder.Fd, name, dir.Files.Get(), trashName)) {
            const int err = errno;
            ::unlinkat(dir.Info.Get(), infoName.c_str(), 0);
            if (err == EEXIST)
                continue;  // a file without its information: leave it, take another name
            errno = err;
            error = Errno("cannot move the file into the trash");
            return TTrashResult::Refused;
        }
        // Between the check and the rename another file may have taken the
        // name; files/ is the user's own, so what is there now stays put.
        struct stat st;
        if (::fstatat(dir.Files.Get(), trashName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            static_cast<std::uint64_t>(st.st_dev) == expected.Device &&
            static_cast<std::uint64_t>(st.st_ino) == expected.Inode) {
            if (entry != nullptr)
                *entry = {dir.Path, trashName};
            return TTrashResult::Moved;
        }
        if (RenameNoReplace(dir.Files.Get(), trashName, folder.Fd, name)) {
            ::unlinkat(dir.Info.Get(), infoName.c_str(), 0);
            error = "another file had taken its name; that file was put back";
        } else {
            error = "another file had taken its name; that file is in the trash as " + trashName;
        }
        return TTrashResult::Changed;
    }
    error = "no free name in the trash";
    return TTrashResult::Refused;
}

std::vector<TFileIdentity> TrashFolders(const AnsiString& volume)
{
    std::vector<TFileIdentity> folders;
    const auto add = [&folders](const AnsiString& path, bool follow) {
        struct stat st;
        if ((follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) == 0 && S_ISDIR(st.st_mode)) {
            TFileIdentity id;
            id.Device = static_cast<std::uint64_t>(st.st_dev);
            id.Inode = static_cast<std::uint64_t>(st.st_ino);
            folders.push_back(id);
        }
    };
    add(HomeTrashPath(), true);
    struct stat st;
    const AnsiString root = WithoutTrailingSlash(volume);
    if (root.empty() || ::stat(root.c_str(), &st) != 0)
        return folders;
    const AnsiString topdir = FindTopdir(root, static_cast<std::uint64_t>(st.st_dev));
    if (topdir.empty())
        return folders;
    const AnsiString top = topdir == "/" ? AnsiString() : topdir;
    add(top + "/.Trash", false);
    add(top + "/.Trash-" + std::to_string(::geteuid()), false);
    return folders;
}

namespace {

// Why the trash folder parent/name (not followed when a link) cannot be
// used or made; empty when it can. exists: whether it is there already.
AnsiString TrashFolderProblem(const AnsiString& parent, const char* name, bool& exists)
{
    const AnsiString path = (parent == "/" ? AnsiString() : parent) + "/" + name;
    struct stat st;
    exists = ::lstat(path.c_str(), &st) == 0;
    if (!exists) {
        if (errno != ENOENT)
            return Errno(("cannot read " + path).c_str());
        if (::faccessat(AT_FDCWD, parent.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
            return Errno(("cannot create " + path).c_str());
        return AnsiString();
    }
    if (!S_ISDIR(st.st_mode))
        return path + " is not a folder";
    if (st.st_uid != ::geteuid())
        return path + " belongs to another user";
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return Errno(("cannot write to " + path).c_str());
    return AnsiString();
}

// The trash folder below parent and its files/ and info/, as OpenTrashFolder
// would open or make them.
AnsiString TrashProblem(const AnsiString& parent, const char* name)
{
    bool exists = false;
    AnsiString problem = TrashFolderProblem(parent, name, exists);
    if (!problem.empty() || !exists)
        return problem;
    const AnsiString trash = (parent == "/" ? AnsiString() : parent) + "/" + name;
    for (const char* sub : {"files", "info"})
        if (problem = TrashFolderProblem(trash, sub, exists); !problem.empty())
            return problem;
    return problem;
}

}  // namespace

TTrashCheck CheckTrashFor(const AnsiString& folder)
{
    TTrashCheck check;
    const AnsiString root = WithoutTrailingSlash(folder);
    struct stat st;
    if (root.empty() || ::stat(root.c_str(), &st) != 0) {
        check.Problem = Errno(("cannot read " + root).c_str());
        return check;
    }
    const auto device = static_cast<std::uint64_t>(st.st_dev);
    const AnsiString home = HomeTrashPath();
    std::uint64_t homeDevice = 0;
    if (DeviceOfNearest(home, homeDevice) && homeDevice == device) {
        check.Path = IncludeTrailingSlash(home);
        // The data folder is the user's setting: followed, and made with
        // its missing parents.
        AnsiString data = Parent(home);
        AnsiString existing = data;
        while (::stat(existing.c_str(), &st) != 0 && existing != "/")
            existing = Parent(existing);
        if (existing != data) {
            if (!S_ISDIR(st.st_mode) || ::faccessat(AT_FDCWD, existing.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
                check.Problem = Errno(("cannot create the data folder " + data).c_str());
            return check;
        }
        if (!S_ISDIR(st.st_mode)) {
            check.Problem = "the data folder " + data + " is not a folder";
            return check;
        }
        check.Problem = TrashProblem(data, "Trash");
        return check;
    }
    const AnsiString topdir = FindTopdir(root, device);
    if (topdir.empty()) {
        check.Problem = "the top of the volume's file system cannot be found";
        return check;
    }
    const AnsiString top = topdir == "/" ? AnsiString() : topdir;
    const std::string uid = std::to_string(::geteuid());
    // $topdir/.Trash/$uid is used when .Trash is a sticky folder and the
    // user's own folder in it can be used; else $topdir/.Trash-$uid.
    if (::lstat((top + "/.Trash").c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0 &&
        TrashProblem(top + "/.Trash", uid.c_str()).empty()) {
        check.Path = top + "/.Trash/" + uid + "/";
        return check;
    }
    check.Path = top + "/.Trash-" + uid + "/";
    check.Problem = TrashProblem(topdir, (".Trash-" + uid).c_str());
    return check;
}

}  // namespace twsplatform

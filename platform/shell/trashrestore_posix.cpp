// RestoreFromTrash on POSIX: openat with O_NOFOLLOW for every folder below
// a starting point, statx on the trash entry, renameat2(RENAME_NOREPLACE)
// into the held original folder.
#include "TrashRestore.h"

#include "TrashInfo.h"
#include "fileops_posix.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace twsplatform {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool SameFile(int folder, const AnsiString& name, const TFileIdentity& expected, int& err)
{
    struct statx st;
    if (::statx(folder, name.c_str(), AT_SYMLINK_NOFOLLOW,
                kIdentityMask, &st) != 0) {
        err = errno;
        return false;
    }
    err = 0;
    return MatchesIdentity(st, expected);
}

// The .trashinfo of a trash entry, read through the held info folder
// without following links or blocking; an empty optional when there is
// none, an empty text (which no reader takes) when it is a link, not a
// regular file, too long or unreadable.
std::optional<AnsiString> ReadInfoFile(int infoFolder, const AnsiString& name)
{
    constexpr std::size_t kMaxInfo = 64 * 1024;  // a path and a date; anything longer is not ours
    const TFd file(::openat(infoFolder, (name + ".trashinfo").c_str(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.Valid())
        return errno == ENOENT ? std::nullopt : std::optional<AnsiString>(AnsiString());  // a link is no record
    struct stat st;
    if (::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return AnsiString();
    AnsiString text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got == 0)
            return text;
        if (got < 0 || text.size() + static_cast<std::size_t>(got) > kMaxInfo)
            return AnsiString();  // reads as no record, which is refused
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

// Whether every component of path after its leading "/" is a plain name.
bool PlainPath(const AnsiString& path)
{
    if (path.empty() || path[0] != '/')
        return false;
    std::size_t start = 1;
    for (;;) {
        const std::size_t end = path.find('/', start);
        const AnsiString part = path.substr(start, end == AnsiString::npos ? AnsiString::npos : end - start);
        if (part.empty() || part == "." || part == ".." || part.find('\0') != AnsiString::npos)
            return false;
        if (end == AnsiString::npos)
            return true;
        start = end + 1;
    }
}

AnsiString Errno(const char* what) { return AnsiString(what) + ": " + std::strerror(errno); }

}  // namespace

TRestoreResult RestoreFromTrash(const TTrashEntry& entry, const AnsiString& root, const TFileIdentity* rootIdentity,
                                const AnsiString& originalPath, const TFileIdentity& identity, AnsiString& error)
{
    // No root recorded is no root: an empty one must not become "/".
    if (root.empty() || root[0] != '/') {
        error = "the run recorded no absolute volume root";
        return TRestoreResult::Changed;
    }
    AnsiString base = root;
    if (base.back() != '/')
        base += '/';
    const std::size_t slash = originalPath.rfind('/');
    if (!PlainPath(originalPath) || (base != "/" && !PlainPath(base.substr(0, base.size() - 1))) ||
        originalPath.compare(0, base.size(), base) != 0 || slash == AnsiString::npos || slash + 1 < base.size() ||
        entry.Name.empty() || entry.Name == "." || entry.Name == ".." || entry.Name.find('/') != AnsiString::npos) {
        error = "the recorded path is not a plain path below the volume root " + base;
        return TRestoreResult::Changed;
    }
    const AnsiString name = originalPath.substr(slash + 1);

    // The trash folder itself may be reached through links (a home folder
    // often is); what lies below it never is.
    const TFd trash(::open(entry.Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const TFd files(trash.Valid() ? ::openat(trash.Get(), "files", kFolderFlags) : -1);
    const TFd info(trash.Valid() ? ::openat(trash.Get(), "info", kFolderFlags) : -1);
    if (!files.Valid()) {
        error = Errno(("cannot open the trash folder " + entry.Folder + "files").c_str());
        return errno == ENOENT ? TRestoreResult::Missing : TRestoreResult::Failed;
    }
    int err = 0;
    if (!SameFile(files.Get(), entry.Name, identity, err)) {
        if (err == ENOENT) {
            error = "it is no longer in the trash (" + entry.Folder + "files/" + entry.Name + ")";
            return TRestoreResult::Missing;
        }
        error = err != 0 ? AnsiString("cannot read the trash entry: ") + std::strerror(err)
                         : "the trash entry " + entry.Name + " is not the file that was trashed";
        return err != 0 ? TRestoreResult::Failed : TRestoreResult::Changed;
    }

    // The trash's own record must name the same place as the run's: an entry
    // whose .trashinfo is missing or says otherwise is not provably the one
    // the run left there, and a run record alone is not trusted with a place.
    const std::optional<AnsiString> text =
        info.Valid() ? ReadInfoFile(info.Get(), entry.Name) : std::optional<AnsiString>();
    if (!text) {
        error = "the trash has no information for " + entry.Name + " (info/" + entry.Name + ".trashinfo)";
        return TRestoreResult::Changed;
    }
    const auto recorded = ParseTrashInfo(*text, TrashTopFolder(entry.Folder));
    if (!recorded || recorded->Path != originalPath) {
        error = "the trash's information for " + entry.Name + " names another place than " + originalPath;
        return TRestoreResult::Changed;
    }

    // The root as the run recorded it, reached without a link: a root
    // swapped for a link (or for another folder) takes nothing back.
    TFd folder(OpenFolderWithoutLinks(base));
    if (!folder.Valid()) {
        const int why = errno;
        error = Errno(("cannot open the volume root " + base + " without following a link").c_str());
        return why == ENOENT ? TRestoreResult::Missing : why == ELOOP || why == ENOTDIR ? TRestoreResult::Changed
                                                                                         : TRestoreResult::Failed;
    }
    struct stat rootStat;
    if (::fstat(folder.Get(), &rootStat) != 0) {
        error = Errno(("cannot read the volume root " + base).c_str());
        return TRestoreResult::Failed;
    }
    if (rootIdentity != nullptr && (static_cast<std::uint64_t>(rootStat.st_dev) != rootIdentity->Device ||
                                    static_cast<std::uint64_t>(rootStat.st_ino) != rootIdentity->Inode)) {
        error = "the volume root " + base + " is not the folder the run cleaned";
        return TRestoreResult::Changed;
    }
    std::size_t start = base.size();
    while (start < slash) {
        std::size_t end = originalPath.find('/', start);
        const AnsiString part = originalPath.substr(start, end - start);
        start = end + 1;
        TFd next(::openat(folder.Get(), part.c_str(), kFolderFlags));
        if (!next.Valid()) {
            const int why = errno;
            error = Errno(("cannot open the original folder " + originalPath.substr(0, end)).c_str());
            return why == ENOENT ? TRestoreResult::Missing
                   : why == ELOOP || why == ENOTDIR ? TRestoreResult::Changed
                                                    : TRestoreResult::Failed;
        }
        folder = std::move(next);
    }

    if (!RenameNoReplace(files.Get(), entry.Name, folder.Get(), name)) {
        if (errno == EEXIST) {
            error = "another file now has its name; it was not overwritten";
            return TRestoreResult::Occupied;
        }
        error = Errno("cannot move it out of the trash");
        return TRestoreResult::Failed;
    }
    // Between the check and the rename the trash entry may have been
    // replaced: what arrived must be the file recorded, or it goes back.
    if (!SameFile(folder.Get(), name, identity, err)) {
        if (RenameNoReplace(folder.Get(), name, files.Get(), entry.Name))
            error = "the trash entry changed while it was restored; it was put back";
        else
            error = "the trash entry changed while it was restored; it is now at " + originalPath;
        return TRestoreResult::Changed;
    }
    if (info.Valid())
        ::unlinkat(info.Get(), (entry.Name + ".trashinfo").c_str(), 0);
    return TRestoreResult::Restored;
}

bool RemoveUnfinishedTrashInfo(const TTrashEntry& entry, const AnsiString& originalPath)
{
    if (entry.Name.empty() || entry.Name == "." || entry.Name == ".." || entry.Name.find('/') != AnsiString::npos)
        return false;
    const TFd trash(::open(entry.Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const TFd files(trash.Valid() ? ::openat(trash.Get(), "files", kFolderFlags) : -1);
    const TFd info(trash.Valid() ? ::openat(trash.Get(), "info", kFolderFlags) : -1);
    struct stat st;
    if (!files.Valid() || !info.Valid() ||
        ::fstatat(files.Get(), entry.Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT)
        return false;
    const std::optional<AnsiString> text = ReadInfoFile(info.Get(), entry.Name);
    if (!text)
        return false;
    if (!text->empty()) {
        const auto recorded = ParseTrashInfo(*text, TrashTopFolder(entry.Folder));
        if (!recorded || recorded->Path != originalPath)
            return false;
    } else if (::fstatat(info.Get(), (entry.Name + ".trashinfo").c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
               !S_ISREG(st.st_mode) || st.st_size != 0) {
        return false;  // empty text from a link or an unreadable file: not ours to judge
    }
    return ::unlinkat(info.Get(), (entry.Name + ".trashinfo").c_str(), 0) == 0;
}

}  // namespace twsplatform

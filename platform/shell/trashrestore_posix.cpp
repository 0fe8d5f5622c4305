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
// without following links; an empty optional when there is none, an empty
// text (which no reader takes) when it is a link or cannot be read.
std::optional<AnsiString> ReadInfoFile(int infoFolder, const AnsiString& name)
{
    constexpr std::size_t kMaxInfo = 64 * 1024;  // a path and a date; anything longer is not ours
    const TFd file(::openat(infoFolder, (name + ".trashinfo").c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!file.Valid())
        return errno == ENOENT ? std::nullopt : std::optional<AnsiString>(AnsiString());  // a link is no record
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

AnsiString Errno(const char* what) { return AnsiString(what) + ": " + std::strerror(errno); }

}  // namespace

TRestoreResult RestoreFromTrash(const TTrashEntry& entry, const AnsiString& root, const AnsiString& originalPath,
                                const TFileIdentity& identity, AnsiString& error)
{
    AnsiString base = root;
    if (base.empty() || base.back() != '/')
        base += '/';
    const std::size_t slash = originalPath.rfind('/');
    if (originalPath.compare(0, base.size(), base) != 0 || slash == AnsiString::npos || slash + 1 >= originalPath.size() ||
        slash + 1 < base.size() || entry.Name.empty() || entry.Name.find('/') != AnsiString::npos) {
        error = "the recorded path does not lie below the volume root";
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
    // whose .trashinfo says otherwise is not the one the run left there. An
    // entry without one (a trash that lost it) relies on the run's record.
    if (info.Valid()) {
        if (const std::optional<AnsiString> text = ReadInfoFile(info.Get(), entry.Name)) {
            const auto recorded = ParseTrashInfo(*text, TrashTopFolder(entry.Folder));
            if (!recorded || recorded->Path != originalPath) {
                error = "the trash's information for " + entry.Name + " names another place than " + originalPath;
                return TRestoreResult::Changed;
            }
        }
    }

    TFd folder(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Valid()) {
        error = Errno(("cannot open the volume root " + base).c_str());
        return TRestoreResult::Missing;
    }
    std::size_t start = base.size();
    while (start < slash) {
        std::size_t end = originalPath.find('/', start);
        const AnsiString part = originalPath.substr(start, end - start);
        start = end + 1;
        if (part.empty())
            continue;
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

}  // namespace twsplatform

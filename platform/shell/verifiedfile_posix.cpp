// TVerifiedFile on POSIX: openat with O_NOFOLLOW for each folder below the
// root, an O_PATH descriptor on the file checked with statx, fchmodat2 (or
// its /proc/self/fd form) for the mode, unlinkat plus the descriptor's link
// count for deletion, and TTrash for the trash. The descriptor of a file
// proved deleted goes to the verifier's THandleReleaser.
#include "VerifiedFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "Trash.h"
#include "fileops_posix.h"
#include "folderhandle_posix.h"
#include "handlereleaser_posix.h"

namespace twsplatform {

namespace {

// fchmodat2 (Linux 6.6) takes AT_EMPTY_PATH, which changes the mode of an
// O_PATH descriptor's file; older kernels do the same through /proc.
constexpr long kSysFchmodat2 = 452;

}  // namespace

bool ReadFileIdentity(const AnsiString& path, TFileIdentity& identity)
{
    struct statx st;
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, kIdentityMask, &st) != 0)
        return false;
    identity = IdentityOf(st);
    return true;
}

TFileVerifier::TFileVerifier(std::shared_ptr<const twslisting::TRootFolder> root)
    : FRoot(root->Path()),
      FRootFolder(std::move(root)),
      FTrash(std::make_shared<TTrash>()),
      FReleaser(std::make_shared<THandleReleaser>())
{
    if (FRoot.empty() || FRoot.back() != '/')
        FRoot += '/';
}

TFileVerifier::~TFileVerifier() = default;

std::unique_ptr<TVerifiedFile> TFileVerifier::OpenIn(std::string_view folderPath, const AnsiString& name,
                                                     const TFileIdentity& identity, TVerifyResult& result)
{
    if (folderPath.size() < FRoot.size() || folderPath.compare(0, FRoot.size(), FRoot) != 0) {
        result = TVerifyResult::OutsideRoot;
        return nullptr;
    }
    if (name.empty() || name == "." || name == "..") {
        result = TVerifyResult::OutsideRoot;
        return nullptr;
    }
    if (!FFolder || folderPath != FFolder->Path) {
        FFolder.reset();
        // Down from the root held, never through a link.
        int folder = -1;
        result = FromWalk(Root().OpenBelow(folderPath.substr(FRoot.size()), folder));
        if (result != TVerifyResult::Verified)
            return nullptr;
        FFolder = std::make_shared<TFolderHandle>(folder, AnsiString(folderPath));
    }
    // What is held is checked, not the name: the name may change hands at
    // any moment, the descriptor does not.
    //
    // A statx of the name in the held folder would save the open and the
    // close, but it checks an entry that nothing holds: the unlink that
    // follows looks the name up again, and whatever it then removes, no
    // handle is left to tell whether it was the file checked. Holding the
    // file is what lets Delete prove, by the held file's link count, that
    // the entry removed was the one checked.
    const int fd = ::openat(FFolder->Fd, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        result = errno == ENOENT ? TVerifyResult::Missing : TVerifyResult::Changed;
        return nullptr;
    }
    struct statx st;
    if (::statx(fd, "", AT_EMPTY_PATH, kIdentityMask, &st) != 0 || !MatchesIdentity(st, identity)) {
        ::close(fd);
        result = TVerifyResult::Changed;
        return nullptr;
    }
    result = TVerifyResult::Verified;
    std::unique_ptr<TVerifiedFile> file(
        new TVerifiedFile(FFolder, name, fd, identity, st.stx_mode & 07777, st.stx_nlink, FTrash));
    file->FReleaser = FReleaser;
    return file;
}

TVerifiedFile::~TVerifiedFile()
{
    if (FFd >= 0)
        ::close(FFd);
}

bool TVerifiedFile::IsReadOnly() const
{
    struct stat st;
    return ::fstat(FFd, &st) == 0 && !(st.st_mode & S_IWUSR);
}

bool TVerifiedFile::SetPermissions(unsigned mode)
{
    if (::syscall(kSysFchmodat2, FFd, "", mode, AT_EMPTY_PATH) == 0)
        return true;
    if (errno != ENOSYS && errno != EINVAL)
        return false;
    // The /proc link of an O_PATH descriptor leads to the very file held.
    const AnsiString self = "/proc/self/fd/" + std::to_string(FFd);
    return ::chmod(self.c_str(), mode) == 0;
}

bool TVerifiedFile::ClearReadOnly()
{
    struct stat st;
    if (::fstat(FFd, &st) != 0)
        return false;
    return (st.st_mode & S_IWUSR) != 0 || SetPermissions((st.st_mode & 07777) | S_IWUSR);
}

bool TVerifiedFile::RestorePermissions() { return SetPermissions(FMode); }

bool TVerifiedFile::Delete(TDeleteMode mode, AnsiString& error)
{
    if (mode == TDeleteMode::ToTrash) {
        const TTrashResult moved = FTrash->Move(*FFolder, FFolder->Path, FName, FIdentity, error, &FTrashEntry);
        return moved == TTrashResult::Moved;
    }
    if (::unlinkat(FFolder->Fd, FName.c_str(), 0) != 0) {
        error = std::strerror(errno);
        return false;
    }
    // The name may have passed to another file between the check and the
    // unlink; only the file held losing a link proves it was the one.
    struct stat st;
    if (::fstat(FFd, &st) != 0 || st.st_nlink + 1 != FLinks) {
        error = "another file had taken its name and was removed in its place";
        return false;
    }
    // The file is proved gone from its folder; this descriptor is what still
    // keeps it on the disk, and closing it is what frees it.
    if (FReleaser) {
        FReleaser->Release(FFd);
        FFd = -1;
    }
    return true;
}

}  // namespace twsplatform

// TVerifiedFile on POSIX: openat with O_NOFOLLOW for each folder below the
// root, fstatat for the identity, unlinkat for deletion and GLib's
// g_file_trash for the trash.
#include "VerifiedFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace twsplatform {

namespace {

bool Same(const struct stat& st, const TFileIdentity& id)
{
    return S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_dev) == id.Device &&
           static_cast<std::uint64_t>(st.st_ino) == id.Inode;
}

}  // namespace

bool ReadFileIdentity(const AnsiString& path, TFileIdentity& identity)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

struct TFolderHandle {
    explicit TFolderHandle(int fd) : Fd(fd) {}
    ~TFolderHandle() { ::close(Fd); }
    TFolderHandle(const TFolderHandle&) = delete;
    TFolderHandle& operator=(const TFolderHandle&) = delete;
    int Fd;
};

std::unique_ptr<TVerifiedFile> TVerifiedFile::Open(const AnsiString& root, const AnsiString& fullName,
                                                   const TFileIdentity& identity, TVerifyResult& result)
{
    TFileVerifier verifier(root);
    return verifier.Open(fullName, identity, result);
}

TFileVerifier::TFileVerifier(AnsiString root) : FRoot(std::move(root))
{
    if (FRoot.empty() || FRoot.back() != '/')
        FRoot += '/';
}

TFileVerifier::~TFileVerifier() = default;

std::unique_ptr<TVerifiedFile> TFileVerifier::Open(const AnsiString& fullName, const TFileIdentity& identity,
                                                   TVerifyResult& result)
{
    if (fullName.size() <= FRoot.size() || fullName.compare(0, FRoot.size(), FRoot) != 0) {
        result = TVerifyResult::OutsideRoot;
        return nullptr;
    }
    const auto slash = fullName.find_last_of('/');
    const AnsiString folderPath = fullName.substr(0, slash + 1);
    const AnsiString name = fullName.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
        result = TVerifyResult::OutsideRoot;
        return nullptr;
    }
    if (!FFolder || folderPath != FFolderPath) {
        FFolder.reset();
        FFolderPath.clear();
        // The root itself is the volume the user chose; below it, no links.
        int folder = ::open(FRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0) {
            result = errno == ENOENT ? TVerifyResult::Missing : TVerifyResult::Changed;
            return nullptr;
        }
        const AnsiString relative = folderPath.substr(FRoot.size());
        std::size_t start = 0;
        while (start < relative.size()) {
            const auto end = relative.find('/', start);
            const AnsiString part = relative.substr(start, end - start);
            start = end + 1;
            if (part.empty() || part == "." || part == "..") {
                ::close(folder);
                result = TVerifyResult::OutsideRoot;
                return nullptr;
            }
            const int next = ::openat(folder, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            const int err = errno;
            ::close(folder);
            if (next < 0) {
                result = err == ENOENT ? TVerifyResult::Missing : TVerifyResult::Changed;
                return nullptr;
            }
            folder = next;
        }
        FFolder = std::make_shared<TFolderHandle>(folder);
        FFolderPath = folderPath;
    }
    struct stat st;
    if (::fstatat(FFolder->Fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        result = errno == ENOENT ? TVerifyResult::Missing : TVerifyResult::Changed;
        return nullptr;
    }
    if (!Same(st, identity)) {
        result = TVerifyResult::Changed;
        return nullptr;
    }
    result = TVerifyResult::Verified;
    return std::unique_ptr<TVerifiedFile>(new TVerifiedFile(FFolder, name, fullName, identity));
}

TVerifiedFile::TVerifiedFile(std::shared_ptr<TFolderHandle> folder, AnsiString name, AnsiString fullName,
                             TFileIdentity identity)
    : FFolder(std::move(folder)), FName(std::move(name)), FFullName(std::move(fullName)), FIdentity(identity)
{
}

TVerifiedFile::~TVerifiedFile() = default;

bool TVerifiedFile::FolderPathStillLeadsHere() const
{
    struct stat held, path;
    const AnsiString folder = FFullName.substr(0, FFullName.size() - FName.size());
    return ::fstat(FFolder->Fd, &held) == 0 && ::stat(folder.c_str(), &path) == 0 && held.st_dev == path.st_dev &&
           held.st_ino == path.st_ino;
}

bool TVerifiedFile::StillSame() const
{
    struct stat st;
    return ::fstatat(FFolder->Fd, FName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && Same(st, FIdentity);
}

bool TVerifiedFile::IsReadOnly() const
{
    struct stat st;
    return ::fstatat(FFolder->Fd, FName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !(st.st_mode & S_IWUSR);
}

bool TVerifiedFile::ClearReadOnly()
{
    struct stat st;
    if (::fstatat(FFolder->Fd, FName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !Same(st, FIdentity))
        return false;
    if (st.st_mode & S_IWUSR)
        return true;
    return ::fchmodat(FFolder->Fd, FName.c_str(), (st.st_mode & 07777) | S_IWUSR, 0) == 0;
}

bool TVerifiedFile::Delete(TDeleteMode mode, AnsiString& error)
{
    if (!StillSame()) {
        error = "the file changed since it was checked";
        return false;
    }
    if (mode == TDeleteMode::Permanent) {
        if (::unlinkat(FFolder->Fd, FName.c_str(), 0) != 0) {
            error = std::strerror(errno);
            return false;
        }
        return true;
    }
    // The trash needs the file's path to record where it came from, so the
    // path must still lead to the folder verified and held open.
    if (!FolderPathStillLeadsHere()) {
        error = "the file's folder changed since it was checked";
        return false;
    }
    GFile* file = g_file_new_for_path(FFullName.c_str());
    GError* gerror = nullptr;
    const gboolean ok = g_file_trash(file, nullptr, &gerror);
    g_object_unref(file);
    if (!ok) {
        error = gerror != nullptr ? gerror->message : "the trash refused the file";
        if (gerror != nullptr)
            g_error_free(gerror);
        return false;
    }
    return true;
}

}  // namespace twsplatform

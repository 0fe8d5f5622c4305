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

std::unique_ptr<TVerifiedFile> TVerifiedFile::Open(const AnsiString& root, const AnsiString& fullName,
                                                   const TFileIdentity& identity, TVerifyResult& result)
{
    AnsiString base = root;
    if (base.empty() || base.back() != '/')
        base += '/';
    if (fullName.size() <= base.size() || fullName.compare(0, base.size(), base) != 0) {
        result = TVerifyResult::OutsideRoot;
        return nullptr;
    }
    const AnsiString relative = fullName.substr(base.size());
    // The root itself is the volume the user chose; below it, no links.
    int folder = ::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        result = errno == ENOENT ? TVerifyResult::Missing : TVerifyResult::Changed;
        return nullptr;
    }
    std::size_t start = 0;
    for (;;) {
        const auto slash = relative.find('/', start);
        if (slash == AnsiString::npos)
            break;
        const AnsiString part = relative.substr(start, slash - start);
        start = slash + 1;
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
    const AnsiString name = relative.substr(start);
    if (name.empty() || name == "." || name == "..") {
        ::close(folder);
        result = TVerifyResult::OutsideRoot;
        return nullptr;
    }
    struct stat st;
    if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        const int err = errno;
        ::close(folder);
        result = err == ENOENT ? TVerifyResult::Missing : TVerifyResult::Changed;
        return nullptr;
    }
    if (!Same(st, identity)) {
        ::close(folder);
        result = TVerifyResult::Changed;
        return nullptr;
    }
    result = TVerifyResult::Verified;
    return std::unique_ptr<TVerifiedFile>(new TVerifiedFile(folder, name, fullName, identity));
}

TVerifiedFile::TVerifiedFile(int folder, AnsiString name, AnsiString fullName, TFileIdentity identity)
    : FFolder(folder), FName(std::move(name)), FFullName(std::move(fullName)), FIdentity(identity)
{
}

TVerifiedFile::~TVerifiedFile() { ::close(FFolder); }

bool TVerifiedFile::StillSame() const
{
    struct stat st;
    return ::fstatat(FFolder, FName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && Same(st, FIdentity);
}

bool TVerifiedFile::IsReadOnly() const
{
    struct stat st;
    return ::fstatat(FFolder, FName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !(st.st_mode & S_IWUSR);
}

bool TVerifiedFile::ClearReadOnly()
{
    struct stat st;
    if (::fstatat(FFolder, FName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !Same(st, FIdentity))
        return false;
    if (st.st_mode & S_IWUSR)
        return true;
    return ::fchmodat(FFolder, FName.c_str(), (st.st_mode & 07777) | S_IWUSR, 0) == 0;
}

bool TVerifiedFile::Delete(TDeleteMode mode, AnsiString& error)
{
    if (!StillSame()) {
        error = "the file changed since it was checked";
        return false;
    }
    if (mode == TDeleteMode::Permanent) {
        if (::unlinkat(FFolder, FName.c_str(), 0) != 0) {
            error = std::strerror(errno);
            return false;
        }
        return true;
    }
    // The trash needs the file's real path to record where it came from.
    // The folder was verified link-free just now and is held open; a final
    // check of the identity narrows the window before GLib moves the file.
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

// Identity and no-replace renames on POSIX: statx and renameat2.
#include "fileops_posix.h"

#include <cerrno>
#include <cstdio>
#include <sys/sysmacros.h>

namespace twsplatform {

namespace {

std::int64_t Nanoseconds(const struct statx_timestamp& t)
{
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

}  // namespace

TFileIdentity IdentityOf(const struct statx& st)
{
    TFileIdentity id;
    id.Device = static_cast<std::uint64_t>(makedev(st.stx_dev_major, st.stx_dev_minor));
    id.Inode = st.stx_ino;
    id.Size = static_cast<std::int64_t>(st.stx_size);
    id.ModifiedNs = Nanoseconds(st.stx_mtime);
    id.HasBirthTime = (st.stx_mask & STATX_BTIME) != 0;
    id.BornNs = id.HasBirthTime ? Nanoseconds(st.stx_btime) : 0;
    return id;
}

bool MatchesIdentity(const struct statx& st, const TFileIdentity& expected)
{
    if (!S_ISREG(st.stx_mode))
        return false;
    const TFileIdentity now = IdentityOf(st);
    return now.Device == expected.Device && now.Inode == expected.Inode && now.Size == expected.Size &&
           now.ModifiedNs == expected.ModifiedNs &&
           (!expected.HasBirthTime || (now.HasBirthTime && now.BornNs == expected.BornNs));
}

int OpenFolderWithoutLinks(const AnsiString& path)
{
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    if (path.empty() || path[0] != '/') {
        errno = EINVAL;
        return -1;
    }
    TFd folder(::open("/", kFlags));
    std::size_t start = 1;
    while (folder.Valid() && start < path.size()) {
        std::size_t end = path.find('/', start);
        if (end == AnsiString::npos)
            end = path.size();
        const AnsiString part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") {
            errno = EINVAL;
            return -1;
        }
        folder.Reset(::openat(folder.Get(), part.c_str(), kFlags));
        start = end + 1;
    }
    return folder.Release();
}

bool RenameNoReplace(int fromFolder, const AnsiString& from, int toFolder, const AnsiString& to)
{
    if (::renameat2(fromFolder, from.c_str(), toFolder, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL)
        return false;
    struct stat st;
    if (::fstatat(toFolder, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::renameat(fromFolder, from.c_str(), toFolder, to.c_str()) == 0;
}

}  // namespace twsplatform

// Volumes on POSIX, read from the mount table with libmount.
#include "Volumes.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <libmount.h>
#include <set>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>

#include "listing.h"

namespace twsplatform {
namespace {

bool IsImageFileSystem(const char* type)
{
    for (const char* t : {"squashfs", "iso9660", "udf", "erofs", "cramfs"})
        if (std::strcmp(type, t) == 0)
            return true;
    return false;
}

// The sysfs "removable" flag of a block device, or of the disk a partition
// belongs to.
bool IsRemovable(dev_t device)
{
    char link[64];
    std::snprintf(link, sizeof link, "/sys/dev/block/%u:%u", major(device), minor(device));
    char resolved[PATH_MAX];
    if (::realpath(link, resolved) == nullptr)
        return false;
    AnsiString dir = resolved;
    for (int level = 0; level < 2; ++level) {
        const AnsiString flag = dir + "/removable";
        if (FILE* f = std::fopen(flag.c_str(), "r")) {
            int c = std::fgetc(f);
            std::fclose(f);
            return c == '1';
        }
        const auto slash = dir.find_last_of('/');
        if (slash == AnsiString::npos)
            break;
        dir.erase(slash);
    }
    return false;
}

AnsiString LabelOf(dev_t device)
{
    const char* folder = "/dev/disk/by-label";
    DIR* dir = ::opendir(folder);
    if (dir == nullptr)
        return AnsiString();
    AnsiString label;
    while (dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.')
            continue;
        struct stat st;
        const AnsiString path = AnsiString(folder) + "/" + e->d_name;
        if (::stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode) && st.st_rdev == device) {
            // udev escapes blanks and other bytes as \xNN in these names.
            const char* s = e->d_name;
            for (std::size_t i = 0; s[i] != 0; ++i) {
                unsigned v;
                if (s[i] == '\\' && s[i + 1] == 'x' && std::sscanf(s + i + 2, "%2x", &v) == 1) {
                    label += static_cast<char>(v);
                    i += 3;
                } else {
                    label += s[i];
                }
            }
            break;
        }
    }
    ::closedir(dir);
    return label;
}

bool HasOption(const char* options, const char* name)
{
    if (options == nullptr)
        return false;
    char* value = nullptr;
    std::size_t size = 0;
    return mnt_optstr_get_option(options, name, &value, &size) == 0;
}

// The subvolume a btrfs mount names in its options ("subvol=/@"), or
// the empty string.
AnsiString SubvolumeOf(const char* options)
{
    char* value = nullptr;
    std::size_t size = 0;
    if (options == nullptr || mnt_optstr_get_option(options, "subvol", &value, &size) != 0 || value == nullptr)
        return AnsiString();
    AnsiString subvolume(value, size);
    if (subvolume.empty() || subvolume.front() != '/')
        subvolume.insert(0, 1, '/');
    return subvolume;
}

struct MountTable {
    libmnt_table* table = mnt_new_table();
    ~MountTable() { mnt_unref_table(table); }
    bool Load() { return table != nullptr && mnt_table_parse_mtab(table, nullptr) == 0; }
};

}  // namespace

bool IsFixedVolumeMount(const TMountEntry& mount)
{
    const char* type = mount.FsType.c_str();
    if (mount.Target.empty() || mount.FsType.empty() || mnt_fstype_is_pseudofs(type) ||
        mnt_fstype_is_netfs(type) || mount.FsType == "swap" || IsImageFileSystem(type))
        return false;
    if (HasOption(mount.Options.c_str(), "ro"))
        return false;
    // A bind mount of a subtree shows the files of another volume. A btrfs
    // subvolume mounted whole shows its path as the root; that is a volume.
    if (!mount.Root.empty() && mount.Root != "/" &&
        !(mount.FsType == "btrfs" && mount.Root == SubvolumeOf(mount.Options.c_str())))
        return false;
    return !twslisting::IsInSystemFolder(mount.Target);
}

std::vector<TVolumeInfo> ListFixedVolumeInfos()
{
    std::vector<TVolumeInfo> out;
    MountTable mounts;
    if (!mounts.Load())
        return out;
    libmnt_iter* it = mnt_new_iter(MNT_ITER_FORWARD);
    std::set<std::pair<dev_t, AnsiString>> seen;  // a device and the folder of it mounted
    std::set<AnsiString> targets;
    libmnt_fs* fs = nullptr;
    while (mnt_table_next_fs(mounts.table, it, &fs) == 0) {
        const char* target = mnt_fs_get_target(fs);
        const char* source = mnt_fs_get_srcpath(fs);
        const char* type = mnt_fs_get_fstype(fs);
        const char* root = mnt_fs_get_root(fs);
        if (target == nullptr || source == nullptr || type == nullptr)
            continue;
        TMountEntry entry{target, type, root != nullptr ? root : "/", AnsiString()};
        for (const char* options : {mnt_fs_get_vfs_options(fs), mnt_fs_get_fs_options(fs)})
            if (options != nullptr && *options != 0)
                entry.Options += (entry.Options.empty() ? "" : ",") + AnsiString(options);
        if (mnt_fs_is_swaparea(fs) || !IsFixedVolumeMount(entry))
            continue;
        struct stat dev, dir;
        if (::stat(source, &dev) != 0 || !S_ISBLK(dev.st_mode))
            continue;
        if (::stat(target, &dir) != 0 || !S_ISDIR(dir.st_mode))
            continue;
        if (IsRemovable(dev.st_rdev) || !seen.insert({dev.st_rdev, entry.Root}).second)
            continue;
        AnsiString mountPoint = target;
        if (mountPoint.empty() || mountPoint.back() != '/')
            mountPoint += '/';
        // A folder mounted over twice is one volume to the user.
        if (!targets.insert(mountPoint).second)
            continue;
        TVolumeInfo info{mountPoint, LabelOf(dev.st_rdev), type};
        struct statvfs space;
        if (::statvfs(target, &space) == 0) {
            info.FreeBytes = static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
            info.TotalBytes = static_cast<std::uint64_t>(space.f_blocks) * space.f_frsize;
        }
        out.push_back(std::move(info));
    }
    mnt_free_iter(it);
    return out;
}

AnsiString VolumeRootOf(const AnsiString& path)
{
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr)
        return AnsiString();
    MountTable mounts;
    if (mounts.Load()) {
        if (libmnt_fs* fs = mnt_table_find_mountpoint(mounts.table, resolved, MNT_ITER_BACKWARD)) {
            AnsiString root = mnt_fs_get_target(fs);
            if (root.empty() || root.back() != '/')
                root += '/';
            return root;
        }
    }
    // Without a mount table, climb while the device stays the same.
    AnsiString current = resolved;
    struct stat st;
    if (::stat(current.c_str(), &st) != 0)
        return AnsiString();
    const dev_t device = st.st_dev;
    while (current != "/") {
        const auto slash = current.find_last_of('/');
        const AnsiString parent = slash == 0 || slash == AnsiString::npos ? AnsiString("/")
                                                                          : current.substr(0, slash);
        if (::stat(parent.c_str(), &st) != 0 || st.st_dev != device)
            break;
        current = parent;
    }
    return current == "/" ? current : current + "/";
}

}  // namespace twsplatform

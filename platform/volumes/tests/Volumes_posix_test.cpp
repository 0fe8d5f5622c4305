#include "Volumes.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace twsplatform;

TEST(Volumes, FixedVolumesAreWritableLocalFolders)
{
    for (const auto& v : ListFixedVolumeInfos()) {
        ASSERT_FALSE(v.Root.empty());
        EXPECT_EQ(v.Root.back(), '/') << v.Root;
        EXPECT_TRUE(std::filesystem::is_directory(v.Root)) << v.Root;
        EXPECT_NE(v.Root.rfind("/proc", 0), 0u) << v.Root;
        EXPECT_NE(v.Root.rfind("/sys", 0), 0u) << v.Root;
        EXPECT_NE(v.Root.rfind("/var/", 0), 0u) << v.Root;
        EXPECT_NE(v.Root.rfind("/boot/", 0), 0u) << v.Root;
    }
}

TEST(Volumes, TheVolumeOfAPathHoldsIt)
{
    const AnsiString here = std::filesystem::current_path().string();
    const AnsiString root = VolumeRootOf(here);
    ASSERT_FALSE(root.empty());
    EXPECT_EQ(root.back(), '/');
    EXPECT_EQ((here + "/").rfind(root, 0), 0u) << root << " does not hold " << here;
    struct stat a, b;
    ASSERT_EQ(::stat(root.c_str(), &a), 0);
    ASSERT_EQ(::stat(here.c_str(), &b), 0);
    EXPECT_EQ(a.st_dev, b.st_dev);
    EXPECT_EQ(VolumeRootOf("/no/such/path/at/all"), "");
    EXPECT_EQ(VolumeRootOf("/"), "/");
}

TEST(Volumes, WhichMountsCanBeFixedVolumes)
{
    struct TCase {
        TMountEntry Mount;
        bool Fixed;
    };
    const TCase cases[] = {
        {{"/", "ext4", "/", "rw,relatime,errors=remount-ro"}, true},
        {{"/home", "ext4", "/", "rw,relatime"}, true},
        {{"/mnt/data", "xfs", "/", "rw"}, true},
        // btrfs: the root file system is a subvolume, mounted whole.
        {{"/", "btrfs", "/@", "rw,noatime,compress=zstd:3,ssd,space_cache=v2,subvolid=256,subvol=/@"}, true},
        {{"/", "btrfs", "/root", "rw,relatime,subvolid=257,subvol=/root"}, true},
        {{"/home", "btrfs", "/@home", "rw,relatime,subvol=@home"}, true},
        {{"/srv/x", "btrfs", "/@/srv/x", "rw,relatime,subvol=/@"}, false},  // a subtree bound elsewhere
        {{"/srv/y", "ext4", "/srv/y", "rw"}, false},
        // the operating system's own file systems
        {{"/var", "ext4", "/", "rw,relatime"}, false},
        {{"/boot", "ext4", "/", "rw,relatime"}, false},
        {{"/boot/efi", "vfat", "/", "rw,fmask=0077"}, false},
        {{"/var/lib/docker", "xfs", "/", "rw"}, false},
        {{"/usr", "btrfs", "/@usr", "rw,subvol=/@usr"}, false},
        {{"/var/log", "btrfs", "/@log", "rw,subvol=/@log"}, false},
        // not disks of this machine, or not writable
        {{"/proc", "proc", "/", "rw,nosuid"}, false},
        {{"/run", "tmpfs", "/", "rw"}, false},
        {{"/mnt/nas", "nfs4", "/", "rw"}, false},
        {{"/snapd/core", "squashfs", "/", "ro"}, false},
        {{"/media/cd", "iso9660", "/", "ro"}, false},
        {{"/mnt/backup", "ext4", "/", "ro,relatime"}, false},
        {{"/mnt/odd", "", "/", "rw"}, false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(IsFixedVolumeMount(c.Mount), c.Fixed)
            << c.Mount.Target << " " << c.Mount.FsType << " " << c.Mount.Root << " " << c.Mount.Options;
}

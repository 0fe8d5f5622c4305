// Volumes: the fixed volumes of the machine and the volume holding a path.
//
// On Windows a volume is a drive ("C:\\") that GetDriveType calls fixed.
//
// On POSIX a volume is a mounted file system and its root is the mount
// point with a trailing "/". The fixed volumes are the mounted local
// block-device file systems; left out are pseudo file systems, network file
// systems, removable devices, read-only mounts, squashfs and other image
// file systems, bind mounts of a subtree, mounts whose mount point is a
// system folder or lies inside one (a separate /var or /boot: the
// operating system's, never cleaned), and second mounts of a file system
// already listed. A btrfs subvolume mounted whole (the root file system on
// "/@" of many installations) is a volume of its own. The label comes from /dev/disk/by-label when the system
// has it.
#pragma once

#include <cstdint>
#include <vector>

#include "System.hpp"

namespace twsplatform {

struct TVolumeInfo {
    AnsiString Root;   // mount point ending in "/"
    AnsiString Label;  // empty when the file system has none
    AnsiString FileSystem;  // "ext4", "NTFS"; empty when unknown
    // What this user may still write there, and the whole size; both 0
    // when they cannot be read.
    std::uint64_t FreeBytes = 0;
    std::uint64_t TotalBytes = 0;
};

// One line of the mount table, as far as choosing the fixed volumes needs
// it.
struct TMountEntry {
    AnsiString Target;     // the mount point
    AnsiString FsType;     // "ext4", "btrfs", "proc", ...
    AnsiString Root;       // the folder of the file system mounted there ("/", "/@")
    AnsiString Options;    // the mount's options, comma-separated ("rw,subvol=/@")
};

// POSIX: whether the mount can be a fixed volume by what the table says of it:
// not a pseudo, network, swap or image file system, not read-only, not a
// bind mount of a subtree (for btrfs: unless its root is the subvolume
// named in its options), and not mounted at or inside a system folder. Its
// device is judged apart.
bool IsFixedVolumeMount(const TMountEntry& mount);

// The fixed volumes in mount table order.
std::vector<TVolumeInfo> ListFixedVolumeInfos();

// The root of the volume that holds the given existing path ("/" ending),
// or the empty string when the path does not exist.
AnsiString VolumeRootOf(const AnsiString& path);

}  // namespace twsplatform

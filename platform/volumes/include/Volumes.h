// Volumes: the fixed volumes of the machine and the volume holding a path.
//
// On POSIX a volume is a mounted file system and its root is the mount
// point with a trailing "/". The fixed volumes are the mounted local
// block-device file systems; left out are pseudo file systems, network file
// systems, removable devices, read-only mounts, squashfs and other image
// file systems, bind mounts of a subtree, and second mounts of a device
// already listed. The label comes from /dev/disk/by-label when the system
// has it.
#pragma once

#include <vector>

#include "System.hpp"

namespace twsplatform {

struct TVolumeInfo {
    AnsiString Root;   // mount point ending in "/"
    AnsiString Label;  // empty when the file system has none
};

// The fixed volumes in mount table order.
std::vector<TVolumeInfo> ListFixedVolumeInfos();

// The root of the volume that holds the given existing path ("/" ending),
// or the empty string when the path does not exist.
AnsiString VolumeRootOf(const AnsiString& path);

}  // namespace twsplatform

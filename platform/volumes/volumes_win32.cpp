// The fixed volumes on Windows: the drives GetDriveType calls fixed, their
// labels from GetVolumeInformation, and the volume of a path from
// GetVolumePathName. Roots are "C:\".
#include "Volumes.h"

#include <windows.h>

namespace twsplatform {

std::vector<TVolumeInfo> ListFixedVolumeInfos()
{
    std::vector<TVolumeInfo> volumes;
    char drives[27 * 4 + 1];
    const DWORD n = ::GetLogicalDriveStringsA(sizeof drives - 1, drives);
    if (n == 0 || n >= sizeof drives)
        return volumes;
    for (const char* root = drives; *root != '\0'; root += std::char_traits<char>::length(root) + 1) {
        if (::GetDriveTypeA(root) != DRIVE_FIXED)
            continue;
        char label[MAX_PATH + 1] = "";
        char fileSystem[MAX_PATH + 1] = "";
        if (!::GetVolumeInformationA(root, label, sizeof label, nullptr, nullptr, nullptr, fileSystem,
                                     sizeof fileSystem))
            label[0] = fileSystem[0] = '\0';
        TVolumeInfo info{root, label, fileSystem};
        ULARGE_INTEGER free{}, total{};
        if (::GetDiskFreeSpaceExA(root, &free, &total, nullptr)) {
            info.FreeBytes = free.QuadPart;
            info.TotalBytes = total.QuadPart;
        }
        volumes.push_back(std::move(info));
    }
    return volumes;
}

AnsiString VolumeRootOf(const AnsiString& path)
{
    if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return AnsiString();
    char root[MAX_PATH * 4];
    return ::GetVolumePathNameA(path.c_str(), root, sizeof root) ? AnsiString(root) : AnsiString();
}

}  // namespace twsplatform

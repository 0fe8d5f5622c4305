// The fixed volumes on Windows, against what the system says of each drive.
#include "Volumes.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace twsplatform;

TEST(Volumes, FixedDrivesWithTheirRootsAndTheVolumeOfAPath)
{
    const std::vector<TVolumeInfo> volumes = ListFixedVolumeInfos();
    ASSERT_FALSE(volumes.empty()) << "C: is a fixed drive";
    bool hasSystemDrive = false;
    char windows[MAX_PATH];
    ASSERT_GT(::GetWindowsDirectoryA(windows, MAX_PATH), 2u);
    for (const TVolumeInfo& v : volumes) {
        EXPECT_EQ(v.Root.size(), 3u) << v.Root;
        EXPECT_EQ(v.Root.substr(1), ":\\") << v.Root;
        EXPECT_EQ(::GetDriveTypeA(v.Root.c_str()), static_cast<UINT>(DRIVE_FIXED)) << v.Root;
        hasSystemDrive = hasSystemDrive || (v.Root[0] & ~0x20) == (windows[0] & ~0x20);
    }
    EXPECT_TRUE(hasSystemDrive);
    EXPECT_EQ(VolumeRootOf(std::string(windows) + "\\system32"), std::string(windows, 3));
    EXPECT_EQ(VolumeRootOf(std::string(windows) + "\\no such folder"), "");
}

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

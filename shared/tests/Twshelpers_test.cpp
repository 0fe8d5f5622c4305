#include "Twshelpers.h"

#include <gtest/gtest.h>

#include "Volumes.h"

TEST(ListFixedVolumes, OneNameValueLinePerFixedVolume)
{
    ListFixedVolumes(nullptr);  // does nothing
    TStringList lines;
    lines.Add("kept");
    ListFixedVolumes(&lines);
    const auto volumes = twsplatform::ListFixedVolumeInfos();
    ASSERT_EQ(lines.Count(), static_cast<int>(volumes.size()) + 1);
    EXPECT_EQ(lines[0], "kept") << "lines are appended";
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        const auto& v = volumes[i];
        const int line = static_cast<int>(i) + 1;
        const AnsiString name = v.Label.empty() ? v.Root : v.Label + "  (" + v.Root + ")";
        EXPECT_EQ(lines.Names(line), name);
        EXPECT_EQ(lines.Values(name), v.Root);
    }
}

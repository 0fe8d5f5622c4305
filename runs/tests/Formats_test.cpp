#include "Formats.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>

using namespace cleanuphost;

TEST(Formats, SizesAreWholeBytesBelowAKilobyteAndBinaryUnitsAbove)
{
    const std::pair<std::uint64_t, std::string> cases[] = {
        {0, "0 bytes"},
        {1, "1 byte"},
        {2, "2 bytes"},
        {823, "823 bytes"},
        {1023, "1,023 bytes"},
        {1024, "1.00 KB"},
        {1536, "1.50 KB"},
        {24000000, "22.89 MB"},
        {5ull << 30, "5.00 GB"},
        {3ull << 40, "3.00 TB"},
        {2048ull << 40, "2048.00 TB"},  // no unit beyond terabytes
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(Bytes(bytes), text) << bytes;
}

TEST(Formats, CountsHaveThousandsSeparatorsAndTheirNoun)
{
    const std::pair<std::int64_t, std::string> numbers[] = {
        {0, "0"},
        {7, "7"},
        {999, "999"},
        {1000, "1,000"},
        {210000, "210,000"},
        {1234567, "1,234,567"},
        {-1234, "-1,234"},
        {std::numeric_limits<std::int64_t>::min(), "-9,223,372,036,854,775,808"},
    };
    for (const auto& [n, text] : numbers)
        EXPECT_EQ(Thousands(n), text) << n;
    const std::pair<std::int64_t, std::string> files[] = {{0, "0 files"}, {1, "1 file"}, {210000, "210,000 files"}};
    for (const auto& [n, text] : files)
        EXPECT_EQ(Count(n), text);
    EXPECT_EQ(Folders(1), "1 folder");
    EXPECT_EQ(Folders(5000), "5,000 folders");
}

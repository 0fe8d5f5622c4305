// Tests of the byte display: unit choice at the boundaries, conversion and
// unit texts.
#include "Zelformat.h"

#include <gtest/gtest.h>

using namespace zelutils;

namespace {
constexpr auto kd = TKiloDefinition::kdBinary;
}

TEST(ByteFormat, MagnitudeIsTheLargestUnitReachingOne)
{
    EXPECT_EQ(ByteMagnitude(0, kd), TUnitSize::usBytes);
    EXPECT_EQ(ByteMagnitude(1023, kd), TUnitSize::usBytes);
    EXPECT_EQ(ByteMagnitude(1024, kd), TUnitSize::usKB);
    EXPECT_EQ(ByteMagnitude(1048575, kd), TUnitSize::usKB);
    EXPECT_EQ(ByteMagnitude(1048576, kd), TUnitSize::usMB);
    EXPECT_EQ(ByteMagnitude(std::int64_t{5} << 30, kd), TUnitSize::usGB);
    EXPECT_EQ(ByteMagnitude(std::int64_t{1} << 40, kd), TUnitSize::usTB);
    EXPECT_EQ(ByteMagnitude(-5, kd), TUnitSize::usBytes);
    EXPECT_EQ(ByteMagnitude(999, TKiloDefinition::kdDecimal), TUnitSize::usBytes);
    EXPECT_EQ(ByteMagnitude(1000, TKiloDefinition::kdDecimal), TUnitSize::usKB);
}

TEST(ByteFormat, BeyondTheLargestUnitIsTheByteFFWithNoText)
{
    const TUnitSize beyond = ByteMagnitude(std::int64_t{1} << 50, kd);
    EXPECT_EQ(static_cast<std::uint8_t>(beyond), 0xFF);
    EXPECT_EQ(ByteUnitAsString(beyond), "");
    EXPECT_EQ(ByteMagnitude((std::int64_t{1} << 50) - 1, kd), TUnitSize::usTB);
    EXPECT_EQ(ByteMagnitude(INT64_MAX, kd), beyond);
}

TEST(ByteFormat, UnitTexts)
{
    EXPECT_EQ(ByteUnitAsString(TUnitSize::usBytes), "Bytes");
    EXPECT_EQ(ByteUnitAsString(TUnitSize::usKB), "KB");
    EXPECT_EQ(ByteUnitAsString(TUnitSize::usMB), "MB");
    EXPECT_EQ(ByteUnitAsString(TUnitSize::usGB), "GB");
    EXPECT_EQ(ByteUnitAsString(TUnitSize::usTB), "TB");
    EXPECT_EQ(ByteUnitAsString(static_cast<TUnitSize>(5)), "");
}

TEST(ByteFormat, ConversionIsUnrounded)
{
    EXPECT_DOUBLE_EQ(BytesToUnits(1536, TUnitSize::usKB, kd), 1.5);
    EXPECT_DOUBLE_EQ(BytesToUnits(1536, TUnitSize::usBytes, kd), 1536.0);
    EXPECT_DOUBLE_EQ(BytesToUnits(13107200, TUnitSize::usMB, kd), 12.5);
    EXPECT_DOUBLE_EQ(BytesToUnits(1000, TUnitSize::usMB, kd), 1000.0 / 1048576.0);
    EXPECT_DOUBLE_EQ(BytesToUnits(std::int64_t{3} << 40, TUnitSize::usTB, kd), 3.0);
    EXPECT_DOUBLE_EQ(BytesToUnits(2500, TUnitSize::usKB, TKiloDefinition::kdDecimal), 2.5);
}

#include "Hexdigit.h"

#include <gtest/gtest.h>

using twsplatform::HexDigitValue;

namespace {

// The digits of both cases, and the characters on each side of each range.
TEST(HexDigit, ValuesOfDigitsInEitherCaseAndNothingElse)
{
    const struct {
        char C;
        int Value;
    } cases[] = {{'0', 0}, {'9', 9}, {'a', 10}, {'f', 15}, {'A', 10}, {'F', 15}, {'c', 12}, {'D', 13},
                 {'/', -1}, {':', -1}, {'`', -1}, {'g', -1}, {'@', -1}, {'G', -1}, {' ', -1}, {'\xB5', -1}};
    for (const auto& c : cases)
        EXPECT_EQ(HexDigitValue(c.C), c.Value) << "character " << int(static_cast<unsigned char>(c.C));
}

TEST(HexDigit, Utf16TextHasTheSameDigitsOnly)
{
    EXPECT_EQ(HexDigitValue(u'7'), 7);
    EXPECT_EQ(HexDigitValue(u'e'), 14);
    EXPECT_EQ(HexDigitValue(u'B'), 11);
    // Digits and letters of other scripts are no hex digits.
    EXPECT_EQ(HexDigitValue(u'\u0661'), -1);
    EXPECT_EQ(HexDigitValue(u'\uFF21'), -1);
    EXPECT_EQ(HexDigitValue(u'\u0141'), -1);
}

}  // namespace

// Whole-string UTF-8 <-> UTF-16, the one pair every COM boundary uses.
#include <gtest/gtest.h>

#include <string>

#include "textconv.h"

TEST(TextConv, ValidTextRoundTripsAndInvalidTextBecomesReplacementCharacters)
{
    struct TCase {
        std::string Utf8;
        std::u16string Utf16;
    };
    const TCase cases[] = {
        {"", u""},
        {"plain ASCII", u"plain ASCII"},
        {"C:\\Program Files\\Tidewash\\TWS.cfg", u"C:\\Program Files\\Tidewash\\TWS.cfg"},
        {"\xC3\xBC\xC3\xB1\xC3\xAF", u"\u00FC\u00F1\u00EF"},
        {"\xE2\x82\xAC 5", u"\u20AC 5"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},  // a surrogate pair
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},  // a zero inside is text too
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(twscom::Utf8ToUtf16(c.Utf8), c.Utf16) << c.Utf8;
        EXPECT_EQ(twscom::Utf16ToUtf8(c.Utf16), c.Utf8) << c.Utf8;
    }

    // A damaged byte costs one replacement and never the text after it.
    EXPECT_EQ(twscom::Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(twscom::Utf8ToUtf16("cut \xE2\x82"), u"cut \uFFFD");
    const char16_t lone[] = {u'x', 0xD800, u'y'};
    EXPECT_EQ(twscom::Utf16ToUtf8(std::u16string_view(lone, 3)), "x\xEF\xBF\xBDy");
}

TEST(TextConv, AZeroTerminatedStringEndsAtItsZeroAndNullIsEmpty)
{
    EXPECT_EQ(twscom::Utf16ToUtf8(static_cast<const char16_t*>(nullptr)), "");
    EXPECT_EQ(twscom::Utf16ToUtf8(u"stops\0here"), "stops");
}

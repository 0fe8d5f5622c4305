// Text across COM interfaces: ANSI to wide and back, BSTRs with zeros,
// task-allocated strings, damaged input, and GUID text. Where the ANSI code
// page is UTF-8 (POSIX), also every character and the damaged input.
#include "Zelcomstrings.h"

#include <gtest/gtest.h>

#include "SysUtils.hpp"

using namespace zelcom;

TEST(ZelcomStrings, AnsiAndWideRoundTripIncludingZeros)
{
    const AnsiString text("C:\\Proj\0x y", 11);
    const OleString wide = AnsiToWide(text);
    EXPECT_EQ(wide, OleString(OLESTR("C:\\Proj\0x y"), 11));
    EXPECT_EQ(WideToAnsi(wide.data(), wide.size()), text);

    BSTR b = AnsiToBSTR(text);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(SysStringLen(b), 11u);
    EXPECT_EQ(BSTRToAnsi(b), text);
    SysFreeString(b);
}

TEST(ZelcomStrings, Utf8AndWideRoundTripIncludingSurrogatePairs)
{
    if (DefaultSystemCodePage != CP_UTF8)
        GTEST_SKIP() << "the ANSI code page is not UTF-8";
    const AnsiString text("C:\\Proj\0é \xF0\x9F\x98\x80", 15);
    const OleString wide = AnsiToWide(text);
    EXPECT_EQ(wide, OleString(OLESTR("C:\\Proj\0é \U0001F600"), 12));
    EXPECT_EQ(WideToAnsi(wide.data(), wide.size()), text);
}

// Written into a kept string, one text after another, or straight into a
// BSTR: each is converted as the returning form converts it, whatever the
// string held before and whether or not each byte is a character.
TEST(ZelcomStrings, ConversionIntoAKeptStringOrABstrGivesTheSameText)
{
    const AnsiString texts[] = {
        "a much longer text written first: *.obj: 1,000 files found in 64 folders",
        "",
        "C:\\Proj\\a.obj",
        AnsiString("x\0y", 3),
        "short",
        "\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80 \xE6\xBC\xA2",
        "a\xFF" "b\xE2\x82",
        "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80",
    };
    OleString into = OLESTR("left over");
    for (const AnsiString& text : texts) {
        AnsiToWide(text, into);
        EXPECT_EQ(into, AnsiToWide(text)) << text;
        BSTR b = AnsiToBSTR(text);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(OleString(b, SysStringLen(b)), AnsiToWide(text)) << text;
        EXPECT_EQ(b[SysStringLen(b)], 0) << text;
        SysFreeString(b);
        // Cut in two anywhere, even inside a character, it is the same text.
        for (std::size_t cut = 0; cut <= text.size(); ++cut) {
            b = AnsiToBSTR(std::string_view(text).substr(0, cut), std::string_view(text).substr(cut));
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(OleString(b, SysStringLen(b)), AnsiToWide(text)) << text << " cut at " << cut;
            SysFreeString(b);
        }
    }
}

TEST(ZelcomStrings, EmptyAndNullAreEmpty)
{
    BSTR empty = AnsiToBSTR("");
    ASSERT_NE(empty, nullptr);  // an empty BSTR, not null
    EXPECT_EQ(SysStringLen(empty), 0u);
    SysFreeString(empty);
    EXPECT_EQ(BSTRToAnsi(nullptr), "");
    EXPECT_EQ(WideToAnsi(nullptr), "");
    EXPECT_EQ(AnsiToWide(""), OLESTR(""));
}

TEST(ZelcomStrings, DamagedTextBecomesReplacementCharacters)
{
    if (DefaultSystemCodePage != CP_UTF8)
        GTEST_SKIP() << "the ANSI code page is not UTF-8";
    EXPECT_EQ(AnsiToWide("a\xFF" "b"), OLESTR("a\uFFFDb"));
    const OLECHAR lone[] = {OLECHAR('x'), OLECHAR(0xD800), OLECHAR('y'), 0};
    EXPECT_EQ(WideToAnsi(lone), "x\xEF\xBF\xBDy");
}

// Names that open files: each is kept exactly or refused, never turned
// into a look-alike. UTF-8 spells every name but a damaged one; a
// single-byte code page cannot spell fullwidth forms, Cyrillic or CJK.
TEST(ZelcomStrings, ExactConversionKeepsTheNameOrRefusesIt)
{
    const bool utf8 = DefaultSystemCodePage == CP_UTF8;
    const OLECHAR lone[] = {OLECHAR('x'), OLECHAR(0xDC00)};
    const struct {
        const char* what;
        OleString wide;
        bool spelledInUtf8;
        const char* lookAlike;  // what a best-fit mapping would give
    } cases[] = {
        {"plain", OLESTR("S:\\inside\\"), true, "S:\\inside\\"},
        {"fullwidth full stops", OLESTR("S:\\inside\\\uFF0E\uFF0E\\"), true, "S:\\inside\\..\\"},
        {"fullwidth letters", OLESTR("S:\\\uFF49\uFF4E\\"), true, "S:\\in\\"},
        {"Cyrillic", OLESTR("S:\\\u041F\u0440\u043E\u0435\u043A\u0442\\"), true, ""},
        {"CJK", OLESTR("S:\\\u5DE5\u7A0B\\"), true, ""},
        {"unpaired surrogate", OleString(lone, 2), false, "x?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AnsiString narrow = "left over";
        const bool kept = WideToAnsiExact(c.wide.data(), c.wide.size(), narrow);
        if (utf8) {
            EXPECT_EQ(kept, c.spelledInUtf8);
        }
        if (kept) {
            EXPECT_EQ(AnsiToWide(narrow), c.wide);
            if (c.wide != AnsiToWide(c.lookAlike)) {
                EXPECT_NE(narrow, c.lookAlike);
            }
        } else {
            EXPECT_EQ(narrow, "");
        }
    }
}

TEST(ZelcomStrings, TaskAllocatedWideStringIsZeroTerminated)
{
    LPWSTR wide = AnsiToCoTaskMemWide("Tideworks Suite (TWS)");
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(OleString(wide), OLESTR("Tideworks Suite (TWS)"));
    CoTaskMemFree(wide);
    wide = AnsiToCoTaskMemWide("");
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide[0], 0);
    CoTaskMemFree(wide);
}

TEST(ZelcomStrings, GuidTextBothWays)
{
    const GUID guid = {0xA1B2C3D4, 0xE5F6, 0x0718, {0x29, 0x3A, 0x4B, 0x5C, 0x6D, 0x7E, 0x8F, 0x90}};
    EXPECT_EQ(GUIDToString(guid), "{A1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}");
    EXPECT_EQ(StringToGUID("{a1b2c3d4-e5f6-0718-293a-4b5c6d7e8f90}"), guid);
    EXPECT_THROW(StringToGUID("A1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90"), EConvertError);
    EXPECT_THROW(StringToGUID(AnsiString("{A1B2C3D4-E5F6-0718-293A-4B5C6D7E8F90}\0x", 40)),
                 EConvertError);
    try {
        StringToGUID("nonsense");
        FAIL();
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.Message(), "Invalid GUID text: nonsense");
    }
}

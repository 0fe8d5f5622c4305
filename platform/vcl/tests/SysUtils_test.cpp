#include "SysUtils.hpp"

#include <algorithm>
#include <gtest/gtest.h>

TEST(SysUtils, IntegerParsesAcceptOnlyWholeIntegers)
{
    EXPECT_EQ(StrToIntDef(" 42 ", 0), 42);
    EXPECT_EQ(StrToIntDef("-7", 0), -7);
    EXPECT_EQ(StrToIntDef("$1F", 0), 31);
    EXPECT_EQ(StrToIntDef("0x10", 0), 16);
    EXPECT_EQ(StrToIntDef("abc", 5), 5);
    EXPECT_EQ(StrToIntDef("12abc", 5), 5);
    EXPECT_EQ(StrToIntDef("", 5), 5);
    EXPECT_EQ(StrToIntDef("-", 5), 5);
    EXPECT_EQ(StrToIntDef("2147483648", 5), 5);  // overflow
    EXPECT_EQ(StrToIntDef("-2147483648", 5), -2147483647 - 1);
    EXPECT_THROW(StrToInt("x"), EConvertError);
}

TEST(SysUtils, FloatTextIsGeneralWithFifteenDigitsAndADot)
{
    EXPECT_EQ(FloatToStr(0.5), "0.5");
    EXPECT_EQ(FloatToStr(-3.0), "-3");
    EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");  // 15 significant digits
    EXPECT_EQ(FloatToStr(1e20), "1E20");
    EXPECT_EQ(FloatToStr(1.5e-5), "1.5E-5");
    double v = 0;
    for (double x : {0.5, 1234.5678, 1e20, 1.5e-5, -2.25}) {
        ASSERT_TRUE(TryStrToFloat(FloatToStr(x), v)) << x;
        EXPECT_DOUBLE_EQ(v, x);
    }
    EXPECT_FALSE(TryStrToFloat("", v));
    EXPECT_FALSE(TryStrToFloat("1,5", v));
    EXPECT_FALSE(TryStrToFloat("nan", v));
    EXPECT_FALSE(TryStrToFloat("++1", v));
}

TEST(SysUtils, DateTimeTextRoundTripsToTheSecond)
{
    const TDateTime epoch = EncodeDate(1899, 12, 30);
    EXPECT_EQ(epoch.Val, 0.0);
    EXPECT_EQ(EncodeDate(1970, 1, 1).Val, 25569.0);
    EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 2, 29)), "2024-02-29");
    const TDateTime t = EncodeDate(2024, 2, 29).Val + EncodeTime(13, 5, 9, 0).Val;
    EXPECT_EQ(DateTimeToStr(t), "2024-02-29 13:05:09");
    TDateTime back;
    ASSERT_TRUE(TryStrToDateTime("2024-02-29 13:05:09", back));
    EXPECT_NEAR(back.Val, t.Val, 1e-9);
    // Before the epoch the fraction counts forward from midnight.
    ASSERT_TRUE(TryStrToDateTime("1899-12-29 06:00:00", back));
    EXPECT_DOUBLE_EQ(back.Val, -1.25);
    EXPECT_EQ(DateTimeToStr(-1.25), "1899-12-29 06:00:00");
    // 23:59:59.7 rounds to the next midnight, not to "24:00:00".
    EXPECT_EQ(DateTimeToStr(EncodeDate(2020, 1, 1).Val + 86399.7 / 86400), "2020-01-02");
    EXPECT_FALSE(TryStrToDateTime("2023-02-29", back));
    EXPECT_FALSE(TryStrToDateTime("2023-01-01 25:00", back));
    EXPECT_FALSE(TryStrToDateTime("01/02/2023", back));
    EXPECT_FALSE(TryStrToDateTime("2023-01-01x", back));
}

TEST(SysUtils, UnixFileTimesAreUtcDays)
{
    EXPECT_DOUBLE_EQ(UnixTimeToDateTime(0).Val, 25569.0);
    EXPECT_DOUBLE_EQ(UnixTimeToDateTime(86400 + 43200).Val, 25570.5);
    EXPECT_EQ(DateTimeToStr(UnixTimeToDateTime(1700000000)), "2023-11-14 22:13:20");
    EXPECT_EQ(DateTimeToStr(UnixTimeToDateTime(-2209161600LL - 86400 + 3600)), "1899-12-29 01:00:00");
}

TEST(SysUtils, CaseFoldingCoversNonAsciiLettersAndLeavesBadBytes)
{
    EXPECT_TRUE(SameText("*.OBJ", "*.obj"));
    EXPECT_TRUE(SameText("ÄRGER", "ärger"));
    EXPECT_TRUE(SameText("ŁÓDŹ", "łódź"));
    EXPECT_TRUE(SameText("ПРИВЕТ", "привет"));
    EXPECT_FALSE(SameText("a", "b"));
    EXPECT_LT(CompareText("abc", "ABD"), 0);
    EXPECT_GT(CompareText("abcd", "ABC"), 0);
    EXPECT_EQ(UpperCase("straße ÿ"), "STRAßE Ÿ");
    const AnsiString bad = "a\xff\xfeZ";
    EXPECT_EQ(LowerCase(bad), "a\xff\xfez");
    EXPECT_TRUE(SameText(bad, "A\xff\xfez"));
}

// Every pair of these texts: the keys agree exactly when SameText does, and
// CompareText orders them the same way round both ways.
TEST(SysUtils, SameTextKeysAgreeWithSameText)
{
    const AnsiString texts[] = {"",        "a",         "A",          "b",        "*.OBJ",      "*.obj",
                                "*.ob",    "Files/Excluded", "files/excluded", "ÄRGER", "ärger", "ärgeR",
                                "ŁÓDŹ",    "łódź",      "ПРИВЕТ",     "привет",   "\xc9",       "É",
                                "é",       "e",         "a\xff\xfeZ",  "A\xff\xfez", "a\xff",      "\xc3",
                                "Ÿ",       "ÿ",         "İ",          "i",        "ı",          "Z",
                                "[",       "z{"};
    for (const AnsiString& a : texts)
        for (const AnsiString& b : texts) {
            EXPECT_EQ(SameTextKey(a) == SameTextKey(b), SameText(a, b)) << a << " | " << b;
            EXPECT_EQ(CompareText(a, b), -CompareText(b, a)) << a << " | " << b;
        }
    EXPECT_TRUE(SameText("\xc9", "é"));  // a stray byte reads as the letter of its value
    EXPECT_GT(CompareText("Z", "["), 0);  // letters compare lowered: z after [
    EXPECT_LT(CompareText("z", "é"), 0);
}

TEST(SysUtils, TrimDropsBlanksAtEitherEndOnly)
{
    const std::pair<AnsiString, AnsiString> cases[] = {
        {"", ""}, {" \t\r\n", ""}, {"x", "x"}, {" x", "x"}, {"x ", "x"}, {"\x01" "a b\x7f ", "a b\x7f"}};
    for (const auto& [text, trimmed] : cases) {
        EXPECT_EQ(Trim(text), trimmed) << text;
        EXPECT_EQ(TrimLeft(TrimRight(text)), trimmed) << text;
    }
}

TEST(SysUtils, PathHelpers)
{
    // Written with "/"; each "/" becomes the platform's separator.
    const auto p = [](std::string path) {
        std::replace(path.begin(), path.end(), '/', PathDelim);
        return path;
    };
    EXPECT_EQ(IncludeTrailingPathDelimiter(p("/a/b")), p("/a/b/"));
    EXPECT_EQ(IncludeTrailingPathDelimiter(p("/a/b/")), p("/a/b/"));
    EXPECT_EQ(ExcludeTrailingPathDelimiter(p("/a/b/")), p("/a/b"));
    EXPECT_EQ(ExcludeTrailingPathDelimiter(p("/")), p("/"));
    EXPECT_EQ(ExtractFilePath(p("/a/b/c.txt")), p("/a/b/"));
    EXPECT_EQ(ExtractFileName(p("/a/b/c.txt")), "c.txt");
    EXPECT_EQ(Trim(" \t x y \n"), "x y");
}

#include "Zelconvert.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "IniFiles.hpp"
#include "TempFolder.h"

using namespace zelcore;

TEST(Zelconvert, StringsConvertUnchanged)
{
    for (const AnsiString s : {"", "a=b", " padded ", "C:\\Work\\Lib=1,C:\\Temp=0", "\"q\""}) {
        EXPECT_EQ(ConvertToString(s), s);
        AnsiString back = "junk";
        ConvertFromString(ConvertToString(s), &back);
        EXPECT_EQ(back, s);
    }
}

TEST(Zelconvert, OtherTypesRoundTrip)
{
    int i = 0;
    ConvertFromString(ConvertToString(-42), &i);
    EXPECT_EQ(i, -42);
    double d = 0;
    ConvertFromString(ConvertToString(2.75), &d);
    EXPECT_EQ(d, 2.75);
    bool b = false;
    EXPECT_EQ(ConvertToString(true), "True");
    ConvertFromString("True", &b);
    EXPECT_TRUE(b);
    EXPECT_THROW(ConvertFromString("maybe", &b), EConvertError);
    TDateTime t;
    ConvertFromString(ConvertToString(TDateTime(45000.5)), &t);
    EXPECT_DOUBLE_EQ(t.Val, 45000.5);
    TStringListAdaptor list(std::deque<AnsiString>{"a b", "c"});
    EXPECT_EQ(ConvertToString(list), "\"a b\",c");
    TStringListAdaptor back;
    ConvertFromString(ConvertToString(list), &back);
    EXPECT_TRUE(back == list);
}

// What QuoteCommaText makes of a comma text, stored as an INI value and read
// back, must be that comma text again.
TEST(Zelconvert, QuotedCommaTextSurvivesARealIniFile)
{
    const twstesting::TTempFolder folder;
    const auto path = (folder / "quote.ini").string();
    const std::vector<std::deque<AnsiString>> lists = {
        {},
        {""},
        {"*.map", "*.dsk", "*.obj", "*.csm", "*.tds", "*.il*", "*.~*", "*.#*", "*.bak"},
        {"C:\\Work\\Lib=1", "C:\\Temp=0"},
        {"\"starts and ends with a quote\""},
        {" a b ", "c,d", "e\"f", ""},
        {"ünï", "x"},
    };
    TIniFile ini(path);
    for (const auto& items : lists) {
        const AnsiString comma = ConvertToString(TStringListAdaptor(items));
        ini.WriteString("S", "k", QuoteCommaText(comma));
        const AnsiString read = ini.ReadString("S", "k", "missing");
        EXPECT_EQ(read, comma);
        TStringListAdaptor back;
        back->SetCommaText(read);
        EXPECT_TRUE(back == TStringListAdaptor(items)) << comma;
    }
    // A comma text that itself begins and ends with a double quote.
    ini.WriteString("S", "k", QuoteCommaText("\"a\",\"b\""));
    EXPECT_EQ(ini.ReadString("S", "k", ""), "\"a\",\"b\"");
}

TEST(Zelconvert, AdaptorCopiesAreDeep)
{
    TStringListAdaptor a(std::deque<AnsiString>{"x"});
    TStringListAdaptor b = a;
    b->Add("y");
    EXPECT_EQ(a->Count(), 1);
    a = std::deque<AnsiString>{"p", "q"};
    EXPECT_EQ(a->CommaText(), "p,q");
    b = a;
    EXPECT_TRUE(b == a);
}

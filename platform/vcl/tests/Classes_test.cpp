#include "Classes.hpp"

#include <filesystem>
#include <gtest/gtest.h>

#include "TempFolder.h"

namespace {

TStringList Items(std::initializer_list<const char*> items)
{
    TStringList list;
    for (auto* s : items)
        list.Add(s);
    return list;
}

std::vector<AnsiString> All(const TStrings& list)
{
    std::vector<AnsiString> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(list[i]);
    return out;
}

}  // namespace

TEST(CommaText, QuotesOnlyWhatNeedsIt)
{
    EXPECT_EQ(Items({"a", "b c", "d,e", "f\"g", "", "h"}).CommaText(),
              "a,\"b c\",\"d,e\",\"f\"\"g\",,h");
    EXPECT_EQ(Items({}).CommaText(), "");
    EXPECT_EQ(Items({""}).CommaText(), "\"\"");
    EXPECT_EQ(Items({"tab\there"}).CommaText(), "\"tab\there\"");
}

TEST(CommaText, RoundTripsAwkwardItems)
{
    const std::vector<std::vector<AnsiString>> cases = {
        {"a b", "c"},
        {" lead", "trail ", "  "},
        {"\"", "\"\"", "x\"y"},
        {"", "", ""},
        {"", "x"},
        {"x", ""},
        {""},
        {"C:\\Work\\Lib=1", "C:\\Temp=0"},
        {"/home/ann/My Projects, old/\"quoted\"/", "/srv/ünïcödé"},
        {"line\nfeed"},
    };
    for (const auto& items : cases) {
        TStringList list;
        for (const auto& s : items)
            list.Add(s);
        TStringList back;
        back.SetCommaText(list.CommaText());
        EXPECT_EQ(All(back), items) << list.CommaText();
    }
}

TEST(CommaText, BlanksOutsideQuotesSeparateItems)
{
    TStringList list;
    list.SetCommaText("a b,  c ,\"d e\"f, ,g");
    EXPECT_EQ(All(list), (std::vector<AnsiString>{"a", "b", "c", "d ef", "", "g"}));
    list.SetCommaText("   ");
    EXPECT_EQ(list.Count(), 0);
    list.SetCommaText("a,");
    EXPECT_EQ(All(list), (std::vector<AnsiString>{"a", ""}));
    list.SetCommaText("\"unterminated");
    EXPECT_EQ(All(list), (std::vector<AnsiString>{"unterminated"}));
}

// Items end at a comma or at a byte up to the space wherever it falls in
// an eight-byte word (first, last, across words, in the tail); '!', DEL
// and bytes from 0x80 up belong to the item.
TEST(CommaText, ItemsEndAtEachSeparatorWhereverItFalls)
{
    const struct {
        const char* text;
        std::vector<AnsiString> items;
    } cases[] = {
        {"abcdefghijklmnop,q", {"abcdefghijklmnop", "q"}},
        {"0123456,89abcdef", {"0123456", "89abcdef"}},
        {"01234567,9abcdefgh", {"01234567", "9abcdefgh"}},
        {"abcdefgh\tijklmnopq rstuvwxyz!", {"abcdefgh", "ijklmnopq", "rstuvwxyz!"}},
        {"\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9,!#$%&'()*+-./\x7f\x1fz",
         {"\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9", "!#$%&'()*+-./\x7f", "z"}},
        {"a\x01" "b\x1f\x20" "c\x21\x2b\x2c\x2d", {"a", "b", "c!+", "-"}},
        {"/srv/a\"b/very/long/folder/name=1,/x=0", {"/srv/a\"b/very/long/folder/name=1", "/x=0"}},
    };
    for (const auto& c : cases) {
        TStringList list;
        list.SetCommaText(c.text);
        EXPECT_EQ(All(list), c.items) << c.text;
    }
}

TEST(StringList, NamesValuesAndCaseInsensitiveLookup)
{
    auto list = Items({"Alpha=1", "beta=2=3", "noequals", "ALPHA=9"});
    EXPECT_EQ(list.IndexOf("NOEQUALS"), 2);
    EXPECT_EQ(list.Names(1), "beta");
    EXPECT_EQ(list.ValueFromIndex(1), "2=3");
    EXPECT_EQ(list.Names(2), "");
    EXPECT_EQ(list.Values("alpha"), "1");  // the first line of that name wins
    EXPECT_EQ(list.Values("missing"), "");
    list.SetValue("ALPHA", "5");
    EXPECT_EQ(list[0], "ALPHA=5");
    list.SetValue("alpha", "");
    EXPECT_EQ(list.Values("alpha"), "9");
}

TEST(StringList, IndexErrorsCarryAClearMessage)
{
    auto list = Items({"a"});
    try {
        list.Delete(3);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (3)");
    }
    EXPECT_THROW(list.Get(-1), EStringListError);
    EXPECT_THROW(list.Insert(2, "x"), EStringListError);
    list.Insert(1, "b");
    EXPECT_EQ(All(list), (std::vector<AnsiString>{"a", "b"}));
}

TEST(StringList, SortedListKeepsOrderAndFindsIgnoringCase)
{
    TStringList list;
    list.SetSorted(true);
    for (auto* s : {"delta", "Bravo", "alpha", "charlie", "BRAVO"})
        list.Add(s);
    EXPECT_EQ(All(list), (std::vector<AnsiString>{"alpha", "Bravo", "charlie", "delta"}));
    EXPECT_EQ(list.IndexOf("CHARLIE"), 2);
    EXPECT_EQ(list.IndexOf("echo"), -1);
    EXPECT_THROW(list.Insert(0, "x"), EStringListError);
    list.SetDuplicates(TDuplicates::dupError);
    EXPECT_THROW(list.Add("ALPHA"), EStringListError);
}

TEST(StringList, FileRoundTripReadsCrLf)
{
    const twstesting::TTempFolder folder("tws_strings");
    const auto path = folder / "strings.txt";
    auto list = Items({"one", "", "three"});
    list.SaveToFile(path.string());
    TStringList back;
    back.LoadFromFile(path.string());
    EXPECT_EQ(All(back), All(list));
    {
        TFileStream f(path.string(), fmCreate);
        f.WriteBuffer("x\r\ny\r\n", 6);
    }
    back.LoadFromFile(path.string());
    EXPECT_EQ(All(back), (std::vector<AnsiString>{"x", "y"}));
    std::filesystem::remove(path);
    EXPECT_THROW(back.LoadFromFile(path.string()), EFOpenError);
}

TEST(Streams, FileStreamErrorsNameTheFile)
{
    try {
        TFileStream f("/nonexistent-dir/x.html", fmCreate);
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_NE(e.Message().find("/nonexistent-dir/x.html"), AnsiString::npos);
    }
    EXPECT_THROW(TFileStream("/nonexistent-dir/y", fmOpenRead), EFOpenError);
}

TEST(Streams, StringStreamReadsBackWhatWasWritten)
{
    TStringStream s;
    s.WriteBuffer("hello", 5);
    s.WriteBuffer("\0world", 6);
    EXPECT_EQ(s.DataString(), AnsiString("hello\0world", 11));
    s.SetPosition(0);
    char buf[5];
    s.ReadBuffer(buf, 5);
    EXPECT_EQ(AnsiString(buf, 5), "hello");
    EXPECT_EQ(s.Size(), 11);
    s.SetPosition(11);
    EXPECT_THROW(s.ReadBuffer(buf, 1), EReadError);
}

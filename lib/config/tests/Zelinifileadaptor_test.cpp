// TIniFileAdaptor: what each type looks like in the file, what reads fall
// back to, whole sections, and the rules of a closed adaptor.
#include "TempFolder.h"
#include "Zelinifileadaptor.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "AtomicFile.hpp"
#include "Zelconvert.h"

using namespace zelconfig;
namespace fs = std::filesystem;

namespace {

class IniAdaptor : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = (dir / "a.ini").string();
    }

    AnsiString Contents() const
    {
        AnsiString s;
        vcl::ReadWholeFile(path, s);
        return s;
    }
    void Put(const AnsiString& text) const { vcl::AtomicReplaceFile(path, text); }

    twstesting::TTempFolder folder;
    const fs::path dir = folder.Path();
    AnsiString path;
};

}  // namespace

TEST_F(IniAdaptor, OpenCloseLifecycle)
{
    TIniFileAdaptor a(path, "");
    EXPECT_FALSE(a.IsOpen());
    EXPECT_FALSE(a.Close());
    EXPECT_TRUE(a.Open());
    EXPECT_TRUE(a.Open());  // opening again starts over, still open
    EXPECT_TRUE(a.IsOpen());
    EXPECT_TRUE(a.Close());
    EXPECT_FALSE(a.IsOpen());
    EXPECT_FALSE(fs::exists(path));  // opening alone writes nothing
}

TEST_F(IniAdaptor, ClosedAdaptorReadsDefaultsAndWritesNothing)
{
    Put("[S]\nI=5\nD=2.5\nT=2024-01-02\nB=1\nText=stored\nM=\"x,y\"\n");
    const AnsiString before = Contents();
    TIniFileAdaptor a(path, "");  // never opened
    TIniFileAdaptor b(path, "");
    b.Open();
    b.Close();  // opened and closed again
    for (TIniFileAdaptor* closed : {&a, &b}) {
        int i = 0;
        closed->ReadInteger("S", "I", 7, i);
        EXPECT_EQ(i, 7);
        double d = 0;
        closed->ReadDouble("S", "D", 1.5, d);
        EXPECT_EQ(d, 1.5);
        TDateTime t;
        closed->ReadDateTime("S", "T", TDateTime(3.0), t);
        EXPECT_EQ(t.Val, 3.0);
        bool flag = false;
        closed->ReadBool("S", "B", false, flag);
        EXPECT_FALSE(flag);
        AnsiString s;
        closed->ReadString("S", "Text", "dflt", s);
        EXPECT_EQ(s, "dflt");
        TStringListAdaptor m;
        closed->ReadMultiString("S", "M", TStringListAdaptor({"d"}), m);
        EXPECT_EQ(m->CommaText(), "d");
        TStringListAdaptor values({"kept=1"});
        closed->ReadSectionValues("S", TStringListAdaptor({"dflt=1"}), values);
        EXPECT_EQ(values->CommaText(), "kept=1");  // untouched, not even the defaults

        closed->WriteInteger("S", "I", 1);
        closed->WriteDouble("S", "D", 1);
        closed->WriteDateTime("S", "T", TDateTime(1));
        closed->WriteBool("S", "B", false);
        closed->WriteString("S", "Text", "new");
        closed->WriteMultiString("S", "M", TStringListAdaptor({"z"}));
        closed->WriteSectionValues("S", TStringListAdaptor());
        EXPECT_EQ(Contents(), before);
    }
    TIniFileAdaptor never(path + ".none", "");
    never.WriteString("S", "K", "v");
    EXPECT_FALSE(fs::exists(path + ".none"));
}

TEST_F(IniAdaptor, TypedTextsAndFallbacks)
{
    TIniFileAdaptor a(path, "");
    a.Open();
    a.WriteInteger("S", "I", -42);
    a.WriteDouble("S", "D", 0.25);
    a.WriteDateTime("S", "T", TDateTime(45000.5));
    a.WriteBool("S", "B", true);
    a.WriteBool("S", "F", false);
    a.WriteString("S", "Text", "a b");
    EXPECT_EQ(Contents(), "[S]\nI=-42\nD=0.25\nT=2023-03-15 12:00:00\nB=1\nF=0\nText=a b\n");

    int i = 0;
    a.ReadInteger("S", "I", 0, i);
    EXPECT_EQ(i, -42);
    double d = 0;
    a.ReadDouble("S", "D", 0, d);
    EXPECT_EQ(d, 0.25);
    TDateTime t;
    a.ReadDateTime("S", "T", TDateTime(), t);
    EXPECT_DOUBLE_EQ(t.Val, 45000.5);

    Put("[S]\nTwo=2\nWord=abc\nEmpty=\nNum=12x\n");
    bool flag = false;
    a.ReadBool("S", "Two", false, flag);
    EXPECT_TRUE(flag);
    a.ReadBool("S", "Word", true, flag);
    EXPECT_TRUE(flag);
    a.ReadBool("S", "Word", false, flag);
    EXPECT_FALSE(flag);
    a.ReadInteger("S", "Num", 5, i);
    EXPECT_EQ(i, 5);
    a.ReadDouble("S", "Empty", 1.5, d);
    EXPECT_EQ(d, 1.5);
    a.ReadDateTime("S", "Word", TDateTime(2.0), t);
    EXPECT_EQ(t.Val, 2.0);
    AnsiString s = "stale";
    a.ReadString("S", "Missing", "dflt", s);
    EXPECT_EQ(s, "dflt");
    a.ReadString("s", "empty", "dflt", s);  // INI lookups ignore case
    EXPECT_EQ(s, "");
}

TEST_F(IniAdaptor, PrefixNamesTheSection)
{
    TIniFileAdaptor a(path, "Files/");
    a.Open();
    a.WriteString("Excluded", "*.obj", "x");
    EXPECT_EQ(Contents(), "[Files/Excluded]\n*.obj=x\n");
    AnsiString s;
    a.ReadString("Excluded", "*.obj", "", s);
    EXPECT_EQ(s, "x");
}

TEST_F(IniAdaptor, MultiStringsAreQuotedCommaText)
{
    TIniFileAdaptor a(path, "");
    a.Open();
    const TStringListAdaptor list({"a b", "c"});
    a.WriteMultiString("S", "M", list);
    EXPECT_EQ(Contents(), "[S]\nM=" + zelcore::QuoteCommaText("\"a b\",c") + "\n");
    TStringListAdaptor back;
    a.ReadMultiString("S", "M", TStringListAdaptor(), back);
    EXPECT_TRUE(back == list);

    a.ReadMultiString("S", "Missing", TStringListAdaptor({"x y", "z"}), back);
    EXPECT_TRUE(back == TStringListAdaptor({"x y", "z"}));

    a.WriteMultiString("S", "Empty", TStringListAdaptor());
    a.ReadMultiString("S", "Empty", TStringListAdaptor({"d"}), back);
    EXPECT_EQ(back->Count(), 0);
}

TEST_F(IniAdaptor, SectionValues)
{
    Put("[Keep]\nk=1\n\n[P/S]\nb=2\nA=1\n");
    TIniFileAdaptor a(path, "P/");
    a.Open();
    TStringListAdaptor values;
    a.ReadSectionValues("S", TStringListAdaptor({"x=9"}), values);
    EXPECT_EQ(values->CommaText(), "b=2,A=1");
    TStringListAdaptor missing;
    a.ReadSectionValues("Nope", TStringListAdaptor({"x=9", "y"}), missing);
    EXPECT_TRUE(missing == TStringListAdaptor({"x=9", "y"}));

    // Replaces the section; for a repeated name the first line's value wins.
    a.WriteSectionValues("S", TStringListAdaptor({"c=3", "d=4", "C=5"}));
    EXPECT_EQ(Contents(), "[Keep]\nk=1\n\n[P/S]\nc=3\nd=4\n");

    a.WriteSectionValues("S", TStringListAdaptor());
    EXPECT_EQ(Contents(), "[Keep]\nk=1\n");
}

TEST_F(IniAdaptor, StorageErrorsPassThrough)
{
    TIniFileAdaptor a((dir / "no" / "such" / "folder.ini").string(), "");
    a.Open();
    EXPECT_THROW(a.WriteString("S", "K", "v"), Exception);
    TIniFileAdaptor b(path, "");
    b.Open();
    EXPECT_THROW(b.WriteString("S", "K", "line\nbreak"), EIniFileException);
}

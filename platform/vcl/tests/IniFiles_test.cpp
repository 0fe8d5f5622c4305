#include "IniFiles.hpp"

#include <filesystem>
#include <functional>
#include <vector>
#include <gtest/gtest.h>

#include "IniFileFixture.h"
#include "SysUtils.hpp"

TEST_F(IniFile, MissingFileReadsAsEmpty)
{
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("A", "k", "dflt"), "dflt");
    TStringList values;
    values.Add("stale");
    ini.ReadSectionValues("A", &values);
    EXPECT_EQ(values.Count(), 0);
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(IniFile, KeysAndSectionsKeepTheirOrderAndUpdateInPlace)
{
    TIniFile ini(path);
    ini.WriteString("Files", "ActiveMasks", "x");
    ini.WriteBool("Files", "DeleteHidden", false);
    ini.WriteString("Volumes", "Excluded", "\"\"");
    EXPECT_EQ(Contents(), "[Files]\nActiveMasks=x\nDeleteHidden=0\n\n[Volumes]\nExcluded=\"\"\n");
    ini.WriteString("files", "ACTIVEMASKS", "y");  // found ignoring case, kept as written
    ini.WriteString("Files", "New", "1");         // goes after the last key of the section
    ini.WriteString("Files/Excluded", "*.obj", "z");
    EXPECT_EQ(Contents(), "[Files]\nActiveMasks=y\nDeleteHidden=0\nNew=1\n\n[Volumes]\nExcluded=\"\"\n"
                          "\n[Files/Excluded]\n*.obj=z\n");
}

TEST_F(IniFile, ReadsTrimAndDropOnePairOfQuotes)
{
    Put("; comment\r\n[S]\r\n  key  =  \"\"a\",b\"  \r\nplain= x y \r\nq=\"\r\nodd line\r\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("s", "KEY", ""), "\"a\",b");
    EXPECT_EQ(ini.ReadString("S", "plain", ""), "x y");
    EXPECT_EQ(ini.ReadString("S", "q", ""), "\"");
    EXPECT_EQ(TMemIniFile("x.ini", "[S]\nk= \"\" \nj=\" \" \n").ReadString("S", "k", "-"), "");
    EXPECT_EQ(TMemIniFile("x.ini", "[S]\nj=\" \" \n").ReadString("S", "j", "-"), " ");
    TStringList values;
    ini.ReadSectionValues("S", &values);
    EXPECT_EQ(values.CommaText(), "\"key=\"\"a\"\",b\",\"plain=x y\",\"q=\"\"\"");
    // A write keeps the comment, the stray line and the CRLF line ends.
    ini.WriteString("S", "plain", "z");
    EXPECT_EQ(Contents(), "; comment\r\n[S]\r\n  key  =  \"\"a\",b\"  \r\nplain=z\r\nq=\"\r\nodd line\r\n");
}

TEST_F(IniFile, TypedReadsFallBackToTheDefault)
{
    Put("[T]\nint=12\nhex=$10\nbad=12x\nbool2=2\nbool0=0\nboolabc=abc\nfloat=2.5\nempty=\n"
        "date=2024-01-02 03:04:05\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("T", "int", 7), 12);
    EXPECT_EQ(ini.ReadInteger("T", "hex", 7), 16);
    EXPECT_EQ(ini.ReadInteger("T", "bad", 7), 7);
    EXPECT_EQ(ini.ReadInteger("T", "missing", 7), 7);
    EXPECT_TRUE(ini.ReadBool("T", "bool2", false));
    EXPECT_FALSE(ini.ReadBool("T", "bool0", true));
    EXPECT_TRUE(ini.ReadBool("T", "boolabc", true));
    EXPECT_FALSE(ini.ReadBool("T", "boolabc", false));
    EXPECT_DOUBLE_EQ(ini.ReadFloat("T", "float", 0), 2.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("T", "empty", 1.5), 1.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("T", "bad", 1.5), 1.5);
    EXPECT_EQ(DateTimeToStr(ini.ReadDateTime("T", "date", 0)), "2024-01-02 03:04:05");
    EXPECT_DOUBLE_EQ(ini.ReadDateTime("T", "empty", 3.0).Val, 3.0);
}

TEST_F(IniFile, EraseSectionAndRewriteMovesItToTheEnd)
{
    TIniFile ini(path);
    ini.WriteString("A", "a", "1");
    ini.WriteString("B", "b", "2");
    ini.WriteString("C", "c", "3");
    ini.EraseSection("b");
    EXPECT_EQ(Contents(), "[A]\na=1\n\n[C]\nc=3\n");
    ini.EraseSection("C");
    ini.WriteString("B", "b", "4");
    EXPECT_EQ(Contents(), "[A]\na=1\n\n[B]\nb=4\n");
    ini.DeleteKey("A", "a");
    EXPECT_TRUE(ini.SectionExists("a"));
    EXPECT_FALSE(ini.ValueExists("A", "a"));
}

TEST_F(IniFile, RefusesTextThatWouldBreakTheFile)
{
    TIniFile ini(path);
    ini.WriteString("S", "k", "v");
    EXPECT_THROW(ini.WriteString("S", "k", "two\nlines"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S", "a=b", "v"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S]", "k", "v"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S", "[k", "v"), EIniFileException);
    EXPECT_EQ(Contents(), "[S]\nk=v\n");
}

// Many changes in memory reach the file as one replacement that keeps what
// the writer does not know: comments, other sections, CRLF line ends.
TEST_F(IniFile, MemIniFileWritesEverythingOnceAndKeepsTheRest)
{
    Put("; comment\r\n[Other]\r\nx=1\r\n[S]\r\nk=v\r\n");
    TMemIniFile mem(path);
    mem.WriteString("S", "k", "w");
    mem.WriteString("T", "n", "1");
    mem.EraseSection("Other");
    EXPECT_EQ(Contents(), "; comment\r\n[Other]\r\nx=1\r\n[S]\r\nk=v\r\n");  // nothing yet
    EXPECT_EQ(mem.ReadString("T", "n", ""), "1");
    mem.UpdateFile();
    EXPECT_EQ(Contents(), "; comment\r\n[S]\r\nk=w\r\n\r\n[T]\r\nn=1\r\n");
}

// Saving what was read gives text that reads back the same and saves as
// itself; stray carriage returns before a line end (a fuzzer's find) made
// every save drop one more of them.
TEST(MemIniFileText, SavedTextIsStable)
{
    const struct {
        const char* text;
        const char* saved;
    } cases[] = {
        {"[A]\n[ BC]BC]\r\n=eipty]\r\r\n", "[A]\n[ BC]BC]\n=eipty]\n"},
        {"[S]\r\nk=v\r\r\r\n; c\r\n", "[S]\r\nk=v\r\n; c\r\n"},
        {"[S]\nk=a\rb\n", "[S]\nk=a\rb\n"},
        {"[S]\nk=v", "[S]\nk=v\n"},
    };
    for (const auto& c : cases) {
        TMemIniFile first("x.ini", c.text);
        EXPECT_EQ(first.Text(), c.saved) << c.text;
        TMemIniFile second("x.ini", first.Text());
        EXPECT_EQ(second.Text(), first.Text()) << c.text;
        TStringList a, b;
        first.ReadSectionValues("S", &a);
        second.ReadSectionValues("S", &b);
        EXPECT_EQ(a.Text(), b.Text()) << c.text;
    }
}

// Adding an empty section and moving one to the end keep every line of the
// sections moved (comments, unknown keys) and one blank line between them.
TEST(MemIniFile, AddSectionAndMoveSectionToEnd)
{
    struct Case {
        const char* Name;
        const char* Before;
        void (TMemIniFile::*Change)(const AnsiString&);
        const char* Section;
        const char* After;
    };
    const Case cases[] = {
        {"add to a file", "[A]\nk=1\n", &TMemIniFile::AddSection, "B", "[A]\nk=1\n\n[B]\n"},
        {"add what is there", "[A]\nk=1\n\n[b]\n", &TMemIniFile::AddSection, "B", "[A]\nk=1\n\n[b]\n"},
        {"add to nothing", "", &TMemIniFile::AddSection, "B", "[B]\n"},
        {"move the first", "[V]\n; why\nx=1\n\n[A]\nk=1\n\n[B]\nj=2\n\n", &TMemIniFile::MoveSectionToEnd, "v",
         "[A]\nk=1\n\n[B]\nj=2\n\n[V]\n; why\nx=1\n"},
        {"move the last", "[A]\nk=1\n\n[V]\nx=1\n", &TMemIniFile::MoveSectionToEnd, "V", "[A]\nk=1\n\n[V]\nx=1\n"},
        {"move a missing one", "[A]\nk=1\n", &TMemIniFile::MoveSectionToEnd, "V", "[A]\nk=1\n"},
    };
    for (const Case& c : cases) {
        TMemIniFile ini("unused.ini", c.Before);
        (ini.*c.Change)(c.Section);
        EXPECT_EQ(ini.Text(), c.After) << c.Name;
    }
    TMemIniFile ini("unused.ini", "");
    EXPECT_THROW(ini.AddSection("a]b"), EIniFileException);
}

// Lookups are answered from an index of the copy: each case reads every key
// first (so the index exists), changes the copy, and reads again; what is
// read must be what the changed text says, first section and first key of
// a name winning, letter case ignored.
TEST(MemIniFile, LookupsFollowEveryChange)
{
    struct Read {
        const char* Section;
        const char* Key;
        const char* Value;  // nullptr: missing
    };
    struct Case {
        const char* Name;
        const char* Before;
        std::function<void(TMemIniFile&)> Change;
        std::vector<Read> Reads;
    };
    const Case cases[] = {
        {"new key shifts the sections after it", "[A]\nk=1\n\n[B]\nj=2\n",
         [](TMemIniFile& ini) { ini.WriteString("a", "n", "5"); },
         {{"A", "k", "1"}, {"A", "N", "5"}, {"B", "j", "2"}, {"B", "n", nullptr}}},
        {"new section", "[A]\nk=1", [](TMemIniFile& ini) { ini.WriteString("C", "x", "9"); },
         {{"A", "k", "1"}, {"c", "X", "9"}}},
        {"updated key", "[A]\nk=1\nj=2\n", [](TMemIniFile& ini) { ini.WriteString("A", "K", "3"); },
         {{"A", "k", "3"}, {"A", "j", "2"}}},
        {"deleted key uncovers the next of its name", "[A]\nK=1\nk=2\nj=3\n",
         [](TMemIniFile& ini) { ini.DeleteKey("A", "k"); }, {{"A", "k", "2"}, {"A", "j", "3"}}},
        {"only the first section of a name counts", "[A]\nk=1\n[a]\nk=2\nj=3\n",
         [](TMemIniFile& ini) { ini.DeleteKey("A", "k"); }, {{"A", "k", nullptr}, {"A", "j", nullptr}}},
        {"erased section, all of its name", "[A]\nk=1\n[B]\nj=2\n[a]\nk=3\n",
         [](TMemIniFile& ini) { ini.EraseSection("a"); }, {{"A", "k", nullptr}, {"B", "j", "2"}}},
        {"moved section", "[A]\nk=1\n[B]\nj=2\n", [](TMemIniFile& ini) { ini.MoveSectionToEnd("A"); },
         {{"A", "k", "1"}, {"B", "j", "2"}, {"B", "k", nullptr}}},
        {"added section then key", "[A]\nk=1\n",
         [](TMemIniFile& ini) {
             ini.AddSection("B");
             ini.WriteString("B", "j", "2");
         },
         {{"A", "k", "1"}, {"B", "j", "2"}}},
        {"blank lines before headers", "[A]\nk=1\n[B]\nj=2\n",
         [](TMemIniFile& ini) {
             ini.InsertBlankLineBeforeHeaders();
             ini.WriteString("A", "n", "5");
         },
         {{"A", "k", "1"}, {"A", "n", "5"}, {"B", "j", "2"}}},
        {"letters beyond ASCII", "[Ä]\nÖ=1\n", [](TMemIniFile& ini) { ini.WriteString("ä", "ü", "2"); },
         {{"ä", "ö", "1"}, {"Ä", "Ü", "2"}}},
        {"headers and keys with blanks", "  [ A ]  \n  k  = 1 \n[B]x\n", [](TMemIniFile&) {},
         {{"A", "k", "1"}, {" A ", "k", nullptr}, {"B", "x", nullptr}}},
    };
    for (const Case& c : cases) {
        TMemIniFile ini("unused.ini", c.Before);
        for (const Read& r : c.Reads)
            ini.ReadString(r.Section, r.Key, AnsiString());
        c.Change(ini);
        for (const Read& r : c.Reads) {
            EXPECT_EQ(ini.ReadString(r.Section, r.Key, "(none)"), r.Value ? r.Value : "(none)")
                << c.Name << ": " << r.Section << " " << r.Key;
            EXPECT_EQ(ini.ValueExists(r.Section, r.Key), r.Value != nullptr) << c.Name << ": " << r.Key;
        }
        // A fresh copy of the changed text reads the same.
        TMemIniFile again("unused.ini", ini.Text());
        for (const Read& r : c.Reads)
            EXPECT_EQ(again.ReadString(r.Section, r.Key, "(none)"), ini.ReadString(r.Section, r.Key, "(none)"))
                << c.Name << ": " << r.Key;
    }
    // A key without a name reads, but is no key: ReadSection leaves it out.
    TMemIniFile unnamed("unused.ini", "[A]\n=x\n");
    EXPECT_EQ(unnamed.ReadString("A", "", "(none)"), "x");
    EXPECT_FALSE(unnamed.ValueExists("A", ""));
    EXPECT_TRUE(unnamed.SectionExists("a"));
    EXPECT_FALSE(unnamed.SectionExists("B"));
}

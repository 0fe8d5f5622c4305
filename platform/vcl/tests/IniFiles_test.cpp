#include "IniFiles.hpp"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "AtomicFile.hpp"
#include "SysUtils.hpp"

namespace fs = std::filesystem;

namespace {

class IniFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("tws_ini_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = (dir / "test.ini").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    AnsiString Contents() const
    {
        AnsiString s;
        vcl::ReadWholeFile(path, s);
        return s;
    }
    void Put(const AnsiString& text) const { vcl::AtomicReplaceFile(path, text); }

    fs::path dir;
    AnsiString path;
};

}  // namespace

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

TEST_F(IniFile, WriteErrorsReachTheCaller)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write anywhere";
    TIniFile ini(path);
    ini.WriteString("S", "k", "v");
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(ini.WriteString("S", "k", "w"), EIniFileException);
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(ini.ReadString("S", "k", ""), "v");
}

// A writer killed at random moments while it rewrites the file must always
// leave a file that reads back as one of the two contents it alternates.
TEST_F(IniFile, KilledWriterLeavesOldOrNewFile)
{
    const AnsiString big(4000, 'x');
    TIniFile(path).WriteString("S", "k", "old" + big);
    for (int round = 0; round < 40; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            TIniFile ini(path);
            for (int i = 0;; ++i)
                ini.WriteString("S", "k", (i % 2 ? "old" : "new") + big);
        }
        ::usleep(1000 + (round * 997) % 5000);
        ::kill(child, SIGKILL);
        int status;
        ::waitpid(child, &status, 0);
        const AnsiString v = TIniFile(path).ReadString("S", "k", "");
        ASSERT_TRUE(v == "old" + big || v == "new" + big) << "round " << round << ": " << v.size();
    }
}

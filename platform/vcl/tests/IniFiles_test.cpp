#include "IniFiles.hpp"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "AtomicFile.hpp"
#include "SysUtils.hpp"
#include "TempFolder.h"
#include "Unprivileged.h"

namespace fs = std::filesystem;

namespace {

class IniFile : public ::testing::Test {
protected:
    void SetUp() override { path = (dir / "test.ini").string(); }

    AnsiString Contents() const
    {
        AnsiString s;
        vcl::ReadWholeFile(path, s);
        return s;
    }
    void Put(const AnsiString& text) const { vcl::AtomicReplaceFile(path, text); }

    twstesting::TTempFolder folder{"tws_ini"};
    const fs::path dir = folder.Path();
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

// Permissions and links decide how a write reaches the file (run as an
// unprivileged user: root may write anything). A file the caller may not
// write refuses the write and keeps its text; a writable file in a folder
// the caller may not write is rewritten in place; a link keeps pointing at
// the file it names, which is the one that changes.
TEST(IniFileWrites, WriteErrorsReachTheCaller)
{
    twstesting::TTempFolder dir("tws_ini_perm");
    dir.GiveTo(twstesting::UnprivilegedUid(), twstesting::UnprivilegedGid());
    const std::string result = twstesting::RunUnprivileged([&]() -> std::string {
        const AnsiString readOnly = (dir / "ro.ini").string();
        TIniFile(readOnly).WriteString("S", "k", "v");
        fs::permissions(readOnly.c_str(), fs::perms::owner_read);
        try {
            TIniFile(readOnly).WriteString("S", "k", "w");
            return "a read-only file was written";
        } catch (const EIniFileException& e) {
            if (e.Message().find("ro.ini") == AnsiString::npos ||
                e.Message().find("Permission denied") == AnsiString::npos)
                return "the error names neither file nor reason: " + e.Message();
        }
        TMemIniFile mem(readOnly);
        mem.WriteString("S", "k", "w");
        try {
            mem.UpdateFile();
            return "TMemIniFile wrote a read-only file";
        } catch (const EIniFileException&) {
        }
        if (TIniFile(readOnly).ReadString("S", "k", "") != "v")
            return "the read-only file changed";

        const fs::path closed = dir / "closed";
        fs::create_directory(closed);
        const AnsiString inClosed = (closed / "w.ini").string();
        TIniFile(inClosed).WriteString("S", "k", "v");
        fs::permissions(closed, fs::perms::owner_read | fs::perms::owner_exec);
        TIniFile(inClosed).WriteString("S", "k", "longer value");
        TIniFile(inClosed).WriteString("S", "k", "x");
        const std::string text = twstesting::ReadFile(inClosed.c_str());
        fs::permissions(closed, fs::perms::owner_all);
        if (text != "[S]\nk=x\n")
            return "in-place rewrite left: " + text;

        const fs::path real = dir / "target" / "real.ini";
        fs::create_directory(real.parent_path());
        twstesting::WriteFile(real, "; kept\r\n[S]\r\nk=v\r\n");
        const fs::path link = dir / "link.ini";
        fs::create_symlink("target/real.ini", link);
        TIniFile(link.string()).WriteString("S", "k", "w");
        if (!fs::is_symlink(link))
            return "the link was replaced by a file";
        if (twstesting::ReadFile(real) != "; kept\r\n[S]\r\nk=w\r\n")
            return "the link's target was not updated: " + twstesting::ReadFile(real);
        return std::string();
    });
    EXPECT_EQ(result, "");
}

// Written over by root (the suite's user), a file keeps owner and mode.
TEST(IniFileWrites, ARewriteKeepsOwnerAndPermissions)
{
    twstesting::TTempFolder dir("tws_ini_owner");
    const fs::path file = dir / "o.ini";
    twstesting::WriteFile(file, "[S]\nk=v\n");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(file.c_str(), twstesting::UnprivilegedUid(), twstesting::UnprivilegedGid()), 0);
    }
    struct stat before;
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    TIniFile(file.string()).WriteString("S", "k", "w");
    struct stat after;
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(twstesting::ReadFile(file), "[S]\nk=w\n");
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

// A group of keys written with one UpdateFile is seen together: by readers
// while the writer runs, and after the writer is killed at any moment.
TEST_F(IniFile, KilledMemIniWriterAndItsReadersSeeWholeGroups)
{
    const AnsiString pad(3000, 'p');
    Put("[A]\nn=0\n\n[B]\nn=0\npad=" + pad + "\n");
    for (int round = 0; round < 20; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 1;; ++i) {
                TMemIniFile ini(path);
                ini.WriteInteger("A", "n", i);
                ini.EraseSection("B");  // erased and written again, as the settings' folder list is
                ini.WriteInteger("B", "n", i);
                ini.WriteString("B", "pad", pad);
                ini.UpdateFile();
            }
        }
        for (int reads = 0; reads < 50; ++reads) {
            TMemIniFile ini(path);
            const int a = ini.ReadInteger("A", "n", -1);
            ASSERT_EQ(a, ini.ReadInteger("B", "n", -2)) << "round " << round;
            ASSERT_EQ(ini.ReadString("B", "pad", ""), pad);
        }
        ::usleep(500 + (round * 997) % 4000);
        ::kill(child, SIGKILL);
        int status;
        ::waitpid(child, &status, 0);
        TMemIniFile ini(path);
        ASSERT_EQ(ini.ReadInteger("A", "n", -1), ini.ReadInteger("B", "n", -2)) << "round " << round;
        ASSERT_EQ(ini.ReadString("B", "pad", ""), pad);
    }
}

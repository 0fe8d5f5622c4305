// The INI files on POSIX: owners, permissions and links, and writers
// killed halfway.
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

#include "IniFileFixture.h"

// Permissions and links decide how a write reaches the file (run as an
// unprivileged user: root may write anything). A file the caller may not
// write refuses the write and keeps its text; a writable file in a folder
// the caller may not write is rewritten in place; a link is refused, and
// neither it nor the file it names changes.
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
        try {
            TIniFile(link.string()).WriteString("S", "k", "w");
            return "a write went through a link";
        } catch (const EIniFileException& e) {
            if (e.Message().find("link.ini") == AnsiString::npos ||
                e.Message().find(vcl::LinkRefusal) == AnsiString::npos)
                return "the refusal names neither link nor reason: " + e.Message();
        }
        if (!fs::is_symlink(link))
            return "the link was replaced by a file";
        if (twstesting::ReadFile(real) != "; kept\r\n[S]\r\nk=v\r\n")
            return "the link's target changed: " + twstesting::ReadFile(real);
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

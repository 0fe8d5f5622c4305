// TLockedFile on POSIX: what may stand under the name instead of a regular
// file -- links (also to /dev/zero, also leading nowhere), a FIFO, a device,
// a folder -- is refused at once by readers and writers, naming the file,
// and nothing is read from it, written to it or created through it.
#include "AtomicFile.hpp"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "IniFileFixture.h"
#include "IniFiles.hpp"
#include "SysUtils.hpp"
#include "TempFolder.h"

using vcl::TFileLockMode;
using vcl::TLockedFile;

TEST_F(IniFile, WhatIsNotARegularFileIsRefusedAndLeftAlone)
{
    const fs::path target = dir / "target.ini";
    const std::string targetText = "[S]\nk=v\n";
    struct Case {
        const char* Name;
        std::function<void()> Plant;  // puts it under the name
        AnsiString Reason;            // readers'; writers' too unless WriterReason is set
        AnsiString WriterReason;
    };
    const Case cases[] = {
        {"a link to a regular file", [&] { fs::create_symlink(target, path.c_str()); }, vcl::LinkRefusal, ""},
        {"a link leading nowhere", [&] { fs::create_symlink(dir / "nowhere.ini", path.c_str()); },
         vcl::LinkRefusal, ""},
        {"a link to /dev/zero", [&] { fs::create_symlink("/dev/zero", path.c_str()); }, vcl::LinkRefusal, ""},
        {"a FIFO", [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }, vcl::NotRegularRefusal, ""},
        {"a folder", [&] { fs::create_directory(path.c_str()); }, vcl::NotRegularRefusal, "Is a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        twstesting::WriteFile(target, targetText);
        c.Plant();
        const auto status = fs::symlink_status(path.c_str());
        try {
            TLockedFile file(path, TFileLockMode::Shared);
            ADD_FAILURE() << "a reader opened it";
        } catch (const EFOpenError& e) {
            EXPECT_NE(e.Message().find(path), AnsiString::npos) << e.Message();
            EXPECT_NE(e.Message().find(c.Reason), AnsiString::npos) << e.Message();
        }
        try {
            TLockedFile file(path, TFileLockMode::Exclusive);
            ADD_FAILURE() << "a writer opened it";
        } catch (const EIniFileException& e) {
            EXPECT_NE(e.Message().find(path), AnsiString::npos) << e.Message();
            const AnsiString reason = c.WriterReason.empty() ? c.Reason : c.WriterReason;
            EXPECT_NE(e.Message().find(reason), AnsiString::npos) << e.Message();
        }
        EXPECT_THROW(TIniFile(path).WriteString("S", "k", "w"), EIniFileException);
        EXPECT_EQ(fs::symlink_status(path.c_str()).type(), status.type());
        EXPECT_EQ(twstesting::ReadFile(target), targetText);
        EXPECT_FALSE(fs::exists(dir / "nowhere.ini"));
        fs::remove(path.c_str());
    }
    // A device named directly.
    EXPECT_THROW(TLockedFile("/dev/zero", TFileLockMode::Shared), EFOpenError);
    EXPECT_THROW(TMemIniFile("/dev/null"), EFOpenError);
}

// A link put under the name once the writer found it missing is not written
// through: the new file is created only where nothing is.
TEST_F(IniFile, ACreatingWriterNeverWritesThroughALinkPlantedMeanwhile)
{
    TLockedFile file(path, TFileLockMode::Exclusive);
    ASSERT_FALSE(file.Exists());
    fs::create_symlink(dir / "elsewhere.ini", path.c_str());
    EXPECT_THROW(file.Replace("[S]\nk=v\n"), EIniFileException);
    EXPECT_TRUE(fs::is_symlink(path.c_str()));
    EXPECT_FALSE(fs::exists(dir / "elsewhere.ini"));
}

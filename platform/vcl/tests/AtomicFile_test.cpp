// TLockedFile on every platform: the size limit, also for a file that grows
// after it was opened, and a missing file that only a writer creates.
#include "AtomicFile.hpp"

#include <filesystem>
#include <gtest/gtest.h>

#include "IniFileFixture.h"
#include "IniFiles.hpp"
#include "SysUtils.hpp"
#include "TempFolder.h"

using vcl::TFileLockMode;
using vcl::TLockedFile;

// The limit in bytes is the largest file read; one byte more is refused by
// readers and writers alike, naming the file, and the file stays.
TEST_F(IniFile, AFileOverTheSizeLimitIsRefused)
{
    twstesting::WriteFile(path.c_str(), "");
    fs::resize_file(path.c_str(), vcl::MaxLockedFileSize);
    EXPECT_EQ(TLockedFile(path, TFileLockMode::Shared).Read().size(), vcl::MaxLockedFileSize);

    fs::resize_file(path.c_str(), vcl::MaxLockedFileSize + 1);
    try {
        TLockedFile file(path, TFileLockMode::Shared);
        ADD_FAILURE() << "opened";
    } catch (const EFOpenError& e) {
        EXPECT_NE(e.Message().find(path), AnsiString::npos) << e.Message();
        EXPECT_NE(e.Message().find(vcl::TooLargeRefusal), AnsiString::npos) << e.Message();
    }
    EXPECT_THROW(TLockedFile(path, TFileLockMode::Exclusive), EIniFileException);
    EXPECT_THROW(TMemIniFile{path}, EFOpenError);
    EXPECT_EQ(fs::file_size(path.c_str()), vcl::MaxLockedFileSize + 1);
}

// Grown past the limit between the open and the read (another process
// writing on): the read stops at the limit instead of following it.
TEST_F(IniFile, AFileThatGrowsPastTheLimitAfterTheOpenIsRefusedByTheRead)
{
    twstesting::WriteFile(path.c_str(), "[S]\nk=v\n");
    const TLockedFile file(path, TFileLockMode::Shared);
    fs::resize_file(path.c_str(), vcl::MaxLockedFileSize + 4096);
    try {
        static_cast<void>(file.Read());
        ADD_FAILURE() << "read";
    } catch (const EReadError& e) {
        EXPECT_NE(e.Message().find(path), AnsiString::npos) << e.Message();
        EXPECT_NE(e.Message().find(vcl::TooLargeRefusal), AnsiString::npos) << e.Message();
    }
}

// Reading a missing file creates nothing; the writer's replace creates it.
TEST_F(IniFile, OnlyAWriterCreatesAMissingFile)
{
    {
        const TLockedFile file(path, TFileLockMode::Shared);
        EXPECT_FALSE(file.Exists());
        EXPECT_EQ(file.Read(), "");
    }
    {
        const TLockedFile file(path, TFileLockMode::Exclusive);
        EXPECT_FALSE(file.Exists());
    }
    EXPECT_FALSE(fs::exists(path.c_str()));
    TLockedFile file(path, TFileLockMode::Exclusive);
    file.Replace("[S]\nk=v\n");
    EXPECT_EQ(Contents(), "[S]\nk=v\n");
}

// The checked deletion on Windows, on files the listing described as a
// scan does: the identity the listing records must be the one the
// verifier reads from the file's handle.
#include "VerifiedFile.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <windows.h>

#include "TempFolder.h"
#include "listing.h"

namespace fs = std::filesystem;
using namespace twsplatform;

namespace {

class VerifiedFileTest : public ::testing::Test {
protected:
    void SetUp() override { twstesting::WriteFile(folder / "vol" / "a" / "b" / "f.obj", "data"); }

    AnsiString Root() const { return (folder / "vol").string() + "\\"; }
    AnsiString Folder() const { return (folder / "vol" / "a" / "b").string() + "\\"; }
    fs::path File() const { return folder / "vol" / "a" / "b" / "f.obj"; }

    // The identity as the scan records it: from the folder's listing.
    TFileIdentity Listed() const
    {
        twslisting::TFolderReader reader;
        EXPECT_TRUE(reader.Open(Folder()));
        twslisting::TDirEntry entry;
        EXPECT_TRUE(reader.Describe("f.obj", twslisting::TEntryKind::ekFile, entry));
        return entry.Identity;
    }

    std::unique_ptr<TVerifiedFile> Verify(const TFileIdentity& id, TVerifyResult& result)
    {
        return verifier.Open(Folder(), "f.obj", id, result);
    }

    twstesting::TTempFolder folder{"tws_vf"};
    TFileVerifier verifier{Root()};
};

TEST_F(VerifiedFileTest, TheListedFileIsVerifiedAndDeletedThroughItsHandle)
{
    TFileIdentity read;
    ASSERT_TRUE(ReadFileIdentity(File().string(), read));
    const TFileIdentity listed = Listed();
    EXPECT_EQ(read.Device, listed.Device);
    EXPECT_EQ(read.Inode, listed.Inode);
    EXPECT_EQ(read.ModifiedNs, listed.ModifiedNs);

    TVerifyResult result;
    auto file = Verify(listed, result);
    ASSERT_TRUE(file) << static_cast<int>(result);
    AnsiString error;
    ASSERT_TRUE(file->Delete(TDeleteMode::Permanent, error)) << error;
    file.reset();
    EXPECT_FALSE(fs::exists(File()));
}

TEST_F(VerifiedFileTest, WhatTheScanDidNotSeeIsLeftAlone)
{
    const TFileIdentity listed = Listed();
    struct TCase {
        const char* What;
        AnsiString FolderPath;
        TVerifyResult Expected;
    };
    const TCase cases[] = {
        {"a folder outside the root", (folder / "elsewhere").string() + "\\", TVerifyResult::OutsideRoot},
        {"a folder climbing out", Root() + "a\\..\\..\\", TVerifyResult::OutsideRoot},
        {"a folder gone", Root() + "gone\\", TVerifyResult::Missing},
    };
    for (const TCase& c : cases) {
        TVerifyResult result;
        EXPECT_FALSE(verifier.Open(c.FolderPath, "f.obj", listed, result)) << c.What;
        EXPECT_EQ(result, c.Expected) << c.What;
    }

    // The same name made anew, with other contents and another file ID.
    fs::remove(File());
    twstesting::WriteFile(File(), "other data");
    TVerifyResult result;
    EXPECT_FALSE(Verify(listed, result));
    EXPECT_EQ(result, TVerifyResult::Changed);
    EXPECT_TRUE(fs::exists(File()));

    // A folder of the way swapped for another of the same name.
    const TFileIdentity second = Listed();
    fs::rename(folder / "vol" / "a", folder / "vol" / "a-old");
    twstesting::WriteFile(File(), "other data");
    TFileVerifier fresh(Root());
    EXPECT_FALSE(fresh.Open(Folder(), "f.obj", second, result));
    EXPECT_EQ(result, TVerifyResult::Changed);
    EXPECT_TRUE(fs::exists(File()));
}

TEST_F(VerifiedFileTest, ReadOnlyIsClearedAndGivenBackOnTheFileHeld)
{
    ASSERT_TRUE(::SetFileAttributesA(File().string().c_str(), FILE_ATTRIBUTE_READONLY));
    TVerifyResult result;
    auto file = Verify(Listed(), result);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->IsReadOnly());
    ASSERT_TRUE(file->ClearReadOnly());
    EXPECT_FALSE(::GetFileAttributesA(File().string().c_str()) & FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(file->RestorePermissions());
    EXPECT_TRUE(::GetFileAttributesA(File().string().c_str()) & FILE_ATTRIBUTE_READONLY);

    // Still read-only, the system refuses to delete it.
    AnsiString error;
    EXPECT_FALSE(file->Delete(TDeleteMode::Permanent, error));
    EXPECT_FALSE(error.empty());
    file.reset();
    EXPECT_TRUE(fs::exists(File()));
}

TEST_F(VerifiedFileTest, TheRecycleBinTakesTheFileVerified)
{
    TVerifyResult result;
    auto file = Verify(Listed(), result);
    ASSERT_TRUE(file);
    AnsiString error;
    ASSERT_TRUE(file->Delete(TDeleteMode::ToTrash, error)) << error;
    file.reset();
    EXPECT_FALSE(fs::exists(File()));
}

TEST_F(VerifiedFileTest, TheRecycleBinIsNotGivenAFileThatChangedHands)
{
    const TFileIdentity listed = Listed();
    TVerifyResult result;
    auto file = Verify(listed, result);
    ASSERT_TRUE(file);
    // Between the check and the move, the name passes to another file.
    fs::rename(File(), folder / "vol" / "moved.obj");
    twstesting::WriteFile(File(), "someone else's");
    AnsiString error;
    EXPECT_FALSE(file->Delete(TDeleteMode::ToTrash, error));
    EXPECT_FALSE(error.empty());
    file.reset();
    EXPECT_EQ(twstesting::ReadFile(File()), "someone else's");
    EXPECT_TRUE(fs::exists(folder / "vol" / "moved.obj"));
}

}  // namespace

#include "VerifiedFile.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace twsplatform;

namespace {

class VerifiedFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        base = fs::temp_directory_path() /
               ("tws_vf_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(base);
        root = base / "vol";
        fs::create_directories(root / "a" / "b");
        fs::create_directories(base / "outside" / "b");
        Write(root / "a" / "b" / "f.obj");
        Write(base / "outside" / "b" / "f.obj");
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(base, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(base);
    }
    static void Write(const fs::path& p) { std::ofstream(p) << "data"; }
    AnsiString Root() const { return root.string() + "/"; }
    AnsiString File() const { return (root / "a" / "b" / "f.obj").string(); }
    TFileIdentity Identity() const
    {
        TFileIdentity id;
        EXPECT_TRUE(ReadFileIdentity(File(), id));
        return id;
    }

    fs::path base, root;
};

}  // namespace

TEST_F(VerifiedFileTest, DeletesTheFileTheScanFound)
{
    const TFileIdentity id = Identity();
    TVerifyResult why;
    auto file = TVerifiedFile::Open(Root(), File(), id, why);
    ASSERT_TRUE(file);
    EXPECT_EQ(why, TVerifyResult::Verified);
    AnsiString error;
    EXPECT_TRUE(file->Delete(TDeleteMode::Permanent, error)) << error;
    EXPECT_FALSE(fs::exists(File()));
    file = TVerifiedFile::Open(Root(), File(), id, why);
    EXPECT_FALSE(file);
}

TEST_F(VerifiedFileTest, AFolderSwappedForALinkIsRefused)
{
    const TFileIdentity id = Identity();
    fs::rename(root / "a", base / "moved");
    fs::create_directory_symlink(base / "outside", root / "a");
    TVerifyResult why;
    EXPECT_FALSE(TVerifiedFile::Open(Root(), File(), id, why));
    EXPECT_EQ(why, TVerifyResult::Changed);
    // Even a link to the very folder the file is in is not followed.
    fs::remove(root / "a");
    fs::create_directory_symlink(base / "moved", root / "a");
    EXPECT_FALSE(TVerifiedFile::Open(Root(), File(), id, why));
    EXPECT_TRUE(fs::exists(base / "outside" / "b" / "f.obj"));
    EXPECT_TRUE(fs::exists(base / "moved" / "b" / "f.obj"));
}

TEST_F(VerifiedFileTest, AnotherFileOfTheSameNameIsRefused)
{
    const TFileIdentity id = Identity();
    // Keep the old file alive elsewhere so the new one cannot reuse its inode.
    fs::rename(File(), base / "old.obj");
    Write(File());
    TVerifyResult why;
    EXPECT_FALSE(TVerifiedFile::Open(Root(), File(), id, why));
    EXPECT_EQ(why, TVerifyResult::Changed);
    fs::remove(File());
    fs::create_symlink(base / "outside" / "b" / "f.obj", File());
    EXPECT_FALSE(TVerifiedFile::Open(Root(), File(), id, why));
    fs::remove(File());
    EXPECT_FALSE(TVerifiedFile::Open(Root(), File(), id, why));
    EXPECT_EQ(why, TVerifyResult::Missing);
}

TEST_F(VerifiedFileTest, PathsOutsideTheRootAreRefused)
{
    TVerifyResult why;
    const auto outside = (base / "outside" / "b" / "f.obj").string();
    TFileIdentity id;
    ASSERT_TRUE(ReadFileIdentity(outside, id));
    EXPECT_FALSE(TVerifiedFile::Open(Root(), outside, id, why));
    EXPECT_EQ(why, TVerifyResult::OutsideRoot);
    EXPECT_FALSE(TVerifiedFile::Open(Root(), Root() + "a/../../outside/b/f.obj", id, why));
    EXPECT_EQ(why, TVerifyResult::OutsideRoot);
}

TEST_F(VerifiedFileTest, ClearsReadOnlyAsTheOwnersWriteBit)
{
    fs::permissions(File(), fs::perms::owner_read);
    TVerifyResult why;
    auto file = TVerifiedFile::Open(Root(), File(), Identity(), why);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->IsReadOnly());
    EXPECT_TRUE(file->ClearReadOnly());
    EXPECT_FALSE(file->IsReadOnly());
    EXPECT_TRUE((fs::status(File()).permissions() & fs::perms::owner_write) != fs::perms::none);
}

// The trash location is read once per process, so each trash test runs in a
// child with its own XDG_DATA_HOME.
TEST_F(VerifiedFileTest, MovesToTheTrashAndRecordsTheOrigin)
{
    const fs::path data = base / "data";
    fs::create_directories(data);
    const TFileIdentity id = Identity();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("XDG_DATA_HOME", data.c_str(), 1);
        TVerifyResult why;
        auto file = TVerifiedFile::Open(Root(), File(), id, why);
        AnsiString error;
        ::_exit(file && file->Delete(TDeleteMode::ToTrash, error) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(fs::exists(File()));
    EXPECT_TRUE(fs::exists(data / "Trash" / "files" / "f.obj"));
    std::ifstream info(data / "Trash" / "info" / "f.obj.trashinfo");
    std::string text((std::istreambuf_iterator<char>(info)), {});
    EXPECT_NE(text.find("Path="), std::string::npos);
    EXPECT_NE(text.find("/a/b/f.obj"), std::string::npos);
}

TEST_F(VerifiedFileTest, ARefusingTrashLeavesTheFileInPlace)
{
    // A data folder that is a file: the trash cannot be created anywhere.
    const fs::path data = base / "data-is-a-file";
    Write(data);
    fs::permissions(root, fs::perms::owner_read | fs::perms::owner_exec |
                              fs::perms::owner_write);
    const TFileIdentity id = Identity();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("XDG_DATA_HOME", data.c_str(), 1);
        TVerifyResult why;
        auto file = TVerifiedFile::Open(Root(), File(), id, why);
        AnsiString error;
        ::_exit(!file ? 2 : file->Delete(TDeleteMode::ToTrash, error) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_TRUE(fs::exists(File()));
}

// The verifier keeps the last folder open: a folder swapped for a link
// between two files of it never sends a deletion through the link, and the
// trash (which needs the path) refuses once the path leads elsewhere.
TEST_F(VerifiedFileTest, AVerifierKeepsTheFolderItVerified)
{
    Write(root / "a" / "b" / "g.obj");
    Write(base / "outside" / "b" / "g.obj");
    TFileIdentity second;
    ASSERT_TRUE(ReadFileIdentity((root / "a" / "b" / "g.obj").string(), second));
    TFileVerifier verifier(Root());
    TVerifyResult why;
    AnsiString error;
    auto first = verifier.Open(File(), Identity(), why);
    ASSERT_TRUE(first);
    ASSERT_TRUE(first->Delete(TDeleteMode::Permanent, error)) << error;

    fs::rename(root / "a", base / "moved");
    fs::create_directory_symlink(base / "outside", root / "a");
    auto next = verifier.Open((root / "a" / "b" / "g.obj").string(), second, why);
    ASSERT_TRUE(next) << "the held folder still has the file";
    EXPECT_FALSE(next->Delete(TDeleteMode::ToTrash, error));
    EXPECT_TRUE(fs::exists(base / "moved" / "b" / "g.obj"));
    EXPECT_TRUE(next->Delete(TDeleteMode::Permanent, error)) << error;
    EXPECT_FALSE(fs::exists(base / "moved" / "b" / "g.obj")) << "the very file the scan found went";
    EXPECT_TRUE(fs::exists(base / "outside" / "b" / "g.obj")) << "nothing outside was touched";
    EXPECT_TRUE(fs::exists(base / "outside" / "b" / "f.obj"));
}

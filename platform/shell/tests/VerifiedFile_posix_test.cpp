#include "VerifiedFile.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TempFolder.h"

namespace fs = std::filesystem;
using namespace twsplatform;

namespace {

class VerifiedFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = base / "vol";
        fs::create_directories(root / "a" / "b");
        fs::create_directories(base / "outside" / "b");
        Write(root / "a" / "b" / "f.obj");
        Write(base / "outside" / "b" / "f.obj");
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
    // Moves the file to the trash in a child whose data folder is data
    // (the trash location is read once per process); the child's exit
    // status: 0 moved, 1 refused, 2 not verified.
    int TrashInChild(const fs::path& data) const
    {
        const TFileIdentity id = Identity();
        const pid_t child = ::fork();
        if (child < 0)
            return -1;
        if (child == 0) {
            ::setenv("XDG_DATA_HOME", data.c_str(), 1);
            TVerifyResult why;
            auto file = TVerifiedFile::Open(Root(), File(), id, why);
            AnsiString error;
            ::_exit(!file ? 2 : file->Delete(TDeleteMode::ToTrash, error) ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    twstesting::TTempFolder folder{"tws_vf"};
    const fs::path base = folder.Path();
    fs::path root;
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

TEST_F(VerifiedFileTest, MovesToTheTrashAndRecordsTheOrigin)
{
    const fs::path data = base / "data";
    fs::create_directories(data);
    ASSERT_EQ(TrashInChild(data), 0);
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
    EXPECT_EQ(TrashInChild(data), 1);
    EXPECT_TRUE(fs::exists(File()));
}

// The verifier keeps the last folder open: a folder swapped for a link
// between two files of it never sends a deletion, nor a move to the trash,
// through the link.
namespace {

// The descriptors of this process that still hold a removed file below
// folder (the system shows their target with " (deleted)").
int HeldDeletedFilesBelow(const fs::path& folder)
{
    int held = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const std::string target = fs::read_symlink(entry.path(), ec).string();
        held += !ec && target.rfind(folder.string(), 0) == 0 && target.ends_with(" (deleted)") ? 1 : 0;
    }
    return held;
}

}  // namespace

// A deleted file's space is freed when nothing holds it any more: once the
// verifier and the files it opened are gone, none of them does, however
// many files went through it.
TEST_F(VerifiedFileTest, NothingHoldsTheDeletedFilesOnceTheVerifierIsGone)
{
    std::vector<std::pair<AnsiString, TFileIdentity>> files;
    for (int i = 0; i < 300; ++i) {
        const fs::path file = root / "a" / "b" / ("u" + std::to_string(i) + ".obj");
        Write(file);
        TFileIdentity id;
        ASSERT_TRUE(ReadFileIdentity(file.string(), id));
        files.emplace_back(file.string(), id);
    }
    {
        TFileVerifier verifier(Root());
        for (const auto& [name, id] : files) {
            TVerifyResult why;
            auto file = verifier.Open(name, id, why);
            ASSERT_TRUE(file) << name;
            AnsiString error;
            ASSERT_TRUE(file->Delete(TDeleteMode::Permanent, error)) << error;
            EXPECT_FALSE(fs::exists(name));
        }
    }
    EXPECT_EQ(HeldDeletedFilesBelow(base), 0);
}

TEST_F(VerifiedFileTest, AVerifierKeepsTheFolderItVerified)
{
    for (const char* name : {"g.obj", "h.obj"}) {
        Write(root / "a" / "b" / name);
        Write(base / "outside" / "b" / name);
    }
    TFileIdentity second, third;
    ASSERT_TRUE(ReadFileIdentity((root / "a" / "b" / "g.obj").string(), second));
    ASSERT_TRUE(ReadFileIdentity((root / "a" / "b" / "h.obj").string(), third));
    const fs::path data = base / "data";
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
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
    EXPECT_TRUE(next->Delete(TDeleteMode::Permanent, error)) << error;
    EXPECT_FALSE(fs::exists(base / "moved" / "b" / "g.obj")) << "the very file the scan found went";
    auto last = verifier.Open((root / "a" / "b" / "h.obj").string(), third, why);
    ASSERT_TRUE(last);
    EXPECT_TRUE(last->Delete(TDeleteMode::ToTrash, error)) << error;
    EXPECT_FALSE(fs::exists(base / "moved" / "b" / "h.obj"));
    EXPECT_TRUE(fs::exists(data / "Trash" / "files" / "h.obj"));
    for (const char* name : {"f.obj", "g.obj", "h.obj"})
        EXPECT_EQ(twstesting::ReadFile(base / "outside" / "b" / name), "data") << "outside " << name << " touched";
    ::unsetenv("XDG_DATA_HOME");
}

// A scan's folder and name give what their full name gives, malformed
// pairs included, through one verifier that keeps its folder between them.
TEST_F(VerifiedFileTest, FolderAndNameAgreeWithTheFullName)
{
    const TFileIdentity id = Identity();
    const AnsiString outside = (base / "outside" / "b").string() + "/";
    struct TCase {
        AnsiString Folder, Name;
        TVerifyResult Expected;
    } const cases[] = {
        {Root() + "a/b/", "f.obj", TVerifyResult::Verified},
        {Root() + "a/b", "/f.obj", TVerifyResult::Verified},
        {Root() + "a/", "b/f.obj", TVerifyResult::Verified},
        {Root() + "a/b/", "g.obj", TVerifyResult::Missing},
        {Root() + "a/c/", "f.obj", TVerifyResult::Missing},
        {Root(), "a", TVerifyResult::Changed},
        {Root() + "a/b/", "", TVerifyResult::OutsideRoot},
        {Root() + "a/b/", ".", TVerifyResult::OutsideRoot},
        {Root() + "a/b/", "..", TVerifyResult::OutsideRoot},
        {Root() + "a/../a/b/", "f.obj", TVerifyResult::OutsideRoot},
        {Root() + "a/b/", "../../../outside/b/f.obj", TVerifyResult::OutsideRoot},
        {outside, "f.obj", TVerifyResult::OutsideRoot},
        {"", Root() + "a/b/f.obj", TVerifyResult::Verified},
        {"", "f.obj", TVerifyResult::OutsideRoot},
    };
    TFileVerifier pairs(Root()), whole(Root());
    for (const TCase& c : cases) {
        TVerifyResult byPair = TVerifyResult::Verified, byWhole = TVerifyResult::Verified;
        const bool openedByPair = pairs.Open(c.Folder, c.Name, id, byPair) != nullptr;
        const bool openedByWhole = whole.Open(c.Folder + c.Name, id, byWhole) != nullptr;
        EXPECT_EQ(byPair, c.Expected) << c.Folder << " + " << c.Name;
        EXPECT_EQ(byWhole, c.Expected) << c.Folder << c.Name;
        EXPECT_EQ(openedByPair, c.Expected == TVerifyResult::Verified) << c.Folder << " + " << c.Name;
        EXPECT_EQ(openedByWhole, openedByPair) << c.Folder << c.Name;
    }
}

// A file system reuses a freed inode for the next file: the new file at the
// old place must not pass for the one found. Any difference in size,
// last-write time (to the nanosecond) or birth time refuses it.
TEST_F(VerifiedFileTest, AFileWithTheSameInodeButOtherSizeOrTimesIsRefused)
{
    const TFileIdentity found = Identity();
    struct TCase {
        const char* What;
        void (*Change)(TFileIdentity&);
        bool Accepted;
    };
    const TCase cases[] = {
        {"unchanged", [](TFileIdentity&) {}, true},
        {"size", [](TFileIdentity& id) { id.Size += 1; }, false},
        {"last write, 1 ns", [](TFileIdentity& id) { id.ModifiedNs += 1; }, false},
        {"birth, 1 ns", [](TFileIdentity& id) { id.BornNs += 1; }, !found.HasBirthTime},
        {"inode", [](TFileIdentity& id) { id.Inode += 1; }, false},
        {"device", [](TFileIdentity& id) { id.Device += 1; }, false},
        // A scan on a file system without birth times compares the rest.
        {"no birth recorded", [](TFileIdentity& id) { id.HasBirthTime = false; id.BornNs = 0; }, true},
    };
    for (const TCase& c : cases) {
        TFileIdentity expected = found;
        c.Change(expected);
        TVerifyResult why;
        auto file = TVerifiedFile::Open(Root(), File(), expected, why);
        EXPECT_EQ(file != nullptr, c.Accepted) << c.What;
        EXPECT_EQ(why, c.Accepted ? TVerifyResult::Verified : TVerifyResult::Changed) << c.What;
    }
    EXPECT_TRUE(fs::exists(File()));
}

// Clearing read-only and giving the permissions back act on the file held,
// never on what its name leads to later, even for a file its owner may not
// read.
TEST_F(VerifiedFileTest, PermissionsChangeOnTheFileHeldNotOnItsName)
{
    const fs::path secret = base / "outside" / "secret";
    Write(secret);
    fs::permissions(secret, fs::perms::owner_read);
    for (const fs::perms mode : {fs::perms::owner_read, fs::perms::none}) {
        Write(File());
        fs::permissions(File(), mode);
        TVerifyResult why;
        auto file = TVerifiedFile::Open(Root(), File(), Identity(), why);
        ASSERT_TRUE(file);
        // The name now leads to a link to an outside file.
        fs::rename(File(), base / "held.obj");
        fs::create_symlink(secret, File());
        EXPECT_TRUE(file->IsReadOnly());
        EXPECT_TRUE(file->ClearReadOnly());
        EXPECT_FALSE(file->IsReadOnly());
        EXPECT_EQ(fs::status(base / "held.obj").permissions(), mode | fs::perms::owner_write);
        EXPECT_EQ(fs::status(secret).permissions(), fs::perms::owner_read) << "the outside file changed";
        EXPECT_TRUE(file->RestorePermissions());
        EXPECT_EQ(fs::status(base / "held.obj").permissions(), mode);
        fs::remove(File());
        fs::remove(base / "held.obj");
    }
}

// Between the check and the unlink another file takes the name: it is the
// one unlinked, so the deletion is reported as failed and the file checked
// is still there.
TEST_F(VerifiedFileTest, ANameThatChangedHandsBeforeTheUnlinkIsReportedAsNotDeleted)
{
    TVerifyResult why;
    auto file = TVerifiedFile::Open(Root(), File(), Identity(), why);
    ASSERT_TRUE(file);
    fs::rename(File(), root / "a" / "b" / "kept.obj");
    Write(File());
    AnsiString error;
    EXPECT_FALSE(file->Delete(TDeleteMode::Permanent, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(twstesting::ReadFile(root / "a" / "b" / "kept.obj"), "data");
}

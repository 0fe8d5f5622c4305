#include "PurgeCheck.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include "MountNamespace.h"
#include "TempFolder.h"

namespace fs = std::filesystem;
using namespace twsplatform;
using twstesting::WriteFile;

namespace {

class PurgeCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("XDG_DATA_HOME", (temp / "data").c_str(), 1);
        fs::create_directories(temp / "vol");
    }
    void TearDown() override { ::unsetenv("XDG_DATA_HOME"); }
    twstesting::TTempFolder temp{"purgecheck"};
    const std::string uid = std::to_string(::geteuid());
};

// What a check found, for comparing in a child: "" when as expected.
std::string Expect(const TPurgeCheck& check, const std::string& problemPart, const std::string& trash)
{
    std::string wrong;
    if (problemPart.empty() != check.Problem.empty() || check.Problem.find(problemPart) == std::string::npos)
        wrong += "problem \"" + check.Problem + "\", expected one with \"" + problemPart + "\"; ";
    if (check.Trash != trash)
        wrong += "trash \"" + check.Trash + "\", expected \"" + trash + "\"; ";
    return wrong;
}

}  // namespace

// The volume on the home trash's file system: the home trash is checked,
// made of nothing (the data folder may be missing), and never created.
TEST_F(PurgeCheckTest, TheHomeTrashIsCheckedWithoutCreatingIt)
{
    const fs::path data = temp / "data";
    const std::string home = data.string() + "/Trash/";
    struct TCase {
        const char* What;
        std::function<void()> Prepare;
        const char* Problem;  // part of the problem, "" for none
    };
    const TCase cases[] = {
        {"no data folder yet", [] {}, ""},
        {"an empty data folder", [&] { fs::create_directories(data); }, ""},
        {"a complete trash", [&] { fs::create_directories(data / "Trash" / "files"), fs::create_directories(data / "Trash" / "info"); }, ""},
        {"Trash is a file", [&] { WriteFile(data / "Trash", "x"); }, "Trash is not a folder"},
        {"info is a link to a folder",
         [&] {
             fs::create_directories(data / "Trash" / "files");
             fs::create_directories(temp / "elsewhere");
             fs::create_directory_symlink(temp / "elsewhere", data / "Trash" / "info");
         },
         "info is not a folder"},
        {"the data folder is a file", [&] { WriteFile(data, "x"); }, "data folder"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        twstesting::RemoveTree(data);
        twstesting::RemoveTree(temp / "elsewhere");
        c.Prepare();
        const auto before = fs::exists(fs::symlink_status(data));
        EXPECT_EQ(Expect(CheckPurge((temp / "vol").string(), TPurgeMode::ToTrash), c.Problem, home), "");
        EXPECT_EQ(fs::exists(fs::symlink_status(data)), before) << "the check created the trash";
        // Deleting for good needs no trash at all.
        EXPECT_EQ(Expect(CheckPurge((temp / "vol").string(), TPurgeMode::Delete), "", ""), "");
    }
}

// A volume with a file system of its own uses the trash at its top; a
// read-only one can take no purge at all, whatever the mode.
TEST_F(PurgeCheckTest, AVolumeOfItsOwnIsCheckedAtItsTopAndForReadOnly)
{
    const fs::path mnt = temp / "mnt";
    fs::create_directories(mnt);
    const std::string topTrash = mnt.string() + "/.Trash-" + uid + "/";
    const std::string result = twstesting::InOwnMountNamespace([&]() -> std::string {
        if (::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "mode=0755") != 0)
            return twstesting::kNoMountNamespace;
        const std::string vol = (mnt / "vol").string();
        fs::create_directories(vol);
        std::string wrong;
        wrong += Expect(CheckPurge(vol, TPurgeMode::ToTrash), "", topTrash);
        if (fs::exists(mnt / (".Trash-" + uid)))
            wrong += "the check created the trash; ";
        // A sticky shared .Trash: the user's folder in it.
        fs::create_directories(mnt / ".Trash");
        fs::permissions(mnt / ".Trash", fs::perms::all | fs::perms::sticky_bit);
        wrong += Expect(CheckPurge(vol, TPurgeMode::ToTrash), "", mnt.string() + "/.Trash/" + uid + "/");
        fs::remove(mnt / ".Trash");
        // The user's topdir trash cannot be made: it is a file.
        WriteFile(mnt / (".Trash-" + uid), "not a folder");
        wrong += Expect(CheckPurge(vol, TPurgeMode::ToTrash), ".Trash-" + uid + " is not a folder", topTrash);
        wrong += Expect(CheckPurge(vol, TPurgeMode::Delete), "", "");
        fs::remove(mnt / (".Trash-" + uid));
        // The same file system mounted read-only.
        if (::mount(mnt.c_str(), mnt.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
            ::mount(nullptr, mnt.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
            return "cannot remount read-only";
        wrong += Expect(CheckPurge(vol, TPurgeMode::ToTrash), "read-only", "");
        wrong += Expect(CheckPurge(vol, TPurgeMode::Delete), "read-only", "");
        return wrong;
    });
    if (result == twstesting::kNoMountNamespace)
        GTEST_SKIP() << "no mount namespace of its own may be made here (it needs CAP_SYS_ADMIN)";
    EXPECT_EQ(result, "");
}

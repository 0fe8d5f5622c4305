#include "StateFolder.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TempFolder.h"

namespace fs = std::filesystem;
using namespace twsplatform;
using twstesting::ReadFile;
using twstesting::WriteFile;

namespace {

class StateFolder : public ::testing::Test {
protected:
    TStateFolder Runs(TCreate create = TCreate::Yes) const
    {
        return TStateFolder::Open(temp.Path().string() + "/state", {"tidewash", "runs"}, create);
    }
    twstesting::TTempFolder temp{"statefolder"};
};

}  // namespace

// What a planted special file, link or huge file reads as: an error naming
// the file, at once, never a hang or a read without end.
TEST_F(StateFolder, ReadsOnlyRegularFilesWithinTheLimit)
{
    const TStateFolder runs = Runs();
    const fs::path folder = temp / "state/tidewash/runs";
    struct TCase {
        const char* Name;
        std::function<void(const fs::path&)> Plant;
        bool Missing;  // EStateMissing rather than another error
    };
    const TCase cases[] = {
        {"a FIFO", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, false},
        {"a link to a file", [&](const fs::path& p) { WriteFile(temp / "victim", "{}"); fs::create_symlink(temp / "victim", p); }, false},
        {"a link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }, false},
        {"a folder", [](const fs::path& p) { fs::create_directory(p); }, false},
        {"a file over the limit", [](const fs::path& p) { WriteFile(p, std::string(101, 'x')); }, false},
        {"nothing", [](const fs::path&) {}, true},
    };
    for (const TCase& c : cases) {
        fs::remove_all(folder / "manifest.json");
        c.Plant(folder / "manifest.json");
        try {
            runs.Read("manifest.json", 100);
            ADD_FAILURE() << c.Name << " was read";
        } catch (const EStateMissing& e) {
            EXPECT_TRUE(c.Missing) << c.Name << ": " << e.what();
        } catch (const std::runtime_error& e) {
            EXPECT_FALSE(c.Missing) << c.Name;
            EXPECT_NE(std::string(e.what()).find((folder / "manifest.json").string()), std::string::npos) << e.what();
        }
        EXPECT_THROW(ReadRegularFile((folder / "manifest.json").string(), 100), std::runtime_error) << c.Name;
    }
    fs::remove_all(folder / "manifest.json");
    WriteFile(folder / "manifest.json", std::string(100, 'x'));
    EXPECT_EQ(runs.Read("manifest.json", 100), std::string(100, 'x'));
}

// Folders below the state folder that another user could steer are refused:
// a link, a folder writable by others.
TEST_F(StateFolder, RefusesFoldersOthersCouldSteer)
{
    fs::create_directories(temp / "elsewhere");
    fs::create_directories(temp / "state");
    fs::create_directory_symlink(temp / "elsewhere", temp / "state" / "tidewash");
    EXPECT_THROW(Runs(), std::runtime_error);
    EXPECT_TRUE(fs::is_empty(temp / "elsewhere"));

    fs::remove(temp / "state" / "tidewash");
    fs::create_directories(temp / "state" / "tidewash");
    fs::permissions(temp / "state" / "tidewash", fs::perms::all);
    EXPECT_THROW(Runs(), std::runtime_error);
    fs::permissions(temp / "state" / "tidewash", fs::perms::owner_all);
    const TStateFolder runs = Runs();
    EXPECT_EQ(fs::status(temp / "state/tidewash/runs").permissions() & fs::perms::all, fs::perms::owner_all);

    // A run folder planted as a link is no run folder.
    fs::create_directory_symlink(temp / "elsewhere", temp / "state/tidewash/runs/20240101-000000");
    EXPECT_THROW(runs.Folder("20240101-000000", TCreate::No), std::runtime_error);
    EXPECT_FALSE(runs.MakeFolder("20240101-000000"));
    EXPECT_TRUE(runs.MakeFolder("20240101-000001"));
    EXPECT_EQ(runs.Folders(), std::vector<AnsiString>{"20240101-000001"});
    EXPECT_THROW(runs.Folder("..", TCreate::No), std::runtime_error);
    EXPECT_THROW(TStateFolder::Open(temp.Path().string() + "/none", {"tidewash"}, TCreate::No), EStateMissing);
}

// Replacing a file replaces a planted link itself, never its target, and
// leaves no temporary file behind.
TEST_F(StateFolder, ReplaceNeverWritesThroughALink)
{
    const TStateFolder runs = Runs();
    const fs::path folder = temp / "state/tidewash/runs";
    WriteFile(temp / "victim", "victim");
    fs::create_symlink(temp / "victim", folder / "manifest.json");
    fs::create_symlink(temp / "victim", folder / "manifest.json.new");
    runs.Replace("manifest.json", "record");
    EXPECT_EQ(ReadFile(temp / "victim"), "victim");
    EXPECT_FALSE(fs::is_symlink(folder / "manifest.json"));
    EXPECT_EQ(ReadFile(folder / "manifest.json"), "record");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder))
        ++entries;
    EXPECT_EQ(entries, 2u);  // manifest.json and the planted .new link

    TAppendFile journal = runs.CreateAppendFile("journal");
    journal.Append("one");
    journal.Append("two");
    EXPECT_EQ(ReadFile(folder / "journal"), "one\ntwo\n");
    EXPECT_THROW(runs.CreateAppendFile("journal"), std::runtime_error);
    EXPECT_THROW(runs.CreateAppendFile("manifest.json.new"), std::runtime_error);
}

// A lock is held by one holder at a time; a second is refused at once.
// A file written through a stream gets every piece, in order, however the
// pieces fall across the writer's buffer; a writer that fails leaves the
// file as it was and no temporary file.
TEST_F(StateFolder, ReplaceFromAStreamWritesEveryPieceOrNothing)
{
    const TStateFolder runs = Runs();
    const fs::path folder = temp / "state/tidewash/runs";
    std::string expected;
    for (int i = 0; expected.size() < 300000; ++i)
        expected += std::string(static_cast<std::size_t>(i % 997), static_cast<char>('a' + i % 26)) + "\n";
    const auto writeInPieces = [&expected](std::ostream& out) {
        for (std::size_t at = 0, piece = 1; at < expected.size(); at += piece, piece = piece * 3 % 70001 + 1)
            out << std::string_view(expected).substr(at, piece);
    };
    runs.Replace("manifest.json", writeInPieces);
    EXPECT_EQ(ReadFile(folder / "manifest.json"), expected);

    struct EWriter : std::runtime_error {
        using std::runtime_error::runtime_error;
    };
    EXPECT_THROW(runs.Replace("manifest.json",
                              [&](std::ostream& out) {
                                  writeInPieces(out);  // more than the buffer holds: some of it is on disk
                                  throw EWriter("the writer failed");
                              }),
                 EWriter);
    EXPECT_EQ(ReadFile(folder / "manifest.json"), expected);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder))
        ++entries;
    EXPECT_EQ(entries, 1u);
}

TEST_F(StateFolder, ALockRefusesASecondHolder)
{
    const TStateFolder runs = Runs();
    {
        const TStateLock held = runs.Lock("lock");
        EXPECT_THROW(runs.Lock("lock"), EStateBusy);
    }
    EXPECT_NO_THROW(runs.Lock("lock"));
    fs::remove(temp / "state/tidewash/runs/lock");
    fs::create_symlink(temp / "elsewhere-lock", temp / "state/tidewash/runs/lock");
    EXPECT_THROW(runs.Lock("lock"), std::runtime_error);
    EXPECT_FALSE(fs::exists(temp / "elsewhere-lock"));
}

// A file of another user in the state folder is no record of ours.
TEST_F(StateFolder, ReadsOnlyTheUsersOwnFiles)
{
    const TStateFolder runs = Runs();
    const fs::path file = temp / "state/tidewash/runs/manifest.json";
    WriteFile(file, "{}");
    EXPECT_EQ(runs.Read("manifest.json", 100), "{}");
    if (::chown(file.c_str(), ::geteuid() + 1, static_cast<gid_t>(-1)) != 0)
        GTEST_SKIP() << "files cannot be given to another user here";
    EXPECT_THROW(runs.Read("manifest.json", 100), std::runtime_error);
}

// The state folder through handles. (mingw-w64's runtime makes no symbolic
// links under Wine, so the link cases are POSIX's test alone.)
#include "StateFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "TempFolder.h"

namespace fs = std::filesystem;
using namespace twsplatform;
using twstesting::ReadFile;
using twstesting::WriteFile;

namespace {

class StateFolderWin32 : public ::testing::Test {
protected:
    TStateFolder Runs(TCreate create = TCreate::Yes) const
    {
        return TStateFolder::Open((temp / "state").string(), {"tidewash", "runs"}, create);
    }
    fs::path Folder() const { return temp / "state" / "tidewash" / "runs"; }
    twstesting::TTempFolder temp{"statefolder"};
};

TEST_F(StateFolderWin32, MakesTheFoldersOnTheWayOnlyWhenAsked)
{
    EXPECT_THROW(Runs(TCreate::No), EStateMissing);
    EXPECT_FALSE(fs::exists(temp / "state"));
    const TStateFolder runs = Runs();
    EXPECT_EQ(runs.Path(), Folder().string());
    EXPECT_EQ(runs.PathOf("manifest.json"), (Folder() / "manifest.json").string());
    EXPECT_TRUE(fs::is_directory(Folder()));
    EXPECT_NO_THROW(Runs(TCreate::No));
}

TEST_F(StateFolderWin32, ReplacesReadsAndReadsOnlyFilesWithinTheLimit)
{
    const TStateFolder runs = Runs();
    runs.Replace("manifest.json", "first");
    runs.Replace("manifest.json", std::string(100, 'x'));
    EXPECT_EQ(runs.Read("manifest.json", 100), std::string(100, 'x'));
    EXPECT_THROW(runs.Read("manifest.json", 99), std::runtime_error);
    EXPECT_EQ(ReadRegularFile(runs.PathOf("manifest.json"), 100), std::string(100, 'x'));
    EXPECT_THROW(ReadRegularFile(runs.PathOf("manifest.json"), 99), std::runtime_error);
    EXPECT_THROW(runs.Read("missing", 100), EStateMissing);
    fs::create_directory(Folder() / "a-folder");
    EXPECT_THROW(runs.Read("a-folder", 100), std::runtime_error);
    EXPECT_THROW(ReadRegularFile(runs.PathOf("a-folder"), 100), std::runtime_error);
    // Only the file and the folder: no temporary is left behind.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(Folder()))
        ++entries;
    EXPECT_EQ(entries, 2u);
}

TEST_F(StateFolderWin32, NamesAreSingleComponentsAndNewFilesAreNew)
{
    const TStateFolder runs = Runs();
    for (const char* name : {"..", ".", "", "a\\b", "a/b", "c:x"}) {
        EXPECT_THROW(runs.Folder(name, TCreate::Yes), std::runtime_error) << name;
        EXPECT_THROW(runs.Replace(name, "x"), std::runtime_error) << name;
        EXPECT_FALSE(runs.Has(name)) << name;
    }
    WriteFile(Folder() / "journal", "old");
    EXPECT_THROW(runs.CreateAppendFile("journal"), std::runtime_error);
    EXPECT_EQ(ReadFile(Folder() / "journal"), "old");
    {
        TAppendFile lines = runs.CreateAppendFile("journal2");
        lines.Append("one");
        lines.Append("two");
    }
    EXPECT_EQ(ReadFile(Folder() / "journal2"), "one\ntwo\n");
    EXPECT_THROW(runs.Folder("journal", TCreate::No), std::runtime_error);
}

TEST_F(StateFolderWin32, ListsItsFoldersAndMakesEachOnce)
{
    const TStateFolder runs = Runs();
    EXPECT_TRUE(runs.MakeFolder("20240101-000001"));
    EXPECT_FALSE(runs.MakeFolder("20240101-000001"));
    WriteFile(Folder() / "a-file", "x");
    EXPECT_EQ(runs.Folders(), std::vector<AnsiString>{"20240101-000001"});
    EXPECT_TRUE(runs.Has("a-file"));
    EXPECT_FALSE(runs.Has("nothing"));
    const TStateFolder run = runs.Folder("20240101-000001", TCreate::No);
    run.Replace("manifest.json", "{}");
    EXPECT_EQ(ReadFile(Folder() / "20240101-000001" / "manifest.json"), "{}");
}

TEST_F(StateFolderWin32, ALockRefusesASecondHolderUntilTheFirstGoes)
{
    const TStateFolder runs = Runs();
    {
        const TStateLock first = runs.Lock("lock");
        EXPECT_THROW(runs.Lock("lock"), EStateBusy);
    }
    EXPECT_NO_THROW(runs.Lock("lock"));
    fs::create_directory(Folder() / "a-folder");
    EXPECT_THROW(runs.Lock("a-folder"), std::runtime_error);
}

TEST_F(StateFolderWin32, AFolderIdentityIsReachedFromTheDrivesRoot)
{
    const TStateFolder runs = Runs();
    const TFileIdentity a = FolderIdentityWithoutLinks(runs.Path());
    const TFileIdentity b = FolderIdentityWithoutLinks(runs.Path() + "\\");
    EXPECT_EQ(a.Device, b.Device);
    EXPECT_EQ(a.Inode, b.Inode);
    EXPECT_NE(FolderIdentityWithoutLinks((temp / "state").string()).Inode, a.Inode);
    EXPECT_THROW(FolderIdentityWithoutLinks("relative\\folder"), std::runtime_error);
    EXPECT_THROW(FolderIdentityWithoutLinks(runs.Path() + "\\..\\runs"), std::runtime_error);
    EXPECT_THROW(FolderIdentityWithoutLinks(runs.Path() + "\\missing"), EStateMissing);
}

}  // namespace

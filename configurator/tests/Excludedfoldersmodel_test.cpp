// The excluded-folders set of one mask: its edits, the typed-folder
// checks, and what a volume filter lets a view list. Written with both
// separators' roots, so that the same cases hold for mount points and
// drive letters.
#include <gtest/gtest.h>

#include <functional>

#include "Excludedfoldersmodel.h"
#include "TempFolder.h"

using namespace twsconfigurator;

namespace {

std::vector<std::string> Shown(const TExcludedFoldersModel& model)
{
    std::vector<std::string> rows;
    for (const TFolderRow& row : model.Rows())
        rows.push_back(row.Path + (row.WithSubFolders ? " [x]" : " [ ]") + (row.OtherVolume ? " grey" : ""));
    return rows;
}

TEST(VolumeRootOfFolder, TheLongestRootThatHoldsThePath)
{
    const std::deque<AnsiString> roots = {"/", "/home/", "/home/data/", "C:\\", "D:\\Mount\\"};
    const struct {
        const char* folder;
        const char* root;
    } cases[] = {
        {"/usr/src", "/"},         {"/home", "/home/"},           {"/home/", "/home/"},
        {"/home/ann", "/home/"},   {"/home/data", "/home/data/"}, {"/home/database", "/home/"},
        {"relative/path", ""},     {"/HOME/ann", "/"},  // written as they are: case counts
        {"C:\\Work", "C:\\"},      {"C:", "C:\\"},                {"D:\\Mount", "D:\\Mount\\"},
        {"D:\\Mountain", ""},      {"E:\\x", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VolumeRootOfFolder(c.folder, roots), c.root) << c.folder;
}

TEST(ReadsBefore, IgnoresTheCaseOfLettersOnly)
{
    EXPECT_TRUE(ReadsBefore("/home/beta", "/home/Zeta"));
    EXPECT_FALSE(ReadsBefore("/home/Zeta", "/home/beta"));
    EXPECT_FALSE(ReadsBefore("/A", "/a"));
    EXPECT_FALSE(ReadsBefore("/a", "/A"));
    EXPECT_TRUE(ReadsBefore("/a", "/a/b"));
    EXPECT_TRUE(ReadsBefore("/a/b", "/a_b"));  // '/' before '_' as in byte order
}

TEST(ExcludedFoldersModel, EditsChangeTheSetAndMarkItChanged)
{
    TExcludedFoldersModel model;
    EXPECT_FALSE(model.Changed());
    model.Put("/b", TSubFolders::With);
    model.Put("/a", TSubFolders::Without);
    EXPECT_TRUE(model.Changed());
    EXPECT_EQ(model.Folders(), (std::vector<std::pair<AnsiString, bool>>{{"/a", false}, {"/b", true}}));

    model.ClearChanged();
    const struct {
        const char* what;
        std::function<bool()> edit;
        bool result;
        bool changed;
    } cases[] = {
        {"the flag it has", [&] { return model.SetSubFolders("/a", TSubFolders::Without); }, false, false},
        {"an unknown flag", [&] { return model.SetSubFolders("/x", TSubFolders::With); }, false, false},
        {"remove unknown", [&] { return model.Remove("/x"); }, false, false},
        {"rename unknown", [&] { return model.Rename("/x", "/y"); }, false, false},
        {"a new flag", [&] { return model.SetSubFolders("/a", TSubFolders::With); }, true, true},
        {"rename", [&] { return model.Rename("/b", "/c"); }, true, true},
        {"remove", [&] { return model.Remove("/a"); }, true, true},
    };
    for (const auto& c : cases) {
        model.ClearChanged();
        EXPECT_EQ(c.edit(), c.result) << c.what;
        EXPECT_EQ(model.Changed(), c.changed) << c.what;
    }
    // The renamed entry kept its flag.
    EXPECT_EQ(model.Folders(), (std::vector<std::pair<AnsiString, bool>>{{"/c", true}}));
    model.Put("/c", TSubFolders::Without);  // overwrites
    EXPECT_EQ(model.Folders(), (std::vector<std::pair<AnsiString, bool>>{{"/c", false}}));
}

TEST(ExcludedFoldersModel, ATypedFolderMustExistAndBeNew)
{
    twstesting::TTempFolder temp("excluded folders model");
    std::filesystem::create_directories(temp / "there");
    twstesting::WriteFile(temp / "file", "x");
    const std::string there = (temp / "there").string(), file = (temp / "file").string();
    TExcludedFoldersModel model;
    model.Put(there, TSubFolders::With);
    const struct {
        std::string path;
        TFolderRefusal refusal;
    } cases[] = {
        {"", TFolderRefusal::Empty},
        {(temp / "missing").string(), TFolderRefusal::Missing},
        {file, TFolderRefusal::Missing},  // a file is no folder
        {there, TFolderRefusal::Duplicate},
        {temp.Path().string(), TFolderRefusal::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(model.CheckNew(c.path), c.refusal) << c.path;
    EXPECT_EQ(RefusalText(TFolderRefusal::Missing).Caption, "Invalid Folder");
    EXPECT_EQ(RefusalText(TFolderRefusal::Duplicate).Text, "The selected folder is already in the list");
    EXPECT_EQ(RefusalText(TFolderRefusal::Empty).Text, "");
    EXPECT_EQ(RefusalText(TFolderRefusal::Unspellable).Caption, "Invalid Folder");
    EXPECT_EQ(RefusalText(TFolderRefusal::NoPath).Caption, "Invalid Folder");
    EXPECT_EQ(RefusalText(TFolderRefusal::NoPath).Text.rfind("The system could not give the selected folder's whole path", 0), 0u);
}

TEST(ExcludedFoldersModel, TheFilterGreysOrHidesTheFoldersOfOtherVolumes)
{
    TExcludedFoldersModel model;
    model.SetVolumeRoots({"/", "/home/", "C:\\"});
    model.Put("/home/zeta", TSubFolders::With);
    model.Put("/home/Beta", TSubFolders::Without);
    model.Put("/usr/src", TSubFolders::With);
    model.Put("C:\\Build", TSubFolders::Without);
    const struct {
        const char* filter;
        THideFiltered hide;
        std::vector<std::string> rows;
        int hidden;
    } cases[] = {
        {"", THideFiltered::Hide,
         {"/home/Beta [ ]", "/home/zeta [x]", "/usr/src [x]", "C:\\Build [ ]"}, 0},
        {"/home/", THideFiltered::Grey,
         {"/home/Beta [ ]", "/home/zeta [x]", "/usr/src [x] grey", "C:\\Build [ ] grey"}, 0},
        {"/home/", THideFiltered::Hide, {"/home/Beta [ ]", "/home/zeta [x]"}, 2},
        {"C:\\", THideFiltered::Hide, {"C:\\Build [ ]"}, 3},
        {"/", THideFiltered::Hide, {"/usr/src [x]"}, 3},
    };
    for (const auto& c : cases) {
        model.SetVolumeFilter(c.filter);
        model.SetHideFiltered(c.hide);
        EXPECT_EQ(Shown(model), c.rows) << c.filter;
        EXPECT_EQ(model.HiddenCount(), c.hidden) << c.filter;
    }
    EXPECT_EQ(model.Count(), 4) << "filtering never changes the set";
}

}  // namespace

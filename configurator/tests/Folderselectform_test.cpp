// The folder tree's add filter, and the dialog over a real folder.
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>

#include "Folderselectform.h"
#include "ScriptedDialogs.h"
#include "TempFolder.h"

using namespace twsconfigurator;
using namespace configuratortest;
namespace fs = std::filesystem;

namespace {

TEST(FolderTreeFilter, OffersRealFoldersOfFixedVolumesOnly)
{
    // Mount points: /home/ (fixed), /media/usb/ (removable), /net/share/
    // (network); everything else lies on "/".
    int asked = 0;
    const TFolderTreeFilter filter({"/", "/home/"}, [&](const AnsiString& path) -> AnsiString {
        ++asked;
        for (const char* mount : {"/home", "/media/usb", "/net/share"})
            if (path == mount || path.rfind(std::string(mount) + "/", 0) == 0)
                return std::string(mount) + "/";
        return "/";
    });
    const struct {
        const char* path;
        bool offered;
    } cases[] = {
        {"/", true},           {"/home", true},        {"/home/ann/src", true}, {"/media/usb", false},
        {"/net/share", false}, {"/usr", false},        {"/usr/src", false},     {"/proc", false},
        {"/etc", false},       {"/opt/projects", true}, {"/srv", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(filter.Accept(c.path), c.offered) << c.path;
    // A tree asks again and again; the answer is kept.
    const int before = asked;
    EXPECT_FALSE(filter.Accept("/media/usb"));
    EXPECT_EQ(asked, before);
}

TEST(FolderSelection, TheSelectedFolderIsItsPath)
{
    TestApplication();
    twstesting::TTempFolder temp("folder selection");
    fs::create_directories(temp.Path() / "pick me");
    const std::string wanted = (temp.Path() / "pick me").string();
    TfrmFolderSelection dialog(nullptr, TFolderTreeFilter({"/"}, [](const AnsiString&) { return AnsiString("/"); }));
    EXPECT_EQ(dialog.windowTitle(), "Folder Selection");
    EXPECT_EQ(dialog.SelectedPath(), "");
    // The model fills itself in the background.
    bool found = false;
    for (int i = 0; i < 500 && !found; ++i) {
        found = dialog.SelectPath(wanted);
        if (!found)
            QTest::qWait(10);
    }
    ASSERT_TRUE(found);
    EXPECT_EQ(dialog.SelectedPath(), wanted);
}

}  // namespace

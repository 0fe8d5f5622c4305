// The excluded-folders editor on its own: the folder set behind the check
// list, the typed-path checks, and the volume filter by mount point.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "Excludedfoldersform.h"
#include "ScriptedDialogs.h"
#include "TempFolder.h"

using namespace twsconfigurator;
using namespace configuratortest;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Listed(const TfrmExcludedFolders& editor)
{
    std::vector<std::string> rows;
    for (int i = 0; i < editor.chklstExcludedFolders->count(); ++i) {
        const QListWidgetItem* item = editor.chklstExcludedFolders->item(i);
        std::string row = item->text().toStdString();
        row += item->checkState() == Qt::Checked ? " [x]" : " [ ]";
        // Greyed: the check mark of a folder of another volume is fixed.
        if (!(item->flags() & Qt::ItemIsUserCheckable))
            row += " grey";
        rows.push_back(row);
    }
    return rows;
}

class EditorTest : public ::testing::Test {
protected:
    EditorTest()
    {
        TestApplication();
        editor.SetVolumeRoots({"/", "/home/"});
        editor.OnModified = [this](TfrmExcludedFolders* sender) {
            EXPECT_EQ(sender, &editor);
            ++modifications;
        };
        for (const char* name : {"a", "B", "c", "a/deep"})
            fs::create_directories(temp.Path() / name);
    }

    std::string Dir(const char* name) const { return (temp.Path() / name).string(); }
    void Type(const std::string& text) { editor.edtFolderPath->setText(QString::fromStdString(text)); }

    TQtApp app;
    twstesting::TTempFolder temp{"excluded folders"};
    TScriptedDialogs dialogs;
    TfrmExcludedFolders editor;
    int modifications = 0;
};

TEST_F(EditorTest, TheListIsSortedIgnoringCaseAndShowsTheFlags)
{
    EXPECT_EQ(editor.lblHiddenCount->text(), "");  // until the first rebuild
    editor.AddFolder("/home/zeta", true);
    editor.AddFolder("/home/Beta", false);
    editor.AddFolder("/home/alpha", true);
    EXPECT_EQ(Listed(editor),
              (std::vector<std::string>{"/home/alpha [x]", "/home/Beta [ ]", "/home/zeta [x]"}));
    // Overwriting keeps one entry with the new flag.
    editor.AddFolder("/home/Beta", true);
    EXPECT_EQ(Listed(editor)[1], "/home/Beta [x]");
    EXPECT_EQ(editor.GetFolders(), (std::vector<std::pair<AnsiString, bool>>{
                                       {"/home/Beta", true}, {"/home/alpha", true}, {"/home/zeta", true}}));
    EXPECT_EQ(modifications, 0);  // the program's own additions are no edits
}

TEST_F(EditorTest, AddReplaceAndDeleteCheckTheTypedPath)
{
    struct Step {
        const char* what;
        std::function<void()> act;
        std::vector<std::string> boxes;
        std::vector<std::string> listed;
    };
    const std::string a = Dir("a"), b = Dir("B"), c = Dir("c");
    const Step steps[] = {
        {"empty path: nothing", [&] { Type(""); editor.btnAddClick(); }, {}, {}},
        {"missing folder", [&] { Type(Dir("missing")); editor.btnAddClick(); },
         {"Invalid Folder: The provided folder does not exist"}, {}},
        {"add a", [&] { Type(a); editor.btnAddClick(); }, {}, {a + " [x]"}},
        {"add a again", [&] { Type(a); editor.btnAddClick(); },
         {"Folder Duplicate: The selected folder is already in the list"}, {a + " [x]"}},
        {"case differs: another folder", [&] { Type(b); editor.btnAddClick(); }, {}, {a + " [x]", b + " [x]"}},
        {"replace without selection",
         [&] { editor.chklstExcludedFolders->setCurrentRow(-1); Type(c); editor.btnReplaceClick(); }, {},
         {a + " [x]", b + " [x]"}},
        {"uncheck a, replace it by c",
         [&] {
             editor.chklstExcludedFolders->item(0)->setCheckState(Qt::Unchecked);
             editor.chklstExcludedFolders->setCurrentRow(0);
             Type(c);
             editor.btnReplaceClick();
         },
         {}, {c + " [ ]", b + " [x]"}},
        {"replace by a listed folder", [&] { editor.chklstExcludedFolders->setCurrentRow(0); Type(b); editor.btnReplaceClick(); },
         {"Folder Duplicate: The selected folder is already in the list"}, {c + " [ ]", b + " [x]"}},
        {"delete the last entry", [&] { editor.chklstExcludedFolders->setCurrentRow(1); editor.btnDeleteClick(); },
         {}, {c + " [ ]"}},
        {"a deleted folder comes back without a duplicate box, sorted in", [&] { Type(b); editor.btnAddClick(); },
         {}, {b + " [x]", c + " [ ]"}},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(dialogs.TakeBoxes(), step.boxes) << step.what;
        EXPECT_EQ(Listed(editor), step.listed) << step.what;
    }
    EXPECT_EQ(editor.GetFolders(), (std::vector<std::pair<AnsiString, bool>>{{b, true}, {c, false}}));
    // a, B, the check toggle, the replace, the delete, B again.
    EXPECT_EQ(modifications, 6);
    // The folder added last is the selected entry.
    EXPECT_EQ(editor.chklstExcludedFolders->currentRow(), 0);
}

TEST_F(EditorTest, SelectingAnEntryCopiesItsPathAndBrowsingFillsTheEdit)
{
    editor.AddFolder("/home/one", true);
    editor.AddFolder("/home/two", true);
    QTest::mouseClick(editor.chklstExcludedFolders->viewport(), Qt::LeftButton, {},
                      editor.chklstExcludedFolders->visualItemRect(editor.chklstExcludedFolders->item(1)).center());
    EXPECT_EQ(editor.edtFolderPath->text(), "/home/two");
    dialogs.Folders = {"/home/picked"};
    editor.btnFolderPathClick();
    EXPECT_EQ(editor.edtFolderPath->text(), "/home/picked");
    editor.btnFolderPathClick();  // cancelled: unchanged
    EXPECT_EQ(editor.edtFolderPath->text(), "/home/picked");
}

TEST_F(EditorTest, TheVolumeFilterGreysOrHidesFoldersOfOtherVolumes)
{
    editor.AddFolder("/home/ann", true);
    editor.AddFolder("/srv/data", false);
    editor.AddFolder("/home", true);
    struct Case {
        const char* filter;
        bool hide;
        std::vector<std::string> listed;
        const char* hidden;
    };
    const Case cases[] = {
        {"", false, {"/home [x]", "/home/ann [x]", "/srv/data [ ]"}, "0"},
        {"/home/", false, {"/home [x]", "/home/ann [x]", "/srv/data [ ] grey"}, "0"},
        {"/home/", true, {"/home [x]", "/home/ann [x]"}, "1"},
        {"/", true, {"/srv/data [ ]"}, "2"},
        {"/", false, {"/home [x] grey", "/home/ann [x] grey", "/srv/data [ ]"}, "0"},
    };
    for (const Case& c : cases) {
        editor.SetHideFiltered(c.hide);
        editor.SetVolumeFilter(c.filter);
        EXPECT_EQ(Listed(editor), c.listed) << c.filter << c.hide;
        EXPECT_EQ(editor.lblHiddenCount->text(), c.hidden) << c.filter << c.hide;
    }
    // Hidden folders stay in the set; a toggled flag survives a rebuild.
    editor.SetHideFiltered(false);
    editor.SetVolumeFilter("");
    editor.chklstExcludedFolders->item(2)->setCheckState(Qt::Checked);
    editor.SetVolumeFilter("/home/");
    EXPECT_EQ(Listed(editor)[2], "/srv/data [x] grey");
    EXPECT_EQ(editor.GetFolders().size(), 3u);
    EXPECT_EQ(modifications, 1);
}

TEST_F(EditorTest, AGreyedFolderCanBeSelectedAndDeletedByTheDeleteKey)
{
    editor.AddFolder("/home/ann", true);
    editor.AddFolder("/srv/data", false);
    editor.SetVolumeFilter("/home/");
    editor.show();
    QListWidget* list = editor.chklstExcludedFolders;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    ASSERT_EQ(list->currentRow(), 1);
    EXPECT_TRUE(list->item(1)->isSelected());
    EXPECT_EQ(editor.edtFolderPath->text(), "/srv/data");
    EXPECT_EQ(Listed(editor)[1], "/srv/data [ ] grey");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(Listed(editor), std::vector<std::string>{"/home/ann [x]"});
    EXPECT_EQ(editor.GetFolders().size(), 1u);
    EXPECT_EQ(modifications, 1);
    // The row the program selected after the deletion leaves the typed
    // path alone.
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(editor.edtFolderPath->text(), "/srv/data");
}

TEST_F(EditorTest, AFolderTheFilterHidesIsCountedWhenAdded)
{
    // A volume of its own beside the folder added, wherever the temporary
    // folder is.
    const std::string volume = Dir("B") + "/";
    editor.SetVolumeRoots({"/", volume});
    editor.SetVolumeFilter(volume);
    editor.SetHideFiltered(true);
    Type(Dir("a"));
    editor.btnAddClick();
    EXPECT_TRUE(Listed(editor).empty());
    EXPECT_EQ(editor.lblHiddenCount->text(), "1");
    EXPECT_EQ(editor.GetFolders().size(), 1u);
    EXPECT_EQ(editor.edtFolderPath->text().toStdString(), Dir("a"));
}

}  // namespace

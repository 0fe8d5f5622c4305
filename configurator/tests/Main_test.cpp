// The main window against the real configuration server, installed and
// registered into a temporary registry, with the user played by a script:
// masks, the editors in their tabs, the volume filter and the excluded
// volumes, saving and reloading TWS.cfg, closing, and a settings file that
// cannot be read.
#include <gtest/gtest.h>

#include <QTest>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <thread>

#include "Excludedfoldersform.h"
#include "InstalledServer.h"
#include "Main.h"
#include "Twsresname.h"
#include "ScriptedDialogs.h"
#include "SettingsFile.h"
#include "TempFolder.h"

using namespace twsconfigurator;
using namespace configuratortest;
namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kDefaultMasks = {"*.map", "*.dsk", "*.obj", "*.csm", "*.tds",
                                                "*.il*", "*.~*",  "*.#*",  "*.bak"};

class MainTest : public zelcomtest::TInstalledServerTest {
protected:
    MainTest() : TInstalledServerTest("TWSConfig.so") {}

    // settings: the installation's TWS.cfg unless given.
    std::unique_ptr<TfrmMain> Open(std::vector<std::string> volumes = {"Data  (/data/)=/data/", "/=/"},
                                   const tws::TSettingsPlace& settings = {})
    {
        TConfiguratorSetup setup;
        setup.Settings = settings;
        if (setup.Settings.File.empty())
            setup.Settings.File = ConfigPath();
        setup.ProgramFolder = install.string() + "/";
        setup.ListVolumes = [volumes](TStrings* list) {
            for (const std::string& line : volumes)
                list->Add(line);
        };
        return std::make_unique<TfrmMain>(setup);
    }
    std::string ConfigPath() const { return (install / "TWS.cfg").string(); }

    static std::vector<std::string> Tabs(const TfrmMain& w)
    {
        std::vector<std::string> tabs;
        for (int i = 0; i < w.pcFileMasks->count(); ++i)
            tabs.push_back(w.pcFileMasks->tabText(i).toStdString());
        return tabs;
    }
    static std::vector<std::string> CheckedVolumes(const TfrmMain& w)
    {
        std::vector<std::string> checked;
        for (QAction* item : w.miExcludedVolumes->actions())
            if (item->isChecked())
                checked.push_back(item->text().toStdString());
        return checked;
    }

    TQtApp app;
    TScriptedDialogs dialogs;
};

// Without a settings file the defaults are shown; the file is written by
// the first save only, whole.
TEST_F(MainTest, ANewInstallationShowsTheDefaultsAndTheFirstSaveCreatesTheFile)
{
    auto w = Open();
    ASSERT_TRUE(w->HasConfiguration());
    EXPECT_FALSE(fs::exists(ConfigPath()));
    EXPECT_EQ(Tabs(*w), kDefaultMasks);
    EXPECT_FALSE(w->pnlMasks->isHidden());
    EXPECT_FALSE(w->Modified());
    // The option boxes were set on the way, yet the marker stays clear.
    EXPECT_EQ(w->sbarPanel0->text(), "");
    EXPECT_EQ(w->windowTitle(), "TWS Configurator");
    ASSERT_EQ(w->miExcludedVolumes->actions().size(), 2);
    EXPECT_EQ(w->miExcludedVolumes->actions()[0]->text(), "Data  (/data/)");
    EXPECT_TRUE(CheckedVolumes(*w).empty());
    EXPECT_EQ(w->cboxVolumeFilter->count(), 3);
    EXPECT_EQ(w->cboxVolumeFilter->itemText(0), "None");
    EXPECT_TRUE(dialogs.TakeBoxes().empty());
    w->actSaveExecute();
    EXPECT_TRUE(dialogs.TakeBoxes().empty());
    EXPECT_EQ(zelcomtest::ReadFile(ConfigPath()), twstesting::TSettingsFile().Text());
}

// A shared installation: the window shows the installation's settings and
// says so, and the save creates the user's own file (and its folder),
// which is then the file shown and read; the installation's stays as it is.
TEST_F(MainTest, ASharedInstallationsSettingsAreSavedAsTheUsersOwn)
{
    twstesting::TSettingsFile installed;
    installed.ActiveMasks = "*.obj,*.map";
    twstesting::WriteFile(ConfigPath(), installed.Text());
    const std::string userFile = (base / "config" / "tidewash" / "TWS.cfg").string();
    tws::TSettingsPlace place;
    place.Owner = tws::TDataOwner::User;
    place.File = userFile;
    place.Defaults = {(base / "missing.cfg").string(), ConfigPath()};
    {
        auto w = Open({}, place);
        EXPECT_EQ(Tabs(*w), (std::vector<std::string>{"*.obj", "*.map"}));
        EXPECT_EQ(w->sbarSettingsFile->text().toStdString(),
                  "Settings: " + userFile + " (from " + ConfigPath() + " until saved)");
        QTest::mouseClick(w->cboxDeleteHiddenFiles, Qt::LeftButton);
        w->actSaveExecute();
        EXPECT_TRUE(dialogs.TakeBoxes().empty());
        EXPECT_EQ(w->sbarSettingsFile->text().toStdString(), "Settings: " + userFile);
    }
    installed.DeleteHidden = true;
    EXPECT_EQ(zelcomtest::ReadFile(userFile), installed.Text());
    installed.DeleteHidden = false;
    EXPECT_EQ(zelcomtest::ReadFile(ConfigPath()), installed.Text());
    auto w = Open({}, place);
    EXPECT_TRUE(w->cboxDeleteHiddenFiles->isChecked());
    EXPECT_EQ(w->sbarSettingsFile->text().toStdString(), "Settings: " + userFile);
}

TEST_F(MainTest, MasksAreAddedRenamedAndDeletedWithTheirChecks)
{
    auto w = Open();
    struct Step {
        const char* what;
        std::function<void()> act;
        std::vector<std::string> boxes;
        std::vector<std::string> tabs;
        int active;
    };
    auto add = [&](const char* text) {
        dialogs.Inputs.push_back(text);
        w->actAddMaskExecute();
    };
    auto edit = [&](const char* text) {
        dialogs.Inputs.push_back(text);
        w->actEditMaskExecute();
    };
    auto remove = [&](int tab, TBoxAnswer answer) {
        w->pcFileMasks->setCurrentIndex(tab);
        dialogs.Answers.push_back(answer);
        w->actDeleteMaskExecute();
    };
    std::vector<std::string> tabs = kDefaultMasks;
    std::vector<std::string> plusTmp = tabs;
    plusTmp.push_back("*.tmp");
    std::vector<std::string> plusTMP = tabs;
    plusTMP.push_back("*.TMP");
    std::vector<std::string> noMap(plusTMP.begin() + 1, plusTMP.end());
    std::vector<std::string> noMapTds = noMap;
    noMapTds.erase(noMapTds.begin() + 3);  // *.tds
    std::vector<std::string> withHeaders = noMapTds;
    withHeaders.push_back("*.h*");
    const std::string invalid = "Invalid Mask: ";
    const Step steps[] = {
        {"cancelled", [&] { add(nullptr); }, {}, tabs, 0},
        {"empty", [&] { add(""); }, {invalid + "Cannot have an empty mask"}, tabs, 0},
        {"same mask in other case", [&] { add("*.OBJ"); }, {invalid + "The entered mask already exists"}, tabs, 0},
        {"every name", [&] { add("*.*"); },
         {invalid + "The mask \"*.*\" matches every file name (it has no letter to narrow it): the scan would "
                    "offer every file of the volume, sources included, for removal"},
         tabs, 0},
        {"sources, answered No", [&] { dialogs.Answers.push_back(TBoxAnswer::No); add("*.c*"); },
         {"Mask Matches Source Files: The mask \"*.c*\" matches source or project files (.cpp .c .cbproj): every "
          "scan would offer them for removal.\n\nUse this mask anyway?"},
         tabs, 0},
        {"new mask", [&] { add("*.tmp"); }, {}, plusTmp, 9},
        {"renamed to its own text in other case", [&] { edit("*.TMP"); }, {}, plusTMP, 9},
        {"renamed onto another mask", [&] { edit("*.Bak"); }, {invalid + "The entered mask already exists"},
         plusTMP, 9},
        {"delete answered No", [&] { remove(4, TBoxAnswer::No); },
         {"Confirm: Are you sure you want to\ndelete the file mask ?\n\n    *.tds"}, plusTMP, 4},
        {"delete the first: the new first is active", [&] { remove(0, TBoxAnswer::Yes); },
         {"Confirm: Are you sure you want to\ndelete the file mask ?\n\n    *.map"}, noMap, 0},
        {"delete another: the previous is active", [&] { remove(3, TBoxAnswer::Yes); },
         {"Confirm: Are you sure you want to\ndelete the file mask ?\n\n    *.tds"}, noMapTds, 2},
        {"sources, answered Yes", [&] { dialogs.Answers.push_back(TBoxAnswer::Yes); add("*.h*"); },
         {"Mask Matches Source Files: The mask \"*.h*\" matches source or project files (.h .hpp): every "
          "scan would offer them for removal.\n\nUse this mask anyway?"},
         withHeaders, 8},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(dialogs.TakeBoxes(), step.boxes) << step.what;
        EXPECT_EQ(Tabs(*w), step.tabs) << step.what;
        EXPECT_EQ(w->pcFileMasks->currentIndex(), step.active) << step.what;
    }
    EXPECT_EQ(dialogs.InputCaptions[0], "Add File Mask|File Mask: |");
    EXPECT_EQ(dialogs.InputCaptions[6], "Edit File Mask|File Mask: |*.tmp");
    EXPECT_TRUE(w->Modified());
    EXPECT_EQ(w->sbarPanel0->text(), " Modified");
    EXPECT_NE(w->EditorOf("*.TMP"), nullptr);
    EXPECT_EQ(w->EditorOf("*.tmp"), nullptr);

    // The Delete key on the mask tabs asks the same question.
    w->show();
    w->pcFileMasks->tabBar()->setFocus();
    dialogs.Answers.push_back(TBoxAnswer::No);
    QTest::keyClick(w->pcFileMasks->tabBar(), Qt::Key_Delete);
    EXPECT_EQ(dialogs.TakeBoxes().size(), 1u);

    // Deleting every mask hides the panel and shows the hint.
    while (w->pcFileMasks->count() > 0)
        remove(0, TBoxAnswer::Yes);
    EXPECT_TRUE(w->pnlMasks->isHidden());
    EXPECT_FALSE(w->Label2->isHidden());
    EXPECT_EQ(w->Label2->text(), "Add  a new File Mask using the Edit menu.");
    w->miEditClick();
    EXPECT_TRUE(w->actAddMask->isEnabled());
    EXPECT_FALSE(w->actEditMask->isEnabled());
    EXPECT_FALSE(w->actDeleteMask->isEnabled());
}

TEST_F(MainTest, SaveWritesEverythingThroughTheServerAndReloadReadsItBack)
{
    fs::create_directories(base / "keep" / "sub");
    const std::string keep = (base / "keep").string(), sub = (base / "keep" / "sub").string();
    {
        auto w = Open();
        TfrmExcludedFolders* obj = w->EditorOf("*.obj");
        ASSERT_NE(obj, nullptr);
        obj->edtFolderPath->setText(QString::fromStdString(keep));
        obj->btnAddClick();
        obj->edtFolderPath->setText(QString::fromStdString(sub));
        obj->btnAddClick();
        obj->chklstExcludedFolders->item(1)->setCheckState(Qt::Unchecked);  // sub alone
        EXPECT_TRUE(w->Modified());

        // Renaming keeps the folders, which are then saved under the new mask.
        w->pcFileMasks->setCurrentIndex(2);
        dialogs.Inputs.push_back("*.o");
        w->actEditMaskExecute();
        QTest::mouseClick(w->cboxDeleteHiddenFiles, Qt::LeftButton);
        QTest::mouseClick(w->cboxUseRecycleBin, Qt::LeftButton);
        w->miExcludedVolumes->actions()[0]->trigger();
        w->miFileClick();
        EXPECT_TRUE(w->actSave->isEnabled());
        w->actSaveExecute();
        EXPECT_FALSE(w->Modified());
        EXPECT_EQ(w->sbarPanel0->text(), "");
        w->miFileClick();
        EXPECT_FALSE(w->actSave->isEnabled());
    }
    const std::string file = zelcomtest::ReadFile(ConfigPath());
    EXPECT_NE(file.find("*.o"), std::string::npos) << file;
    EXPECT_NE(file.find(keep), std::string::npos) << file;
    EXPECT_NE(file.find("/data/"), std::string::npos) << file;

    auto w = Open();
    std::vector<std::string> masks = kDefaultMasks;
    masks[2] = "*.o";
    EXPECT_EQ(Tabs(*w), masks);
    ASSERT_NE(w->EditorOf("*.o"), nullptr);
    EXPECT_EQ(w->EditorOf("*.o")->GetFolders(),
              (std::vector<std::pair<AnsiString, bool>>{{keep, true}, {sub, false}}));
    EXPECT_TRUE(w->cboxDeleteHiddenFiles->isChecked());
    EXPECT_EQ(w->cboxDeleteReadOnlyFiles->isChecked(), false);
    // The default of the recycle bin was flipped by the click.
    EXPECT_EQ(CheckedVolumes(*w), std::vector<std::string>{"Data  (/data/)"});
    EXPECT_FALSE(w->Modified());

    // Reload drops what was not saved.
    dialogs.Inputs.push_back("*.new");
    w->actAddMaskExecute();
    w->actReloadExecute();
    EXPECT_EQ(Tabs(*w), masks);
    EXPECT_FALSE(w->Modified());
    EXPECT_TRUE(dialogs.TakeBoxes().empty());
}

TEST_F(MainTest, AnExcludedVolumeThatIsNotAttachedIsKeptUntilTheUserRemovesIt)
{
    {
        auto w = Open();
        w->miExcludedVolumes->actions()[0]->trigger();
        w->actSaveExecute();
    }
    ASSERT_NE(zelcomtest::ReadFile(ConfigPath()).find("/data/"), std::string::npos);
    auto w = Open({"/=/"});
    ASSERT_EQ(w->miExcludedVolumes->actions().size(), 2);
    EXPECT_EQ(CheckedVolumes(*w), std::vector<std::string>{"/data/  (not attached)"});
    // Saving another change keeps it.
    QTest::mouseClick(w->cboxDeleteReadOnlyFiles, Qt::LeftButton);
    w->actSaveExecute();
    EXPECT_NE(zelcomtest::ReadFile(ConfigPath()).find("/data/"), std::string::npos);
    // Unchecking it removes it.
    w->miExcludedVolumes->actions()[1]->trigger();
    EXPECT_TRUE(w->Modified());
    w->actSaveExecute();
    EXPECT_EQ(zelcomtest::ReadFile(ConfigPath()).find("/data/"), std::string::npos);
}

TEST_F(MainTest, TheDeleteKeyDeletesAMaskOnlyFromTheMaskTabs)
{
    fs::create_directories(base / "keep");
    auto w = Open();
    w->show();
    w->pcFileMasks->setCurrentIndex(2);
    TfrmExcludedFolders* obj = w->EditorOf("*.obj");
    ASSERT_NE(obj, nullptr);
    obj->AddFolder((base / "keep").string(), true);
    obj->chklstExcludedFolders->setCurrentRow(0);
    // Were the question asked, Enter would answer Yes.
    dialogs.Answers.push_back(TBoxAnswer::Yes);
    const std::vector<QWidget*> elsewhere = {obj->chklstExcludedFolders, obj->edtFolderPath, obj->btnAdd,
                                             obj->btnReplace, obj->btnDelete, obj->btnFolderPath};
    for (QWidget* focus : elsewhere) {
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Delete);
        EXPECT_TRUE(dialogs.TakeBoxes().empty()) << focus->metaObject()->className();
        EXPECT_EQ(Tabs(*w), kDefaultMasks) << focus->metaObject()->className();
    }
    EXPECT_TRUE(obj->GetFolders().empty()) << "Delete in the list deletes the folder entry";

    w->pcFileMasks->tabBar()->setFocus();
    QTest::keyClick(w->pcFileMasks->tabBar(), Qt::Key_Delete);
    EXPECT_EQ(dialogs.TakeBoxes().size(), 1u);
    EXPECT_EQ(w->EditorOf("*.obj"), nullptr);
}

TEST_F(MainTest, HidingReachesTheEditorsOfReloadAndAddAndCountsWhatAnAddHides)
{
    fs::create_directories(base / "other");
    const std::string other = (base / "other").string();
    // Two volumes of the test's own making: the folder is on neither
    // "/data/" nor the filtered one, wherever the temporary folder is.
    const std::string filtered = (base / "vol").string() + "/";
    auto w = Open({"Data  (/data/)=/data/", "Vol=" + filtered, "/=/"});
    w->cboxVolumeFilter->setCurrentIndex(2);  // Vol
    QTest::mouseClick(w->cboxHideFiltered, Qt::LeftButton);
    dialogs.Inputs.push_back("*.tmp");
    w->actAddMaskExecute();
    TfrmExcludedFolders* tmp = w->EditorOf("*.tmp");
    ASSERT_NE(tmp, nullptr);
    tmp->edtFolderPath->setText(QString::fromStdString(other));
    tmp->btnAddClick();
    EXPECT_EQ(tmp->chklstExcludedFolders->count(), 0);
    EXPECT_EQ(tmp->lblHiddenCount->text(), "1");
    EXPECT_EQ(tmp->GetFolders().size(), 1u);

    w->actSaveExecute();
    w->actReloadExecute();
    tmp = w->EditorOf("*.tmp");
    ASSERT_NE(tmp, nullptr);
    EXPECT_EQ(tmp->chklstExcludedFolders->count(), 0) << "hidden, not greyed";
    EXPECT_EQ(tmp->lblHiddenCount->text(), "1");
    EXPECT_TRUE(dialogs.TakeBoxes().empty());
}

TEST_F(MainTest, TheVolumeFilterReachesEveryEditorWithoutMarkingChanges)
{
    auto w = Open();
    w->EditorOf("*.obj")->AddFolder("/data/projects", true);
    w->EditorOf("*.obj")->AddFolder("/srv/build", true);
    w->EditorOf("*.bak")->AddFolder("/srv/old", true);
    w->actSaveExecute();
    ASSERT_FALSE(w->Modified());
    w->cboxVolumeFilter->setCurrentIndex(1);  // Data  (/data/)
    QTest::mouseClick(w->cboxHideFiltered, Qt::LeftButton);
    EXPECT_EQ(w->EditorOf("*.obj")->lblHiddenCount->text(), "1");
    EXPECT_EQ(w->EditorOf("*.bak")->lblHiddenCount->text(), "1");
    EXPECT_EQ(w->EditorOf("*.map")->lblHiddenCount->text(), "0");
    w->cboxVolumeFilter->setCurrentIndex(0);
    EXPECT_EQ(w->EditorOf("*.obj")->lblHiddenCount->text(), "0");
    EXPECT_FALSE(w->Modified());
}

TEST_F(MainTest, ClosingWithUnsavedChangesAsks)
{
    struct Case {
        TBoxAnswer answer;
        bool closed;
        bool saved;
    };
    for (const Case c : {Case{TBoxAnswer::Cancel, false, false}, Case{TBoxAnswer::No, true, false},
                         Case{TBoxAnswer::Yes, true, true}}) {
        fs::remove(ConfigPath());
        auto w = Open();
        w->show();
        dialogs.Inputs.push_back("*.tmp");
        w->actAddMaskExecute();
        dialogs.Answers.push_back(c.answer);
        EXPECT_EQ(w->close(), c.closed);
        const auto boxes = dialogs.TakeBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], "Configuration Modified: Do you want to save the changes ?");
        EXPECT_EQ(dialogs.Boxes.empty(), true);
        EXPECT_EQ(zelcomtest::ReadFile(ConfigPath()).find("*.tmp") != std::string::npos, c.saved);
        EXPECT_EQ(w->HasConfiguration(), !c.closed);
    }
    // Nothing changed: no question.
    auto w = Open();
    w->show();
    EXPECT_TRUE(w->close());
    EXPECT_TRUE(dialogs.TakeBoxes().empty());
}

TEST_F(MainTest, ASettingsFileThatCannotBeReadIsReportedAndNeverReplaced)
{
    struct Case {
        const char* what;
        std::function<void()> make;
        const char* reason;
    };
    const fs::path elsewhere = install / "elsewhere.cfg";
    const std::string whole = twstesting::TSettingsFile().Text();
    const Case cases[] = {
        {"damaged",
         [&] {
             std::string text = whole;
             std::ofstream(ConfigPath()) << text.replace(text.find("ActiveMasks=\""), 13, "ActiveMasks=\"\"");
         },
         "unclosed double quote"},
        {"cut short", [&] { std::ofstream(ConfigPath()) << whole.substr(0, whole.find("[Files/Excluded]")); },
         "lacks [Files/Excluded]"},
        {"a folder", [&] { fs::create_directory(ConfigPath()); }, ""},
        {"a link",
         [&] {
             std::ofstream(elsewhere) << whole;
             fs::create_symlink(elsewhere, ConfigPath());
         },
         "symbolic link"},
    };
    for (const Case& c : cases) {
        fs::remove_all(ConfigPath());
        c.make();
        const fs::file_type type = fs::symlink_status(ConfigPath()).type();
        const std::string before = fs::is_regular_file(ConfigPath()) ? zelcomtest::ReadFile(ConfigPath()) : "";
        auto w = Open();
        const auto boxes = dialogs.TakeBoxes();
        ASSERT_EQ(boxes.size(), 1u) << c.what;
        EXPECT_EQ(boxes[0].rfind("Settings Not Loaded: ", 0), 0u) << boxes[0];
        EXPECT_NE(boxes[0].find(ConfigPath()), std::string::npos) << boxes[0];
        EXPECT_NE(boxes[0].find(c.reason), std::string::npos) << boxes[0];
        EXPECT_TRUE(Tabs(*w).empty()) << c.what;

        dialogs.Inputs.push_back("*.tmp");
        w->actAddMaskExecute();
        w->actSaveExecute();
        const auto refused = dialogs.TakeBoxes();
        ASSERT_EQ(refused.size(), 1u) << c.what;
        EXPECT_EQ(refused[0].rfind("Settings Not Saved: ", 0), 0u) << refused[0];
        EXPECT_TRUE(w->Modified()) << c.what;
        EXPECT_EQ(fs::symlink_status(ConfigPath()).type(), type) << c.what;
        if (fs::is_regular_file(ConfigPath())) {
            EXPECT_EQ(zelcomtest::ReadFile(ConfigPath()), before) << c.what;
        }
        dialogs.Answers.push_back(TBoxAnswer::No);
    }
}

TEST_F(MainTest, TheWizardIsOfferedOnlyWhenItIsBesideTheConfigurator)
{
    auto w = Open();
    w->miToolsClick();
    EXPECT_FALSE(w->actRunTWSUtil->isEnabled());

    // A stand-in wizard that records where it was started.
    const fs::path wizard = install / kWizardProgram;
    std::ofstream(wizard) << "#!/bin/sh\npwd > started\n";
    fs::permissions(wizard, fs::perms::owner_all);
    w->miToolsClick();
    EXPECT_TRUE(w->actRunTWSUtil->isEnabled());
    const fs::path before = fs::current_path();
    w->actRunTWSUtilExecute();
    EXPECT_EQ(fs::current_path(), before);
    const fs::path started = install / "started";
    for (int i = 0; i < 200 && zelcomtest::ReadFile(started).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(zelcomtest::ReadFile(started), install.string() + "\n");
    EXPECT_TRUE(dialogs.TakeBoxes().empty());
}

// Without the configuration server the window shows no form that could be
// taken for the settings, says what to do, and never pretends to save.
TEST_F(MainTest, WithoutTheServerTheWindowSaysSoAndOffersNoForm)
{
    ASSERT_EQ(RegisterTool("/u"), 0);
    auto w = Open();
    EXPECT_FALSE(w->HasConfiguration());
    ASSERT_EQ(w->pcMain->count(), 1);
    EXPECT_EQ(w->pcMain->tabText(0), "Settings Unavailable");
    ASSERT_NE(w->lblNoServer, nullptr);
    const std::string notice = w->lblNoServer->text().toStdString();
    EXPECT_NE(notice.find("configuration server TWSConfig could not be created (it is not registered)"),
              std::string::npos)
        << notice;
    EXPECT_NE(notice.find("twsregsvr "), std::string::npos) << notice;
    EXPECT_NE(notice.find("TWSConfig.so"), std::string::npos) << notice;
    for (QAction* action : {w->actSave, w->actReload, w->actAddMask, w->actEditMask, w->actDeleteMask})
        EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();
    EXPECT_FALSE(w->cboxUseRecycleBin->isEnabled());
    EXPECT_TRUE(w->actExit->isEnabled());
    // Called anyway, Save says it saved nothing.
    w->actSaveExecute();
    const auto boxes = dialogs.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("Settings Not Saved: The settings were not saved: the configuration server could not "
                             "be created (it is not registered).",
                             0),
              0u)
        << boxes[0];
    EXPECT_FALSE(fs::exists(ConfigPath()));
    EXPECT_TRUE(w->close()) << "nothing changed, nothing to ask";
}

TEST_F(MainTest, AboutNamesTheProgramAndTheProduct)
{
    auto w = Open();
    EXPECT_EQ(w->windowTitle(), "TWS Configurator");
    w->actAbout->trigger();
    const auto boxes = dialogs.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("About TWS Configurator: TWS Configurator - Tidewash ", 0), 0u) << boxes[0];
    EXPECT_EQ(dialogs.Boxes.size(), 0u);
}

}  // namespace

namespace {

// The window as a user first sees it with folders excluded for one mask:
// shown at its size, the mask's tab in front with its folders, drawn (not
// one flat colour). When TWS_SCREENSHOT names a file the picture is kept
// there for the documentation (docs/configurator.png, scripts/screenshots.sh).
TEST_F(MainTest, TheWindowAsAUserFirstSeesItDraws)
{
    fs::create_directories(base / "Projects" / "Shared" / "lib");
    // The handler registered beside the server, with the images beside it,
    // as an installation has them: the editor's buttons show their glyphs.
    for (const char* file : {"Tidewash.so", TWSRES_FILE_NAME})
        fs::copy_file(zelcomtest::BuildOut() + "/" + file, install / file);
    const std::string registerHandler = "'" + zelcomtest::BuildOut() + "/twsregsvr' /s '" +
                                        (install / "Tidewash.so").string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(registerHandler.c_str()), 0);
    auto w = Open();
    w->pcFileMasks->setCurrentIndex(2);
    TfrmExcludedFolders* obj = w->EditorOf("*.obj");
    ASSERT_NE(obj, nullptr);
    obj->AddFolder("/data/projects/vendor", true);
    obj->AddFolder("/home/ann/src/thirdparty", false);
    obj->AddFolder("/data/archive", true);
    w->resize(640, 440);
    w->show();
    QTest::qWait(50);
    EXPECT_EQ(w->EditorAt(w->pcFileMasks->currentIndex()), obj);
    EXPECT_EQ(obj->GetFolders().size(), 3u);
    const QImage picture = w->grab().toImage();
    ASSERT_EQ(picture.size(), QSize(640, 440));
    std::set<QRgb> colours;
    for (int y = 0; y < picture.height() && colours.size() < 3; y += 7)
        for (int x = 0; x < picture.width() && colours.size() < 3; x += 7)
            colours.insert(picture.pixel(x, y));
    EXPECT_GE(colours.size(), 3u) << "the window was not drawn";
    if (const char* target = std::getenv("TWS_SCREENSHOT")) {
        EXPECT_TRUE(picture.save(target));
    }
}

}  // namespace

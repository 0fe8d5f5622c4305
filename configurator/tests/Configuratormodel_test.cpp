// The settings editor's state: which masks are taken, refused or asked
// about, the mask list's edits, the excluded volumes (attached or not),
// the shared volume filter and the modified flag.
#include <gtest/gtest.h>

#include <functional>

#include "Configuratormodel.h"

using namespace twsconfigurator;

namespace {

TConfiguratorModel Loaded(const std::vector<const char*>& masks)
{
    TConfiguratorModel model({{"Data  (/data/)", "/data/"}, {"Root  (/)", "/"}});
    for (const char* mask : masks)
        model.AddMask(mask);
    model.ClearModified();
    return model;
}

TEST(ConfiguratorModel, MasksAreTakenRefusedOrAskedAbout)
{
    const TConfiguratorModel model = Loaded({"*.obj", "*.tmp"});
    const struct {
        const char* mask;
        int edited;
        TMaskVerdict verdict;
        const char* message;  // the start of it
    } cases[] = {
        {"*.bak", -1, TMaskVerdict::Accept, ""},
        {"", -1, TMaskVerdict::Refuse, "Cannot have an empty mask"},
        {"*.OBJ", -1, TMaskVerdict::Refuse, "The entered mask already exists"},
        {"*.OBJ", 0, TMaskVerdict::Accept, ""},  // renaming a mask to its own name in another case
        {"*.OBJ", 1, TMaskVerdict::Refuse, "The entered mask already exists"},
        {"*", -1, TMaskVerdict::Refuse, ""},
        {"*.*", -1, TMaskVerdict::Refuse, ""},
        {"?*", 0, TMaskVerdict::Refuse, ""},
        {"*.c*", -1, TMaskVerdict::Ask, "The mask \"*.c*\" matches source or project files ("},
        {"*.pas", -1, TMaskVerdict::Ask, "The mask \"*.pas\" matches source"},
    };
    for (const auto& c : cases) {
        const TMaskCheck check = model.CheckMask(c.mask, c.edited);
        EXPECT_EQ(check.Verdict, c.verdict) << c.mask << " " << c.edited;
        EXPECT_EQ(check.Message.rfind(c.message, 0), 0u) << c.mask << ": " << check.Message;
        if (c.verdict == TMaskVerdict::Refuse) {
            EXPECT_EQ(check.Caption, "Invalid Mask");
        }
        if (c.verdict != TMaskVerdict::Accept) {
            EXPECT_FALSE(check.Message.empty()) << c.mask;
        }
    }
}

TEST(ConfiguratorModel, EveryEditOfTheSettingsMarksItModifiedAndTheFilterDoesNot)
{
    const struct {
        const char* what;
        std::function<void(TConfiguratorModel&)> edit;
        bool modifies;
    } cases[] = {
        {"add", [](TConfiguratorModel& m) { m.AddMask("*.bak"); }, true},
        {"rename", [](TConfiguratorModel& m) { m.RenameMask(0, "*.o"); }, true},
        {"delete", [](TConfiguratorModel& m) { m.DeleteMask(1); }, true},
        {"a folder", [](TConfiguratorModel& m) { m.FoldersOf(1).Put("/data/x", TSubFolders::With); }, true},
        {"exclude a volume", [](TConfiguratorModel& m) { m.SetVolumeExcluded(0, true); }, true},
        {"an option", [](TConfiguratorModel& m) { m.SetOptions({false, false, true}); }, true},
        {"the same options", [](TConfiguratorModel& m) { m.SetOptions({}); }, false},
        {"include an included volume", [](TConfiguratorModel& m) { m.SetVolumeExcluded(1, false); }, false},
        {"the filter", [](TConfiguratorModel& m) { m.SetVolumeFilter(1); }, false},
        {"hiding", [](TConfiguratorModel& m) { m.SetHideFiltered(THideFiltered::Hide); }, false},
    };
    for (const auto& c : cases) {
        TConfiguratorModel model = Loaded({"*.obj", "*.tmp"});
        c.edit(model);
        EXPECT_EQ(model.Modified(), c.modifies) << c.what;
        model.ClearModified();
        EXPECT_FALSE(model.Modified()) << c.what;
    }
}

TEST(ConfiguratorModel, MasksKeepTheirOrderAndTheirFolders)
{
    TConfiguratorModel model = Loaded({"*.obj", "*.tmp", "*.bak"});
    model.FoldersOf(1).Put("/data/keep", TSubFolders::With);
    const TExcludedFoldersModel* tmp = &model.FoldersOf(1);
    model.RenameMask(1, "*.temp");
    model.DeleteMask(0);
    ASSERT_EQ(model.MaskCount(), 2);
    EXPECT_EQ(model.Mask(0), "*.temp");
    EXPECT_EQ(model.Mask(1), "*.bak");
    EXPECT_EQ(&model.FoldersOf(0), tmp) << "a view holding the folders keeps them";
    EXPECT_EQ(model.FoldersOf(0).Folders(), (std::vector<std::pair<AnsiString, bool>>{{"/data/keep", true}}));
    EXPECT_EQ(model.IndexOfMask("*.bak"), 1);
    EXPECT_EQ(model.IndexOfMask("*.BAK"), -1);
    EXPECT_THROW(model.DeleteMask(2), std::out_of_range);
    EXPECT_EQ(model.MaskCount(), 2);
}

TEST(ConfiguratorModel, AnExcludedVolumeThatIsNotAttachedStaysAChoice)
{
    TConfiguratorModel model = Loaded({});
    model.SetExcludedRoots({"/data/", "/media/usb/", ""});
    EXPECT_EQ(model.VolumeChoices(), (std::vector<TVolumeChoice>{{"Data  (/data/)", "/data/", true},
                                                                 {"Root  (/)", "/", false},
                                                                 {"/media/usb/  (not attached)", "/media/usb/", true}}));
    model.SetVolumeExcluded(1, true);
    EXPECT_EQ(model.ExcludedRoots(), (std::vector<AnsiString>{"/data/", "/", "/media/usb/"}));
    model.SetVolumeExcluded(2, false);
    EXPECT_EQ(model.ExcludedRoots(), (std::vector<AnsiString>{"/data/", "/"}));
}

TEST(ConfiguratorModel, TheFilterReachesEveryMasksFoldersAndNewOnes)
{
    TConfiguratorModel model = Loaded({"*.obj"});
    model.FoldersOf(0).Put("/data/projects", TSubFolders::With);
    model.FoldersOf(0).Put("/srv/build", TSubFolders::With);
    const struct {
        int filter;
        THideFiltered hide;
        const char* root;
        int hidden;
    } cases[] = {
        {1, THideFiltered::Hide, "/data/", 1},
        {1, THideFiltered::Grey, "/data/", 0},
        {2, THideFiltered::Hide, "/", 1},
        {3, THideFiltered::Hide, "", 0},  // no such volume: no filter
        {-1, THideFiltered::Hide, "", 0},
        {0, THideFiltered::Hide, "", 0},
    };
    for (const auto& c : cases) {
        model.SetVolumeFilter(c.filter);
        model.SetHideFiltered(c.hide);
        EXPECT_EQ(model.VolumeFilterRoot(), c.root) << c.filter;
        EXPECT_EQ(model.FoldersOf(0).HiddenCount(), c.hidden) << c.filter;
    }
    model.SetVolumeFilter(1);
    TExcludedFoldersModel& added = model.FoldersOf(model.AddMask("*.bak"));
    added.Put("/srv/old", TSubFolders::With);
    EXPECT_EQ(added.HiddenCount(), 1) << "a new mask's folders are filtered as the others";
}

}  // namespace

// Where the settings and reports live, seen by an unprivileged user: the
// installation's folder while the user may write it, the user's own
// folders when the installation is shared (here: a folder made read-only).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "Configintf.h"
#include "SettingsFile.h"
#include "Settingsplace.h"
#include "TempFolder.h"
#include "Unprivileged.h"

namespace {

namespace fs = std::filesystem;
using twstesting::RunUnprivileged;

// The environment of one user, all of it inside the test's folder.
class SettingsPlace : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(temp / "install");
        fs::create_directories(temp / "etc");
        ::setenv("XDG_CONFIG_HOME", (temp / "config").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (temp / "state").c_str(), 1);
        ::setenv("XDG_CONFIG_DIRS", (temp / "etc").c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("XDG_STATE_HOME");
        ::unsetenv("XDG_CONFIG_DIRS");
        ::chmod((temp / "install").c_str(), 0755);
    }
    // The installation as a package leaves it: nobody but root writes there.
    void Share()
    {
        temp.GiveTo(twstesting::UnprivilegedUid(), twstesting::UnprivilegedGid());
        ::chown((temp / "install").c_str(), 0, 0);
        ::chmod((temp / "install").c_str(), 0555);
    }
    std::string Install() const { return (temp / "install").string() + "/"; }
    std::string UserFile() const { return (temp / "config/tidewash/TWS.cfg").string(); }
    std::string InstalledFile() const { return (temp / "install/TWS.cfg").string(); }
    std::string SystemFile() const { return (temp / "etc/tidewash/TWS.cfg").string(); }

    twstesting::TTempFolder temp{"tws-place"};
};

TEST_F(SettingsPlace, AWritableInstallationKeepsSettingsAndReportsBesideTheModule)
{
    if (!twstesting::HasUnprivilegedUser())
        GTEST_SKIP();
    temp.GiveTo(twstesting::UnprivilegedUid(), twstesting::UnprivilegedGid());
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown((temp / "install").c_str(), twstesting::UnprivilegedUid(), twstesting::UnprivilegedGid()), 0);
    }
    EXPECT_EQ(RunUnprivileged([&] {
        const tws::TSettingsPlace place = tws::LocateSettings(Install());
        if (place.Owner != tws::TDataOwner::Installation)
            return std::string("not the installation's");
        if (place.File != InstalledFile() || place.ReportsFolder != Install() + "Reports")
            return place.File + " / " + place.ReportsFolder;
        return place.Defaults.empty() ? std::string() : std::string("defaults listed");
    }),
              "");
}

TEST_F(SettingsPlace, ASharedInstallationPutsTheUsersDataInTheUsersFolders)
{
    if (!twstesting::HasUnprivilegedUser())
        GTEST_SKIP();
    Share();
    EXPECT_EQ(RunUnprivileged([&] {
        const tws::TSettingsPlace place = tws::LocateSettings(Install());
        if (place.Owner != tws::TDataOwner::User)
            return std::string("not the user's");
        if (place.File != UserFile())
            return "settings in " + place.File;
        if (place.ReportsFolder != (temp / "state/tidewash/Reports").string())
            return "reports in " + place.ReportsFolder;
        if (place.Defaults != std::vector<AnsiString>{InstalledFile(), SystemFile()})
            return std::string("other defaults");
        return std::string();
    }),
              "");
}

// Which file is read, by the files present: the user's first, then the
// installation's, then the system-wide one. Anything present counts, a
// link included, so that a file planted in the way is refused, not skipped.
TEST_F(SettingsPlace, TheUsersFileIsReadFirstThenTheInstallationsThenTheSystems)
{
    if (!twstesting::HasUnprivilegedUser())
        GTEST_SKIP();
    enum Present { User = 1, Installed = 2, System = 4, InstalledLink = 8 };
    const struct {
        int present;
        Present expected;  // the file read: User, Installed or System
    } cases[] = {
        {0, User},
        {System, System},
        {Installed | System, Installed},
        {InstalledLink | System, Installed},
        {User | Installed | System, User},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.present);
        ::chmod((temp / "install").c_str(), 0755);
        for (const fs::path& p : {fs::path(UserFile()), fs::path(InstalledFile()), fs::path(SystemFile())})
            fs::remove(p);
        if (c.present & User)
            twstesting::WriteFile(UserFile(), twstesting::TSettingsFile{}.Text());
        if (c.present & Installed)
            twstesting::WriteFile(InstalledFile(), twstesting::TSettingsFile{}.Text());
        if (c.present & InstalledLink)
            fs::create_symlink(SystemFile(), InstalledFile());
        if (c.present & System)
            twstesting::WriteFile(SystemFile(), twstesting::TSettingsFile{}.Text());
        Share();
        const std::string expected = c.expected == User        ? UserFile()
                                     : c.expected == Installed ? InstalledFile()
                                                               : SystemFile();
        EXPECT_EQ(RunUnprivileged([&] {
            const AnsiString source = tws::SettingsSource(tws::LocateSettings(Install()));
            return source == expected ? std::string() : "read " + source;
        }),
                  "");
    }
}

// The user's own TWS.cfg starts from the installation's settings and is
// the one saved and read back; the installation's file stays as it was.
TEST_F(SettingsPlace, TheUsersFileIsCreatedFromTheInstallationsSettings)
{
    if (!twstesting::HasUnprivilegedUser())
        GTEST_SKIP();
    twstesting::TSettingsFile installed;
    installed.ActiveMasks = "*.obj";
    installed.WriteTo(InstalledFile());
    const std::string installedText = installed.Text();
    Share();
    EXPECT_EQ(RunUnprivileged([&] {
        const tws::TSettingsPlace place = tws::LocateSettings(Install());
        tws::TTidewashConfig config;
        config.DefineSchema();
        if (tws::LoadSettings(config, place) != InstalledFile())
            return std::string("did not start from the installation's file");
        if (config.GetStringsText(tws::TStringsSetting::ssActiveMasks) != "*.obj")
            return "masks " + config.GetStringsText(tws::TStringsSetting::ssActiveMasks);
        config.SetFlag(tws::TFlagSetting::fsDeleteHidden, true);
        tws::PrepareSettingsFolder(place);
        config.Save(place.File);

        tws::TTidewashConfig again;
        again.DefineSchema();
        if (tws::LoadSettings(again, place) != UserFile())
            return std::string("the saved file is not read back");
        if (!again.GetFlag(tws::TFlagSetting::fsDeleteHidden) ||
            again.GetStringsText(tws::TStringsSetting::ssActiveMasks) != "*.obj")
            return std::string("the saved settings differ");
        return std::string();
    }),
              "");
    EXPECT_EQ(twstesting::ReadFile(InstalledFile()), installedText);
}

// A shared installation with no folder of the user's to go to is an error,
// not a quiet write into the installation.
TEST_F(SettingsPlace, ASharedInstallationWithoutAHomeIsRefused)
{
    if (!twstesting::HasUnprivilegedUser())
        GTEST_SKIP();
    Share();
    EXPECT_EQ(RunUnprivileged([&] {
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("HOME");
        try {
            tws::LocateSettings(Install());
        } catch (const Exception& e) {
            return std::string();
        }
        return std::string("no error");
    }),
              "");
}

}  // namespace

// The user's folders from the environment: an absolute XDG value is taken,
// a relative or missing one falls back below HOME.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "UserFolders.h"

namespace {

class UserFolders : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CONFIG_DIRS"})
            ::unsetenv(name);
        if (home.empty())
            ::unsetenv("HOME");
        else
            ::setenv("HOME", home.c_str(), 1);
    }
    static void Set(const char* name, const char* value)
    {
        if (value == nullptr)
            ::unsetenv(name);
        else
            ::setenv(name, value, 1);
    }
    const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
};

TEST_F(UserFolders, AreTheXdgFoldersOrTheirDefaultsBelowHome)
{
    const struct {
        const char* xdg;
        const char* home;
        const char* config;
        const char* state;
    } cases[] = {
        {"/x/y", "/home/u", "/x/y", "/x/y"},
        {nullptr, "/home/u", "/home/u/.config", "/home/u/.local/state"},
        {"relative/ignored", "/home/u", "/home/u/.config", "/home/u/.local/state"},
        {"", "/home/u", "/home/u/.config", "/home/u/.local/state"},
        {nullptr, nullptr, "", ""},
        {nullptr, "not/absolute", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.xdg ? c.xdg : "(unset)") + " " + (c.home ? c.home : "(unset)"));
        Set("XDG_CONFIG_HOME", c.xdg);
        Set("XDG_STATE_HOME", c.xdg);
        Set("HOME", c.home);
        EXPECT_EQ(twsplatform::UserConfigBase(), c.config);
        EXPECT_EQ(twsplatform::UserStateBase(), c.state);
    }
}

TEST_F(UserFolders, SystemFoldersAreTheAbsoluteConfigDirsElseEtcXdg)
{
    const struct {
        const char* dirs;
        std::vector<AnsiString> expected;
    } cases[] = {
        {nullptr, {"/etc/xdg"}},
        {"", {"/etc/xdg"}},
        {"/a:/b", {"/a", "/b"}},
        {"rel::/b:", {"/b"}},
        {"rel", {"/etc/xdg"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dirs ? c.dirs : "(unset)");
        Set("XDG_CONFIG_DIRS", c.dirs);
        EXPECT_EQ(twsplatform::SystemConfigBases(), c.expected);
    }
}

TEST_F(UserFolders, PresentCountsALinkThatLeadsNowhere)
{
    twstesting::TTempFolder temp("tws-present");
    std::filesystem::create_symlink(temp / "nowhere", temp / "link");
    EXPECT_TRUE(twsplatform::PathPresent((temp / "link").string()));
    EXPECT_FALSE(twsplatform::PathPresent((temp / "nowhere").string()));
    EXPECT_TRUE(twsplatform::FolderWritable(temp.Path().string()));
    EXPECT_FALSE(twsplatform::FolderWritable((temp / "nowhere").string()));
    EXPECT_FALSE(twsplatform::FolderWritable((temp / "link").string()));
}

}  // namespace

#include "Runrecord.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>

#include "TempFolder.h"

namespace fs = std::filesystem;
using namespace cleanuphost;

namespace {

// The runs folder follows the environment of the process; each case sets
// its own and gives the old one back.
class RunsFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"HOME", "XDG_STATE_HOME"})
            if (const char* value = std::getenv(name))
                FSaved.emplace_back(name, value);
            else
                FSaved.emplace_back(name, std::nullopt);
        FCwd = fs::current_path();
        fs::current_path(temp.Path());
    }
    void TearDown() override
    {
        fs::current_path(FCwd);
        for (const auto& [name, value] : FSaved)
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
    }

    twstesting::TTempFolder temp{"runs"};

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> FSaved;
    fs::path FCwd;
};

TEST_F(RunsFolderTest, LiesInTheUsersStateFolder)
{
    ::setenv("XDG_STATE_HOME", (temp / "state").c_str(), 1);
    EXPECT_EQ(RunsFolder(), (temp / "state").string() + "/tidewash/runs");
    ::unsetenv("XDG_STATE_HOME");
    ::setenv("HOME", (temp / "home").c_str(), 1);
    EXPECT_EQ(RunsFolder(), (temp / "home").string() + "/.local/state/tidewash/runs");
}

// Neither variable names an absolute folder: no run is made or read, and
// nothing appears beside the current folder.
TEST_F(RunsFolderTest, WithoutAnAbsoluteStateFolderNoRunIsKept)
{
    ::setenv("XDG_STATE_HOME", "state", 1);
    ::setenv("HOME", "home", 1);
    std::string id;
    EXPECT_THROW(MakeRunFolder(id), std::runtime_error);
    EXPECT_THROW(ListRuns(), EDamagedRun);
    EXPECT_TRUE(fs::is_empty(temp.Path()));
}

}  // namespace

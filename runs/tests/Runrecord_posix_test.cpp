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

// The manifest is the document's dump(2) and a newline, byte for byte,
// however it is written: --history, --undo and the tests of earlier runs
// read it as that text.
TEST_F(RunsFolderTest, TheManifestIsTheDocumentsTextAsDumped)
{
    ::setenv("XDG_STATE_HOME", (temp / "state").c_str(), 1);
    nlohmann::json document = {
        {"schema", kRunSchema},
        {"volume", "/v/caf\u00e9 \"quoted\"\tand tab/"},
        {"handlers", {{{"files", nlohmann::json::array()}, {"figures", nlohmann::json::object()}},
                      {{"files", {{{"path", "/v/a.obj"}, {"size", 12345678901}, {"reason", nullptr}}}}}}},
        {"summary", {{"removed", {{"files", 1}, {"bytes", -0.5}}}, {"trash", {"/v/.Trash-1000/"}}}},
    };
    for (int i = 0; i < 3000; ++i)  // past the writer's buffer
        document["handlers"][1]["files"].push_back({{"path", "/v/p" + std::to_string(i) + ".obj"}, {"size", i}});
    const std::string id = SaveRun(document, "");
    const fs::path manifest = temp / "state/tidewash/runs" / id / "manifest.json";
    EXPECT_EQ(twstesting::ReadFile(manifest), document.dump(2) + "\n");

    document["handlers"][1]["files"][0]["undone"] = true;
    StoreRun(id, document);
    EXPECT_EQ(twstesting::ReadFile(manifest), document.dump(2) + "\n");
}

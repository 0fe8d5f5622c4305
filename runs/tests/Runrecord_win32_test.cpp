#include "Runrecord.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <windows.h>

#include "Runpage.h"
#include "StateFolder.h"
#include "TempFolder.h"
#include "Undo.h"

namespace fs = std::filesystem;
using namespace cleanuphost;
using nlohmann::json;

namespace {

// The runs live in %LOCALAPPDATA%; each case points it at a folder of its
// own and gives the old value back.
class RunRecordWin32 : public ::testing::Test {
protected:
    void SetUp() override
    {
        char value[4096];
        const DWORD n = ::GetEnvironmentVariableA("LOCALAPPDATA", value, sizeof value);
        if (n > 0 && n < sizeof value)
            FSaved = std::string(value, n);
        ::SetEnvironmentVariableA("LOCALAPPDATA", (temp / "local").string().c_str());
    }
    void TearDown() override { ::SetEnvironmentVariableA("LOCALAPPDATA", FSaved ? FSaved->c_str() : nullptr); }

    // A purge that moved one file to the recycle bin, as the handler
    // records it there: the shell names no entry.
    json Purged() const
    {
        json document = RunDocument(temp.Slash(), TRunMode::Purge, {}, {});
        document["handlers"] = json::array({{{"key", "Tidewash"},
                                             {"name", "Tidewash"},
                                             {"files", json::array({{{"mask", "*.obj"},
                                                                     {"path", (temp / "p" / "a.obj").string()},
                                                                     {"size", 8},
                                                                     {"action", "remove"},
                                                                     {"reason", nullptr},
                                                                     {"outcome_reason", nullptr},
                                                                     {"outcome", "trashed"},
                                                                     {"identity", {{"device", 1}, {"inode", 2}, {"modified_ns", 3}, {"born_ns", 4}}},
                                                                     {"trash", {{"folder", ""}, {"name", ""}}}}})}}});
        document["summary"]["removed"] = {{"files", 1}, {"bytes", 8}};
        return document;
    }

    twstesting::TTempFolder temp{"runs"};

private:
    std::optional<std::string> FSaved;
};

TEST_F(RunRecordWin32, ARunIsKeptListedAndReadBackFromTheUsersLocalFolder)
{
    EXPECT_EQ(RunsFolder(), (temp / "local" / "tidewash" / "runs").string());
    json document = Purged();
    const std::string id = SaveRun(document, "");
    EXPECT_EQ(ListRuns(), std::vector<std::string>{id});
    const fs::path folder = temp / "local" / "tidewash" / "runs" / id;
    EXPECT_TRUE(fs::is_regular_file(folder / "manifest.json"));
    EXPECT_EQ(document["run"]["folder"], folder.string());
    EXPECT_EQ(RunPagePath(id), (folder / "run.html").string());
    // The page tells where the file went, never that it is gone for good.
    const std::string page = twstesting::ReadFile(folder / "run.html");
    EXPECT_NE(page.find("moved to the Recycle Bin (restore them from there)"), std::string::npos);
    EXPECT_EQ(page.find("deleted permanently"), std::string::npos);

    const json loaded = LoadRun(id);
    EXPECT_EQ(loaded["summary"]["removed"]["files"], 1);
    EXPECT_EQ(loaded["volume"], temp.Slash());
    // Nothing but the run's folder and its files: no temporary left over.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder))
        ++entries;
    EXPECT_EQ(entries, 2u);
}

// The recycle bin tells nobody where a file went: an undo restores
// nothing, says so for each file, and claims no success.
TEST_F(RunRecordWin32, AnUndoRestoresNothingAndSaysWhereToRestoreFrom)
{
    json document = Purged();
    const std::string id = SaveRun(document, "");
    json loaded = LoadRun(id);
    const TUndoCounts counts = UndoRun(loaded, nullptr);
    EXPECT_EQ(counts.Restored, 0);
    EXPECT_EQ(counts.NotRestored, 1);
    EXPECT_EQ(counts.InfoRemoved, 0);
    const json& file = loaded["handlers"][0]["files"][0];
    EXPECT_EQ(file["outcome"], "trashed");
    EXPECT_NE(file["restore_error"].get<std::string>().find("Recycle Bin"), std::string::npos);
}

TEST_F(RunRecordWin32, ARunHeldByOneHolderIsBusyForAnother)
{
    json document = Purged();
    const std::string id = SaveRun(document, "");
    {
        const twsplatform::TStateLock held = LockRun(id);
        EXPECT_THROW(LockRun(id), twsplatform::EStateBusy);
    }
    EXPECT_NO_THROW(LockRun(id));
    EXPECT_THROW(LoadRun("no-such-run"), std::runtime_error);
    EXPECT_THROW(LoadRun("..\\elsewhere"), std::runtime_error);
}

}  // namespace

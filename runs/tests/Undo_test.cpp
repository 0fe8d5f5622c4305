#include "Undo.h"

#include <gtest/gtest.h>
#include <stdexcept>

using nlohmann::json;

namespace {

const char* const kTrashed = R"({"path": "/v/p/a.obj", "size": 8, "outcome": "trashed",
    "identity": {"device": 1, "inode": 2, "modified_ns": 3, "born_ns": 4},
    "trash": {"folder": "/t/", "name": "a.obj"}})";

// The files the undo would restore, from a manifest's text.
std::vector<std::string> Paths(const std::string& text)
{
    json document = json::parse(text);
    std::vector<std::string> paths;
    for (const auto& f : cleanuphost::TrashedFiles(document))
        paths.push_back(f.Path);
    return paths;
}

TEST(UndoManifest, ReadsTheTrashedFilesOnly)
{
    const std::string text = std::string(R"({"volume": "/v/", "handlers": [{"files": [)") + kTrashed +
                             R"(, {"path": "/v/p/b.obj", "outcome": "deleted"}]}, {"name": "no files"}]})";
    json document = json::parse(text);
    const auto files = cleanuphost::TrashedFiles(document);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].Path, "/v/p/a.obj");
    EXPECT_EQ(files[0].Entry.Folder, "/t/");
    EXPECT_EQ(files[0].Entry.Name, "a.obj");
    EXPECT_EQ(files[0].Identity.Inode, 2u);
    EXPECT_EQ(files[0].Identity.Size, 8);
    EXPECT_TRUE(files[0].Identity.HasBirthTime);
    EXPECT_EQ(files[0].Record, &document["handlers"][0]["files"][0]);
}

// Manifests of another shape are refused as a whole, never half read; the
// first of them made --undo end without a message (an uncaught type error).
TEST(UndoManifest, RefusesDamagedManifests)
{
    const std::string trashed = kTrashed;
    const char* const damaged[] = {
        "[]",
        "{}",
        R"({"handlers": {}})",
        R"({"volume": 7, "handlers": []})",
        R"({"handlers": [3]})",
        R"({"handlers": [{"files": "x"}]})",
        R"({"handlers": [{"files": [null]}]})",
        R"({"handlers": [{"files": [{"outcome": "trashed", "trash": {}, "identity": 5}]}]})",
        R"({"handlers": [{"files": [{"outcome": "trashed", "trash": {}, "identity": {"inode": "x"}}]}]})",
        R"({"handlers": [{"files": [{"outcome": "trashed", "trash": {"name": 1}, "identity": {}}]}]})",
        R"({"handlers": [{"files": [{"outcome": "trashed", "path": [], "trash": {}, "identity": {}}]}]})",
        // Numbers no identity field can hold: found by the fuzzer (an inode
        // past 2^64 is read as a double, and converting it was undefined).
        R"({"handlers": [{"files": [{"outcome": "trashed", "trash": {}, "identity": {"inode": 22222222222222222222222}}]}]})",
        R"({"handlers": [{"files": [{"outcome": "trashed", "trash": {}, "identity": {"device": 1.5}}]}]})",
        R"({"handlers": [{"files": [{"outcome": "trashed", "trash": {}, "identity": {"device": -1}}]}]})",
        R"({"handlers": [{"files": [{"outcome": "trashed", "trash": {}, "size": 1e300, "identity": {}}]}]})",
        R"({"handlers": [{"files": [{"outcome": "trashed", "trash": {}, "identity": {"born_ns": 18446744073709551615}}]}]})",
        // Trash entries a journal named: each a folder and a name, for a file with a path.
        R"({"handlers": [{"files": [{"path": "/v/a", "journal_trash": {}}]}]})",
        R"({"handlers": [{"files": [{"path": "/v/a", "journal_trash": [{"folder": "/t/"}]}]}]})",
        R"({"handlers": [{"files": [{"path": 3, "journal_trash": []}]}]})",
        R"({"handlers": [{"files": [{"journal_trash": [{"folder": "/t/", "name": "a"}]}]}]})",
    };
    for (const char* text : damaged)
        EXPECT_THROW(Paths(text), std::runtime_error) << text;
    EXPECT_EQ(Paths(R"({"handlers": []})"), std::vector<std::string>());
    EXPECT_EQ(Paths(R"({"handlers": [{"files": [)" + trashed + "]}]}"), std::vector<std::string>{"/v/p/a.obj"});
}

}  // namespace

namespace {

// A file system that keeps no birth time gives a manifest "born_ns": null:
// not recorded, never damaged.
TEST(UndoManifest, ANullBirthTimeIsNotRecordedNotDamaged)
{
    json document = json::parse(R"({"handlers": [{"files": [{"path": "/v/a.obj", "size": 1, "outcome": "trashed",
        "identity": {"device": 1, "inode": 2, "modified_ns": 3, "born_ns": null},
        "trash": {"folder": "/t/", "name": "a.obj"}}]}]})");
    const auto files = cleanuphost::TrashedFiles(document);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_FALSE(files[0].Identity.HasBirthTime);
    EXPECT_EQ(files[0].Identity.Inode, 2u);
}

// What --history and --undo read is checked once, when the manifest is
// read: a manifest missing any of it is refused, one with all of it taken.
TEST(UndoManifest, ValidatesWhatHistoryAndUndoRead)
{
    const json whole = json::parse(R"({"volume": "/v/", "volume_identity": {"device": 1, "inode": 2},
        "handlers": [], "summary": {"removed": {"files": 1, "bytes": 2}, "failed": {"files": 0, "bytes": 0},
        "trash": ["/t/"]}})");
    json document = whole;
    EXPECT_NO_THROW(cleanuphost::ValidateRun(document));
    ASSERT_TRUE(cleanuphost::RecordedRoot(document).has_value());
    EXPECT_EQ(cleanuphost::RecordedRoot(document)->Inode, 2u);
    // Written before the root's identity was kept: still read, with none.
    document.erase("volume_identity");
    EXPECT_NO_THROW(cleanuphost::ValidateRun(document));
    EXPECT_FALSE(cleanuphost::RecordedRoot(document).has_value());

    const char* const damage[] = {
        "/volume", "/summary", "/summary/removed", "/summary/removed/files", "/summary/removed/bytes",
        "/summary/failed", "/summary/failed/files", "/summary/trash", "/handlers", "/volume_identity/inode",
    };
    for (const char* pointer : damage) {
        json broken = whole;
        const json::json_pointer at(pointer);
        broken[at.parent_pointer()].erase(at.back());
        EXPECT_THROW(cleanuphost::ValidateRun(broken), std::runtime_error) << "without " << pointer;
    }
    const std::pair<const char*, json> wrongType[] = {
        {"/volume", 3},
        {"/volume_identity", "x"},
        {"/volume_identity/device", -1},
        {"/summary", json::array()},
        {"/summary/removed/files", "many"},
        {"/summary/failed/bytes", 1.5},
        {"/summary/trash", "/t/"},
        {"/summary/trash/0", 7},
    };
    for (const auto& [pointer, value] : wrongType) {
        json broken = whole;
        broken[json::json_pointer(pointer)] = value;
        EXPECT_THROW(cleanuphost::ValidateRun(broken), std::runtime_error) << pointer << " = " << value.dump();
    }
}

}  // namespace

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
    };
    for (const char* text : damaged)
        EXPECT_THROW(Paths(text), std::runtime_error) << text;
    EXPECT_EQ(Paths(R"({"handlers": []})"), std::vector<std::string>());
    EXPECT_EQ(Paths(R"({"handlers": [{"files": [)" + trashed + "]}]}"), std::vector<std::string>{"/v/p/a.obj"});
}

}  // namespace

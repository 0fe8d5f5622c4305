#include "Runjournal.h"

#include <gtest/gtest.h>
#include <stdexcept>

#include "Undo.h"

using nlohmann::json;

namespace {

const std::string kHeader =
    R"({"journal": "tidewash.journal/1", "time": "t", "volume": "/v/", "volume_identity": {"device": 1, "inode": 2}})"
    "\n";
const std::string kHandler = R"({"handler": "Tidewash", "name": "Tidewash"})"
                             "\n";

std::string Trashing(const std::string& path, const std::string& name)
{
    return R"({"trashing": ")" + path + R"(", "trash": {"folder": "/t/", "name": ")" + name +
           R"("}, "size": 3, "identity": {"device": 1, "inode": 9, "modified_ns": 5, "born_ns": null}})"
           "\n";
}

std::string Done(const std::string& path, const std::string& outcome, const std::string& name)
{
    return R"({"done": ")" + path + R"(", "outcome": ")" + outcome + R"(", "trash": )" +
           (name.empty() ? std::string("null") : R"({"folder": "/t/", "name": ")" + name + R"("})") +
           R"(, "reason": null})"
           "\n";
}

json Read(const std::string& text)
{
    json document = cleanuphost::JournalDocument(text, "run-1", "/s/run-1");
    cleanuphost::ValidateRun(document);  // what the reader makes is always a run document
    return document;
}

}  // namespace

// Each file's last line decides its outcome; a move told but not finished
// is "interrupted", and every name the journal gave is kept for the repair.
TEST(JournalDocument, TellsWhatEachFileBecameAndWhatWasInterrupted)
{
    const std::string text = kHeader + kHandler + Trashing("/v/a.obj", "a.obj") + Done("/v/a.obj", "trashed", "a.obj") +
                             Done("/v/b.obj", "deleted", "") + Trashing("/v/c.obj", "c.obj") +
                             Trashing("/v/c.obj", "c.x1.obj") + Trashing("/v/d.obj", "d.obj") +
                             Done("/v/d.obj", "failed", "");
    json document = Read(text);
    EXPECT_TRUE(document["interrupted"].get<bool>());
    EXPECT_EQ(document["volume"], "/v/");
    EXPECT_EQ(document["volume_identity"]["inode"], 2);
    const json& files = document["handlers"][0]["files"];
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[0]["outcome"], "trashed");
    EXPECT_EQ(files[1]["outcome"], "deleted");
    EXPECT_EQ(files[2]["outcome"], "interrupted");
    EXPECT_EQ(files[2]["trash"]["name"], "c.x1.obj");
    EXPECT_EQ(files[2]["journal_trash"].size(), 2u);
    EXPECT_EQ(files[3]["outcome"], "failed");
    EXPECT_EQ(document["summary"]["removed"]["files"], 2);
    EXPECT_EQ(document["summary"]["failed"]["files"], 1);

    const auto trashed = cleanuphost::TrashedFiles(document);
    ASSERT_EQ(trashed.size(), 2u);
    EXPECT_FALSE(trashed[0].Interrupted);
    EXPECT_TRUE(trashed[1].Interrupted);
    EXPECT_EQ(trashed[1].Identity.Inode, 9u);
    EXPECT_FALSE(trashed[1].Identity.HasBirthTime);
    EXPECT_EQ(cleanuphost::JournalNamedEntries(document).size(), 4u);
}

// A last line without its newline was being written when the power went:
// it is not read. Anything else of another shape makes the journal damaged.
TEST(JournalDocument, ALastLineCutShortIsNotReadAnyOtherFaultIsDamage)
{
    const std::string whole = kHeader + kHandler + Trashing("/v/a.obj", "a.obj");
    const std::string cut = Done("/v/a.obj", "trashed", "a.obj");
    json document = Read(whole + cut.substr(0, cut.size() / 2));
    EXPECT_EQ(document["handlers"][0]["files"][0]["outcome"], "interrupted");
    EXPECT_EQ(Read(kHeader)["handlers"], json::array());

    const std::string damaged[] = {
        "",
        "{}\n",
        R"({"journal": "tidewash.journal/2", "volume": "/v/"})"
        "\n",
        kHeader + "[]\n",
        kHeader + "not json\n" + kHandler,
        kHeader + Trashing("/v/a.obj", "a.obj"),  // a file before its handler
        kHeader + kHandler + R"({"trashing": "/v/a.obj", "trash": null, "size": 1, "identity": {}})"
                             "\n",
        kHeader + kHandler + R"({"trashing": "/v/a.obj", "trash": {"folder": "/t/", "name": "a"}, "size": 1})"
                             "\n",
        kHeader + kHandler + R"({"done": 5, "outcome": "trashed", "trash": null})"
                             "\n",
        kHeader + kHandler + R"({"done": "/v/a.obj", "trash": null})"
                             "\n",
        kHeader + R"({"handler": "Tidewash"})"
                  "\n",
        // Found by the fuzzer: an entry without its folder was read.
        kHeader + kHandler + R"({"trashing": "/v/a.obj", "trash": {"fo|der": "/t/", "name": "a"}, "size": 1, "identity": {}})"
                             "\n",
    };
    for (const std::string& text : damaged)
        EXPECT_THROW(Read(text), std::runtime_error) << text;
}

#include "Runpage.h"

#include <gtest/gtest.h>
#include <regex>
#include <string>

using namespace cleanuphost;
using nlohmann::json;

namespace {

json File(const std::string& path, std::int64_t size, const char* action, const json& reason, const json& outcome,
          const json& outcomeReason)
{
    return {{"mask", "*.obj"},     {"path", path},       {"size", size},
            {"action", action},    {"reason", reason},   {"outcome", outcome},
            {"outcome_reason", outcomeReason}, {"trash", nullptr}, {"identity", nullptr}};
}

json Tally(std::int64_t files, std::int64_t bytes) { return {{"files", files}, {"bytes", bytes}}; }

// A purge's record as the host keeps it: two files removed, two kept (one
// hidden, one the settings' selection left), two refused for one reason.
// removed: what became of the two ("trashed" or "deleted"); trash: the
// trash folders the run recorded (none for the recycle bin, which names
// no folder).
json PurgeRecord(const char* removed, const json& trash)
{
    json files = json::array({
        File("/v/p/a.obj", 1000, "remove", nullptr, removed, nullptr),
        File("/v/p/<b>.obj", 24, "remove", nullptr, removed, nullptr),
        File("/v/p/.c.obj", 5, "keep", "hidden", nullptr, nullptr),
        File("/v/p/d.obj", 7, "keep", "linked by Unit1.pas", nullptr, nullptr),
        File("/v/q/e.obj", 100, "remove", nullptr, "failed", "the trash refused it: Permission denied"),
        File("/v/q/f.obj", 200, "remove", nullptr, "failed", "the trash refused it: Permission denied"),
    });
    return {{"schema", "tidewash.cleanup/1"},
            {"time", "2026-12-09T05:30:00+0000"},
            {"volume", "/v/"},
            {"mode", "purge"},
            {"run", {{"id", "20261209-053000"}, {"folder", "/state/runs/20261209-053000"}, {"report", nullptr}}},
            {"handlers", json::array({{{"key", "Tidewash"}, {"detailed", true}, {"files", files}}})},
            {"errors", json::array()},
            {"summary",
             {{"found", Tally(6, 1336)},
              {"removed", Tally(2, 1024)},
              {"kept", Tally(2, 12)},
              {"failed", Tally(2, 300)},
              {"trash", trash}}}};
}

// The figure the page shows in the element id, by its data-value.
std::string Figure(const std::string& html, const std::string& id)
{
    std::smatch m;
    return std::regex_search(html, m, std::regex("id=\"" + id + "\" data-value=\"([0-9]+)\"")) ? m[1].str() : "none";
}

std::string Element(const std::string& html, const std::string& id)
{
    std::smatch m;
    return std::regex_search(html, m, std::regex("id=\"" + id + "\">([^<]*(<br>[^<]*)*)</dd>")) ? m[1].str() : "none";
}

}  // namespace

TEST(Runpage, TheFiguresAreTheRecordsAndTheFilesAreAllThere)
{
    const json homeTrash = json::array({"/home/u/.local/share/Trash/"});
    const struct {
        const char* Removed;
        json Trash;
        const char* Mode;
        const char* Where;
    } cases[] = {
        {"trashed", homeTrash, "moved to the trash (undo can put them back)", "/home/u/.local/share/Trash/files"},
        {"trashed", json::array(), "moved to the Recycle Bin (restore them from there)", "the Recycle Bin"},
        {"deleted", json::array(), "deleted permanently (nothing can bring them back)", "nowhere: deleted"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Mode);
        const json run = PurgeRecord(c.Removed, c.Trash);
        const std::string html = RunPageHtml(run);
        for (const char* total : {"found", "removed", "kept", "failed"})
            for (const char* part : {"files", "bytes"})
                EXPECT_EQ(Figure(html, std::string(total) + "-" + part),
                          std::to_string(run["summary"][total][part].get<std::int64_t>()))
                    << total << " " << part;
        EXPECT_EQ(Element(html, "mode"), c.Mode);
        EXPECT_EQ(Element(html, "where"), c.Where);
        EXPECT_EQ(Element(html, "volume"), "/v/");
        EXPECT_EQ(Element(html, "date"), "2026-12-09T05:30:00+0000");
        // Kept and failed by reason, each reason once with its count.
        for (const char* row : {"<tr class=\"reason\"><td>hidden</td><td>1 file</td><td>5 bytes</td></tr>",
                                "<tr class=\"reason\"><td>linked by Unit1.pas</td><td>1 file</td><td>7 bytes</td></tr>",
                                "<tr class=\"reason\"><td>the trash refused it: Permission denied</td><td>2 files</td>"
                                "<td>300 bytes</td></tr>"})
            EXPECT_NE(html.find(row), std::string::npos) << row;
        // Every file with its size (sorted by the real size) and its fate;
        // a name's markup is text.
        EXPECT_NE(html.find("<tr><td>/v/p/a.obj</td><td data-value=\"1000\">1,000 bytes</td>"), std::string::npos);
        EXPECT_NE(html.find("<td>/v/p/&lt;b&gt;.obj</td>"), std::string::npos);
        EXPECT_EQ(html.find("<b>"), std::string::npos);
        const std::string body = html.substr(html.find("<tbody>"));
        std::size_t rows = 0;
        for (std::size_t at = 0; (at = body.find("<tr><td>", at)) != std::string::npos; ++at)
            ++rows;
        EXPECT_EQ(rows, 6u);
        EXPECT_NE(html.find("<script>"), std::string::npos) << "the sort needs its script";
        EXPECT_EQ(html.find("http"), std::string::npos) << "the page needs no network";
    }
}

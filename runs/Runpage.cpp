#include "Runpage.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <vector>

#include "Formats.h"
#include "Runrecord.h"
#include "Zelhtmlescape.h"

using nlohmann::json;
using zelhtmlbuilder::EscapeMarkup;
using zelhtmlbuilder::EscapeVisible;

namespace cleanuphost {

namespace {

std::string Text(const json& value) { return value.is_string() ? value.get<std::string>() : std::string(); }

// Counts and bytes of the files that share one reason.
struct TGroup {
    std::int64_t Files = 0;
    std::int64_t Bytes = 0;
};

// One total's row: what, the files, the bytes, and its reasons below it.
void TotalRow(std::string& html, const char* id, const char* what, const json& tally,
              const std::map<std::string, TGroup>& reasons = {})
{
    const auto files = tally.at("files").get<std::int64_t>();
    const auto bytes = tally.at("bytes").get<std::uint64_t>();
    html += std::string("<tr><th>") + what + "</th><td id=\"" + id + "-files\" data-value=\"" + std::to_string(files) +
            "\">" + Count(files) + "</td><td id=\"" + id + "-bytes\" data-value=\"" +
            std::to_string(bytes) + "\">" + Bytes(bytes) + "</td></tr>\n";
    for (const auto& [why, group] : reasons)
        html += "<tr class=\"reason\"><td>" + EscapeMarkup(why) + "</td><td>" + Count(group.Files) +
                "</td><td>" + Bytes(static_cast<std::uint64_t>(group.Bytes)) + "</td></tr>\n";
}

// What became of a file, and why, in words.
std::pair<std::string, std::string> Fate(const json& file)
{
    const std::string outcome = Text(file.at("outcome"));
    if (file.at("action") != "remove")
        return {"kept", Text(file.at("reason"))};
    if (outcome == "trashed")
        return {"moved to the trash", ""};
    if (outcome == "deleted")
        return {"deleted", ""};
    if (outcome == "kept" || outcome == "failed")
        return {outcome, Text(file.at("outcome_reason"))};
    return {"not reached", ""};
}

// Sorts the files' table by the column clicked (again: the other way);
// numbers by their data-value.
constexpr const char* kSortScript = R"(<script>
document.querySelectorAll('table.files th').forEach(function (th, column) {
  th.addEventListener('click', function () {
    var body = th.closest('table').tBodies[0];
    var up = th.getAttribute('aria-sort') !== 'ascending';
    th.closest('tr').querySelectorAll('th').forEach(function (o) { o.removeAttribute('aria-sort'); });
    th.setAttribute('aria-sort', up ? 'ascending' : 'descending');
    var key = function (row) {
      var cell = row.cells[column];
      return cell.hasAttribute('data-value') ? Number(cell.getAttribute('data-value')) : cell.textContent;
    };
    Array.from(body.rows).sort(function (a, b) {
      var x = key(a), y = key(b);
      var order = typeof x === 'number' ? x - y : x.localeCompare(y);
      return up ? order : -order;
    }).forEach(function (row) { body.appendChild(row); });
  });
});
</script>
)";

constexpr const char* kStyle = R"(<style>
body { font-family: sans-serif; margin: 1.5em; color: #222; }
dl { display: grid; grid-template-columns: max-content auto; gap: .2em 1em; }
dt { font-weight: bold; }
table { border-collapse: collapse; margin-bottom: 1.5em; }
th, td { padding: .2em .8em; text-align: left; border-bottom: 1px solid #ddd; }
td[data-value] { text-align: right; }
tr.reason td { color: #555; padding-left: 2em; font-size: 90%; }
table.files th { cursor: pointer; background: #f0f0f0; }
table.files th[aria-sort=ascending]::after { content: " \25B2"; }
table.files th[aria-sort=descending]::after { content: " \25BC"; }
</style>
)";

}  // namespace

std::string RunPageHtml(const json& run)
{
    const json& summary = run.at("summary");
    const json& trash = summary.at("trash");
    const std::string id = run.contains("run") && run["run"].is_object() ? Text(run["run"].value("id", json())) : "";
    std::map<std::string, TGroup> keptWhy, failedWhy;
    std::vector<const json*> files;
    for (const json& handler : run.at("handlers"))
        if (handler.contains("files"))
            for (const json& file : handler.at("files")) {
                files.push_back(&file);
                const auto [fate, why] = Fate(file);
                const auto size = file.at("size").get<std::int64_t>();
                if (fate == "kept" || fate == "failed") {
                    TGroup& group = (fate == "kept" ? keptWhy : failedWhy)[why.empty() ? "no reason given" : why];
                    ++group.Files;
                    group.Bytes += size;
                }
            }
    const std::int64_t removed = summary.at("removed").at("files").get<std::int64_t>();
    // The recycle bin (Windows) names no folder of its own: trashed files
    // without a trash folder went there, and only the shell restores them.
    const bool recycled = trash.empty() && std::any_of(files.begin(), files.end(), [](const json* file) {
                              return file->at("outcome") == "trashed";
                          });
    const std::string mode = !trash.empty() ? "moved to the trash (undo can put them back)"
                             : recycled      ? "moved to the Recycle Bin (restore them from there)"
                             : removed > 0   ? "deleted permanently (nothing can bring them back)"
                                             : "nothing was removed";

    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Tidewash run " +
                       EscapeMarkup(id) + "</title>\n" + kStyle + "</head>\n<body>\n<h1>Tidewash run " +
                       EscapeMarkup(id) + "</h1>\n<dl>\n";
    html += "<dt>Date</dt><dd id=\"date\">" + EscapeMarkup(Text(run.at("time"))) + "</dd>\n";
    html += "<dt>Volume</dt><dd id=\"volume\">" + EscapeVisible(Text(run.at("volume"))) + "</dd>\n";
    html += "<dt>Mode</dt><dd id=\"mode\">" + EscapeMarkup(mode) + "</dd>\n";
    html += "<dt>Where the files went</dt><dd id=\"where\">";
    if (trash.empty())
        html += recycled ? "the Recycle Bin" : removed > 0 ? "nowhere: deleted" : "nowhere";
    for (std::size_t i = 0; i < trash.size(); ++i)
        html += (i > 0 ? "<br>" : "") + EscapeVisible(Text(trash[i]) + "files");
    html += "</dd>\n";
    if (run.value("interrupted", false))
        html += "<dt>Note</dt><dd>the purge was interrupted: this is what its journal recorded</dd>\n";
    html += "</dl>\n<h2>Totals</h2>\n<table class=\"totals\">\n<tr><th></th><th>Files</th><th>Bytes</th></tr>\n";
    TotalRow(html, "found", "Found", summary.at("found"));
    TotalRow(html, "removed", "Removed (freed)", summary.at("removed"));
    TotalRow(html, "kept", "Kept", summary.at("kept"), keptWhy);
    TotalRow(html, "failed", "Failed", summary.at("failed"), failedWhy);
    html += "</table>\n<h2>Files</h2>\n<p>Click a column to sort by it.</p>\n<table class=\"files\">\n<thead><tr>"
            "<th>File</th><th>Size</th><th>What became of it</th><th>Why</th></tr></thead>\n<tbody>\n";
    for (const json* file : files) {
        const auto [fate, why] = Fate(*file);
        const auto size = file->at("size").get<std::uint64_t>();
        html += "<tr><td>" + EscapeVisible(Text(file->at("path"))) + "</td><td data-value=\"" + std::to_string(size) +
                "\">" + Bytes(size) + "</td><td>" + fate + "</td><td>" + EscapeMarkup(why) + "</td></tr>\n";
    }
    html += "</tbody>\n</table>\n";
    html += kSortScript;
    html += "</body>\n</html>\n";
    return html;
}

}  // namespace cleanuphost

// The document of an interrupted run, read from its journal alone: no
// state folder and no handler, so that it can be tested and fuzzed by
// itself.
#include <algorithm>
#include <map>
#include <stdexcept>

#include "Runjournal.h"
#include "Runrecord.h"
#include "Undo.h"

using nlohmann::json;

namespace cleanuphost {

json JournalDocument(std::string_view text, const std::string& id, const std::string& folder)
{
    // The lines written whole; a last one without its newline was cut short.
    std::vector<json> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos)
            break;
        json line = json::parse(text.substr(0, end), nullptr, false);
        if (line.is_discarded() || !line.is_object())
            throw std::runtime_error("line " + std::to_string(lines.size() + 1) + " is not a JSON object");
        lines.push_back(std::move(line));
        text.remove_prefix(end + 1);
    }
    if (lines.empty() || lines[0].value("journal", json()) != kJournalSchema || !lines[0].contains("volume") ||
        !lines[0]["volume"].is_string())
        throw std::runtime_error("it does not begin as a journal of this version");

    const auto text_of = [](const json& line, const char* key) -> std::string {
        if (!line.contains(key) || !line[key].is_string())
            throw std::runtime_error(std::string("a line has no text ") + key);
        return line[key].get<std::string>();
    };
    json handlers = json::array();
    json* files = nullptr;
    std::map<std::string, std::size_t> index;  // path -> its file in the current handler
    std::int64_t removedFiles = 0, removedBytes = 0, failedFiles = 0, failedBytes = 0;
    json trashes = json::array();
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const json& line = lines[i];
        if (line.contains("handler")) {
            handlers.push_back({{"key", text_of(line, "handler")},
                                {"name", text_of(line, "name")},
                                {"detailed", true},
                                {"purged", true},
                                {"files", json::array()}});
            files = &handlers.back()["files"];
            index.clear();
            continue;
        }
        if (files == nullptr)
            throw std::runtime_error("a file comes before its handler");
        const bool trashing = line.contains("trashing");
        const std::string path = text_of(line, trashing ? "trashing" : "done");
        auto found = index.find(path);
        if (found == index.end()) {
            found = index.emplace(path, files->size()).first;
            files->push_back({{"mask", nullptr},
                              {"path", path},
                              {"size", 0},
                              {"action", "remove"},
                              {"reason", nullptr},
                              {"outcome", nullptr},
                              {"outcome_reason", nullptr},
                              {"trash", nullptr},
                              {"identity", nullptr},
                              {"journal_trash", json::array()}});
        }
        json& file = (*files)[found->second];
        if (!line.contains("trash") || !(line["trash"].is_null() || line["trash"].is_object()))
            throw std::runtime_error("a line has no trash entry");
        if (line["trash"].is_object()) {
            const json& entry = line["trash"];
            if (!entry.contains("folder") || !entry["folder"].is_string() || !entry.contains("name") ||
                !entry["name"].is_string())
                throw std::runtime_error("a trash entry lacks its folder or name");
        }
        if (trashing) {
            if (!line["trash"].is_object() || !line.contains("identity") || !line.contains("size"))
                throw std::runtime_error("a move is not recorded whole");
            file["outcome"] = "interrupted";
            file["trash"] = line["trash"];
            file["size"] = line["size"];
            file["identity"] = line["identity"];
            file["journal_trash"].push_back(line["trash"]);
        } else {
            file["outcome"] = text_of(line, "outcome");
            file["trash"] = line["trash"];
            file["outcome_reason"] = line.value("reason", json());
        }
    }
    for (const json& handler : handlers)
        for (const json& file : handler["files"]) {
            const std::int64_t size = file["size"].is_number_integer() ? file["size"].get<std::int64_t>() : 0;
            const std::string outcome = file["outcome"].is_string() ? file["outcome"].get<std::string>() : "";
            if (outcome == "trashed" || outcome == "deleted") {
                ++removedFiles;
                removedBytes += size;
            } else if (outcome == "failed") {
                ++failedFiles;
                failedBytes += size;
            }
            if (file["trash"].is_object() && file["trash"].contains("folder") &&
                std::find(trashes.begin(), trashes.end(), file["trash"]["folder"]) == trashes.end())
                trashes.push_back(file["trash"]["folder"]);
        }
    json document = {
        {"schema", kRunSchema},
        {"time", lines[0].value("time", json())},
        {"volume", lines[0]["volume"]},
        {"volume_identity", lines[0].value("volume_identity", json())},
        {"mode", "purge"},
        {"interrupted", true},
        {"run", {{"id", id}, {"folder", folder}, {"report", nullptr}}},
        {"handlers", std::move(handlers)},
        {"summary",
         {{"removed", {{"files", removedFiles}, {"bytes", removedBytes}}},
          {"failed", {{"files", failedFiles}, {"bytes", failedBytes}}},
          {"trash", std::move(trashes)}}},
    };
    // Whatever the lines held (a volume identity of another shape, an
    // identity that is no number), the document is one every reader takes.
    ValidateRun(document);
    return document;
}

}  // namespace cleanuphost

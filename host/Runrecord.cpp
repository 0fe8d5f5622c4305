// The run document, its manifest file and the runs folder.
#include "Runrecord.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;
using nlohmann::json;

namespace cleanuphost {

namespace {

json Tally(const TTally& t) { return {{"files", t.Files}, {"bytes", t.Bytes}}; }

json Nullable(const AnsiString& text) { return text.empty() ? json(nullptr) : json(text); }

std::string LocalTime(const char* format)
{
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    char text[64];
    std::strftime(text, sizeof text, format, &local);
    return text;
}

json FileEntry(const TFileRecord& f)
{
    json entry = {
        {"mask", f.Mask},
        {"path", f.Path},
        {"size", f.Size},
        {"action", f.Plan == TFilePlan::Remove ? "remove" : "keep"},
        {"reason", f.Plan == TFilePlan::Remove ? json(nullptr) : json(PlanReason(f))},
        {"outcome", f.Outcome == TFileOutcome::None ? json(nullptr) : json(OutcomeName(f.Outcome))},
        {"outcome_reason", Nullable(f.OutcomeReason)},
        {"trash", f.TrashName.empty() ? json(nullptr) : json{{"folder", f.TrashFolder}, {"name", f.TrashName}}},
        {"identity",
         {{"device", f.Device},
          {"inode", f.Inode},
          {"modified_ns", f.ModifiedNs},
          {"born_ns", f.HasBirthTime ? json(f.BornNs) : json(nullptr)}}},
    };
    return entry;
}

}  // namespace

TFigures FiguresOf(const std::vector<TFileRecord>& files)
{
    TFigures t;
    for (const TFileRecord& f : files) {
        t.Found.Add(f.Size);
        switch (f.Plan) {
        case TFilePlan::Remove: t.Remove.Add(f.Size); break;
        case TFilePlan::KeepHidden: t.KeptHidden.Add(f.Size); break;
        case TFilePlan::KeepReadOnly: t.KeptReadOnly.Add(f.Size); break;
        case TFilePlan::Unselected: t.Unselected.Add(f.Size); break;
        }
        switch (f.Outcome) {
        case TFileOutcome::Deleted:
        case TFileOutcome::Trashed: t.Removed.Add(f.Size); break;
        case TFileOutcome::Kept: t.Kept.Add(f.Size); break;
        case TFileOutcome::Failed: t.Failed.Add(f.Size); break;
        case TFileOutcome::None: break;
        }
    }
    return t;
}

const char* PlanReason(const TFileRecord& file)
{
    switch (file.Plan) {
    case TFilePlan::Remove: return "";
    case TFilePlan::KeepHidden: return "hidden";
    case TFilePlan::KeepReadOnly: return "read-only";
    case TFilePlan::Unselected: return file.PlanReason.empty() ? "not selected" : file.PlanReason.c_str();
    }
    return "";
}

const char* OutcomeName(TFileOutcome outcome)
{
    switch (outcome) {
    case TFileOutcome::None: return "none";
    case TFileOutcome::Deleted: return "deleted";
    case TFileOutcome::Trashed: return "trashed";
    case TFileOutcome::Kept: return "kept";
    case TFileOutcome::Failed: return "failed";
    }
    return "none";
}

json RunDocument(const AnsiString& volume, TRunMode mode, const std::vector<const TCleanupHandler*>& handlers,
                 const std::vector<bool>& purged)
{
    json list = json::array();
    TFigures total;
    std::int64_t undetailedBytes = 0;
    std::int64_t unreadable = 0;
    json trashes = json::array();
    for (std::size_t i = 0; i < handlers.size(); ++i) {
        const TCleanupHandler& h = *handlers[i];
        json entry = {{"key", h.KeyName()},
                      {"name", h.DisplayName()},
                      {"detailed", h.Detailed()},
                      {"found_bytes", h.SpaceUsed()},
                      {"purged", i < purged.size() && purged[i]}};
        if (h.Detailed()) {
            const TFigures f = FiguresOf(h.Files());
            entry["figures"] = {{"found", Tally(f.Found)},          {"remove", Tally(f.Remove)},
                                {"kept_hidden", Tally(f.KeptHidden)}, {"kept_read_only", Tally(f.KeptReadOnly)},
                                {"unselected", Tally(f.Unselected)},  {"removed", Tally(f.Removed)},
                                {"kept", Tally(f.Kept)},              {"failed", Tally(f.Failed)}};
            json files = json::array();
            for (const TFileRecord& file : h.Files()) {
                files.push_back(FileEntry(file));
                if (!file.TrashFolder.empty() && std::find(trashes.begin(), trashes.end(), file.TrashFolder) == trashes.end())
                    trashes.push_back(file.TrashFolder);
            }
            entry["files"] = std::move(files);
            entry["report"] = Nullable(h.ReportPath());
            entry["report_error"] = Nullable(h.ReportError());
            entry["unreadable_folders"] = h.UnreadableFolders();
            unreadable += h.UnreadableFolders();
            for (TTally TFigures::*field : {&TFigures::Found, &TFigures::Remove, &TFigures::KeptHidden,
                                            &TFigures::KeptReadOnly, &TFigures::Unselected, &TFigures::Removed,
                                            &TFigures::Kept, &TFigures::Failed}) {
                (total.*field).Files += (f.*field).Files;
                (total.*field).Bytes += (f.*field).Bytes;
            }
        } else {
            undetailedBytes += static_cast<std::int64_t>(h.SpaceUsed());
        }
        list.push_back(std::move(entry));
    }
    return {
        {"schema", kRunSchema},
        {"time", LocalTime("%Y-%m-%dT%H:%M:%S%z")},
        {"volume", volume},
        {"mode", mode == TRunMode::List ? "list" : "purge"},
        {"run", nullptr},
        {"handlers", std::move(list)},
        {"summary",
         {{"found", Tally(total.Found)},
          {"remove", Tally(total.Remove)},
          {"kept_hidden", Tally(total.KeptHidden)},
          {"kept_read_only", Tally(total.KeptReadOnly)},
          {"unselected", Tally(total.Unselected)},
          {"removed", Tally(total.Removed)},
          {"kept", Tally(total.Kept)},
          {"failed", Tally(total.Failed)},
          {"other_handlers_found_bytes", undetailedBytes},
          {"unreadable_folders", unreadable},
          {"trash", std::move(trashes)}}},
    };
}

std::string RunsFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/')
        return std::string(state) + "/tidewash/runs";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/state/tidewash/runs";
}

std::string SaveRun(json& document, const AnsiString& reportPath)
{
    const fs::path runs = RunsFolder();
    std::error_code ec;
    fs::create_directories(runs, ec);
    if (ec)
        throw std::runtime_error("cannot create " + runs.string() + ": " + ec.message());
    const std::string stamp = LocalTime("%Y%m%d-%H%M%S");
    std::string id;
    for (int n = 1;; ++n) {
        id = n == 1 ? stamp : stamp + "-" + std::to_string(n);
        if (fs::create_directory(runs / id, ec))
            break;
        if (ec || n > 100)
            throw std::runtime_error("cannot create a run folder in " + runs.string() + ": " +
                                     (ec ? ec.message() : std::string("too many runs this second")));
    }
    const fs::path folder = runs / id;
    document["run"] = {{"id", id}, {"folder", folder.string()}, {"report", nullptr}};
    if (!reportPath.empty()) {
        // Each run keeps its own report: the handler writes the next one
        // over the same file.
        fs::copy_file(reportPath.c_str(), folder / "FilePurge.html", ec);
        if (!ec)
            document["run"]["report"] = (folder / "FilePurge.html").string();
    }
    StoreRun(id, document);
    return id;
}

void StoreRun(const std::string& id, const json& document)
{
    const fs::path file = fs::path(RunsFolder()) / id / "manifest.json";
    const fs::path temp = file.string() + ".new";
    {
        std::ofstream out(temp);
        out << document.dump(2) << "\n";
        if (!out.flush())
            throw std::runtime_error("cannot write " + temp.string());
    }
    std::error_code ec;
    fs::rename(temp, file, ec);
    if (ec)
        throw std::runtime_error("cannot write " + file.string() + ": " + ec.message());
}

std::vector<std::string> ListRuns()
{
    std::vector<std::string> ids;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(RunsFolder(), ec))
        if (fs::exists(entry.path() / "manifest.json"))
            ids.push_back(entry.path().filename().string());
    std::sort(ids.begin(), ids.end());
    return ids;
}

json LoadRun(const std::string& id)
{
    if (id.empty() || id.find('/') != std::string::npos || id == "." || id == "..")
        throw std::runtime_error("\"" + id + "\" is not a run id");
    const fs::path file = fs::path(RunsFolder()) / id / "manifest.json";
    std::ifstream in(file);
    if (!in)
        throw std::runtime_error("no run \"" + id + "\" in " + RunsFolder());
    try {
        return json::parse(in);
    } catch (const json::exception& e) {
        throw std::runtime_error(file.string() + " is damaged: " + e.what());
    }
}

}  // namespace cleanuphost

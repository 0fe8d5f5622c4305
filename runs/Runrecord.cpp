// The run document, its manifest file and the runs folder.
#include "Runrecord.h"

#include "Runjournal.h"
#include "Runpage.h"
#include "TrashRestore.h"
#include "Undo.h"
#include "UserFolders.h"

#include <algorithm>
#include <functional>
#include <iomanip>
#include <ostream>
#include <string_view>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <stdexcept>

#include "SysUtils.hpp"

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
        {"identity", IdentityJson(f.Identity)},
    };
    return entry;
}

}  // namespace

json IdentityJson(const twsplatform::TFileIdentity& identity)
{
    return {{"device", identity.Device},
            {"inode", identity.Inode},
            {"modified_ns", identity.ModifiedNs},
            {"born_ns", identity.HasBirthTime ? json(identity.BornNs) : json(nullptr)}};
}

// An undo compares it with the root it reaches, so that it puts files back
// into the folder they came from.
json VolumeIdentityOf(const AnsiString& volume)
{
    try {
        const twsplatform::TFileIdentity id = twsplatform::FolderIdentityWithoutLinks(volume);
        return {{"device", id.Device}, {"inode", id.Inode}};
    } catch (const std::runtime_error&) {
        return nullptr;
    }
}

void TFigures::Add(const TFileRecord& f)
{
    Found.Add(f.Size);
    switch (f.Plan) {
    case TFilePlan::Remove: Remove.Add(f.Size); break;
    case TFilePlan::KeepHidden: KeptHidden.Add(f.Size); break;
    case TFilePlan::KeepReadOnly: KeptReadOnly.Add(f.Size); break;
    case TFilePlan::Unselected: Unselected.Add(f.Size); break;
    }
    // Kept: every found file not removed on purpose, whatever the reason
    // (the settings, the selection), before a purge and after.
    if (f.Plan != TFilePlan::Remove || f.Outcome == TFileOutcome::Kept)
        Kept.Add(f.Size);
    switch (f.Outcome) {
    case TFileOutcome::Deleted:
    case TFileOutcome::Trashed: Removed.Add(f.Size); break;
    case TFileOutcome::Failed: Failed.Add(f.Size); break;
    case TFileOutcome::Kept:
    case TFileOutcome::None: break;
    }
}

TFigures FiguresOf(const std::vector<TFileRecord>& files)
{
    TFigures t;
    for (const TFileRecord& f : files)
        t.Add(f);
    return t;
}

TFigures FiguresOf(const TCleanupHandler& handler)
{
    TFigures t;
    handler.VisitFiles(
        [&t](const TFileRecord& f) {
            t.Add(f);
            return true;
        },
        TCleanupHandler::TFileTexts::Skip);
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

json ErrorEntry(const AnsiString& key, const AnsiString& name, const AnsiString& step, const AnsiString& reason,
                HRESULT result)
{
    json file = nullptr;
    const auto open = reason.find("\"/");
    if (open != AnsiString::npos)
        if (const auto close = reason.find('"', open + 1); close != AnsiString::npos)
            file = reason.substr(open + 1, close - open - 1);
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(result));
    return {{"handler", key}, {"name", name}, {"step", step}, {"file", std::move(file)},
            {"reason", reason}, {"hresult", code}};
}

namespace {

// Goes through a handler's files: those it read (Files()), or, when the
// document is streamed, straight from the handler.
enum class TFileSource { Read, Handler };

bool EachFile(const TCleanupHandler& h, TFileSource source, const std::function<bool(const TFileRecord&)>& visit)
{
    if (source == TFileSource::Handler)
        return h.VisitFiles(visit);
    for (const TFileRecord& f : h.Files())
        if (!visit(f))
            break;
    return true;
}

// The document of a run. With files set, each detailed handler's "files"
// holds its file entries; without, the string marker(i) for handler i,
// where a streamed writer puts them.
json Document(const AnsiString& volume, TRunMode mode, const std::vector<const TCleanupHandler*>& handlers,
              const std::vector<bool>& purged, const json& errors, TFileSource source, bool files,
              const std::function<std::string(std::size_t)>& marker)
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
            TFigures f;
            json entries = files ? json::array() : json(marker(i));
            EachFile(h, source, [&](const TFileRecord& file) {
                f.Add(file);
                if (files)
                    entries.push_back(FileEntry(file));
                if (!file.TrashFolder.empty() &&
                    std::find(trashes.begin(), trashes.end(), file.TrashFolder) == trashes.end())
                    trashes.push_back(file.TrashFolder);
                return true;
            });
            entry["figures"] = {{"found", Tally(f.Found)},          {"remove", Tally(f.Remove)},
                                {"kept_hidden", Tally(f.KeptHidden)}, {"kept_read_only", Tally(f.KeptReadOnly)},
                                {"unselected", Tally(f.Unselected)},  {"removed", Tally(f.Removed)},
                                {"kept", Tally(f.Kept)},              {"failed", Tally(f.Failed)}};
            entry["files"] = std::move(entries);
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
        {"volume_identity", VolumeIdentityOf(volume)},
        {"mode", mode == TRunMode::List ? "list" : "purge"},
        {"run", nullptr},
        {"handlers", std::move(list)},
        {"errors", errors},
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

// text with every line but the first indented by indent.
void WriteIndented(std::ostream& out, const std::string& text, const std::string& indent)
{
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        out << std::string_view(text).substr(start, nl + 1 - start) << indent;
    out << std::string_view(text).substr(start);
}

}  // namespace

json RunDocument(const AnsiString& volume, TRunMode mode, const std::vector<const TCleanupHandler*>& handlers,
                 const std::vector<bool>& purged, const json& errors)
{
    return Document(volume, mode, handlers, purged, errors, TFileSource::Read, true, {});
}

void WriteRunDocument(std::ostream& out, const AnsiString& volume, TRunMode mode,
                      const std::vector<const TCleanupHandler*>& handlers, const std::vector<bool>& purged,
                      const json& errors)
{
    // The document without its files, with a marker where each handler's
    // files go. The markers begin with a control character, which the
    // dump escapes; that no other string of the document spells the same
    // escape is checked, not assumed.
    const auto marker = [](std::size_t i) { return "\x01tidewash-files-" + std::to_string(i); };
    const std::string skeleton =
        Document(volume, mode, handlers, purged, errors, TFileSource::Handler, false, marker).dump(2);
    std::vector<std::pair<std::size_t, std::size_t>> places;  // where each marker is, and the handler
    for (std::size_t i = 0; i < handlers.size(); ++i) {
        if (!handlers[i]->Detailed())
            continue;
        const std::string quoted = json(marker(i)).dump();
        const std::size_t at = skeleton.find(quoted);
        if (at == std::string::npos || skeleton.find(quoted, at + 1) != std::string::npos) {
            out << RunDocument(volume, mode, handlers, purged, errors).dump(2);
            return;
        }
        places.emplace_back(at, i);
    }
    std::sort(places.begin(), places.end());
    std::size_t written = 0;
    for (const auto& [at, i] : places) {
        out << std::string_view(skeleton).substr(written, at - written);
        // The marker's line tells its depth: the entries go one level in.
        const std::size_t lineStart = skeleton.rfind('\n', at) + 1;
        const std::size_t keyIndent = skeleton.find_first_not_of(' ', lineStart) - lineStart;
        const std::string inner(keyIndent + 2, ' ');
        bool first = true;
        EachFile(*handlers[i], TFileSource::Handler, [&](const TFileRecord& file) {
            out << (first ? "[\n" : ",\n") << inner;
            WriteIndented(out, FileEntry(file).dump(2), inner);
            first = false;
            return true;
        });
        out << (first ? "[]" : "\n" + std::string(keyIndent, ' ') + "]");
        written = at + json(marker(i)).dump().size();
    }
    out << std::string_view(skeleton).substr(written);
}

namespace {

// The user's state folder, which may be reached through links (it is the
// user's own setting), and the folders below it that are never.
std::string StateBase() { return twsplatform::UserStateBase(); }

const std::vector<AnsiString> kRunsBelow = {"tidewash", "runs"};

twsplatform::TStateFolder OpenRuns(twsplatform::TCreate create)
{
    // Without one the runs would land relative to the current folder.
    if (StateBase().empty())
        throw std::runtime_error("no folder for the runs: the environment names no state folder (XDG_STATE_HOME or HOME, LOCALAPPDATA on Windows)");
    return twsplatform::TStateFolder::Open(StateBase(), kRunsBelow, create);
}

bool PlainId(const std::string& id)
{
    return !id.empty() && id.find('/') == std::string::npos && id != "." && id != "..";
}

twsplatform::TStateFolder OpenRun(const std::string& id)
{
    if (!PlainId(id))
        throw std::runtime_error("\"" + id + "\" is not a run id");
    try {
        return OpenRuns(twsplatform::TCreate::No).Folder(id, twsplatform::TCreate::No);
    } catch (const twsplatform::EStateMissing&) {
        throw std::runtime_error("no run \"" + id + "\" in " + RunsFolder());
    } catch (const std::runtime_error& e) {
        throw EDamagedRun(e.what());  // a link, another user's folder, one others can write
    }
}

constexpr const char* kManifest = "manifest.json";
constexpr const char* kLock = "lock";
// The report of one purge (the handler's HTML list of the files).
constexpr std::size_t kMaxReportBytes = 256u << 20;

}  // namespace

std::string RunsFolder() { return StateBase() + PathDelim + "tidewash" + PathDelim + "runs"; }

twsplatform::TStateFolder MakeRunFolder(std::string& id)
{
    const twsplatform::TStateFolder runs = OpenRuns(twsplatform::TCreate::Yes);
    const std::string stamp = LocalTime("%Y%m%d-%H%M%S");
    for (int n = 1;; ++n) {
        id = n == 1 ? stamp : stamp + "-" + std::to_string(n);
        if (runs.MakeFolder(id))
            return runs.Folder(id, twsplatform::TCreate::No);
        if (n > 100)
            throw std::runtime_error("cannot create a run folder in " + runs.Path() + ": too many runs this second");
    }
}

namespace {

// The manifest is the document's dump(2) and a newline, written as it is
// made: the text of a run of a million files is hundreds of megabytes, and
// held whole beside the document (twice, with the newline added) it cost
// more than the document.
void WriteManifest(const twsplatform::TStateFolder& folder, const json& document)
{
    folder.Replace(kManifest, [&document](std::ostream& out) { out << std::setw(2) << document << '\n'; });
}

void WriteRun(const twsplatform::TStateFolder& folder, const std::string& id, json& document,
              const AnsiString& reportPath)
{
    document["run"] = {{"id", id}, {"folder", folder.Path()}, {"report", nullptr}};
    if (!reportPath.empty()) {
        // Each run keeps its own report: the handler writes the next one
        // over the same file. A report that is a link or no regular file
        // is not copied.
        try {
            folder.Replace("FilePurge.html", twsplatform::ReadRegularFile(reportPath, kMaxReportBytes));
            document["run"]["report"] = folder.PathOf("FilePurge.html");
        } catch (const std::runtime_error&) {
        }
    }
    // The page a person reads beside the record (Runpage.h); the record
    // stands without it, and says whether there is one.
    try {
        document["run"]["page"] = folder.PathOf(kRunPageFile);
        folder.Replace(kRunPageFile, RunPageHtml(document));
    } catch (const std::exception&) {
        document["run"]["page"] = nullptr;
    }
    WriteManifest(folder, document);
}

}  // namespace

std::string RunPagePath(const std::string& id)
{
    const twsplatform::TStateFolder folder = OpenRun(id);
    return folder.Has(kRunPageFile) ? folder.PathOf(kRunPageFile) : std::string();
}

std::string SaveRun(json& document, const AnsiString& reportPath)
{
    std::string id;
    const twsplatform::TStateFolder folder = MakeRunFolder(id);
    WriteRun(folder, id, document, reportPath);
    return id;
}

void FinishRun(const std::string& id, json& document, const AnsiString& reportPath)
{
    WriteRun(OpenRun(id), id, document, reportPath);
}

void StoreRun(const std::string& id, const json& document)
{
    WriteManifest(OpenRun(id), document);
}

std::vector<std::string> ListRuns()
{
    std::vector<std::string> ids;
    try {
        const twsplatform::TStateFolder runs = OpenRuns(twsplatform::TCreate::No);
        for (const AnsiString& name : runs.Folders()) {
            try {
                const twsplatform::TStateFolder run = runs.Folder(name, twsplatform::TCreate::No);
                if (run.Has(kManifest) || run.Has(kJournalFile))
                    ids.push_back(name);
            } catch (const std::runtime_error&) {
                // A folder of another user's or a link: no run of ours.
            }
        }
    } catch (const twsplatform::EStateMissing&) {
        return ids;
    } catch (const std::runtime_error& e) {
        throw EDamagedRun(e.what());
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

json LoadRun(const std::string& id)
{
    const twsplatform::TStateFolder folder = OpenRun(id);
    // A run without a manifest was interrupted: its journal tells what it did.
    const bool interrupted = !folder.Has(kManifest) && folder.Has(kJournalFile);
    const std::string where = folder.PathOf(interrupted ? kJournalFile : kManifest);
    std::string text;
    try {
        text = folder.Read(interrupted ? kJournalFile : kManifest, kMaxManifestBytes);
    } catch (const twsplatform::EStateMissing&) {
        throw std::runtime_error("no run \"" + id + "\" in " + RunsFolder());
    } catch (const std::runtime_error& e) {
        throw EDamagedRun(e.what());
    }
    json document;
    try {
        document = interrupted ? JournalDocument(text, id, folder.Path()) : json::parse(text, nullptr, false);
    } catch (const std::runtime_error& e) {
        throw EDamagedRun(where + " is damaged: " + e.what());
    }
    if (document.is_discarded())
        throw EDamagedRun(where + " is damaged: it is not JSON");
    try {
        ValidateRun(document);
    } catch (const std::runtime_error& e) {
        throw EDamagedRun(where + " is damaged: " + e.what());
    }
    return document;
}

int RemoveUnfinishedMoves()
{
    int removed = 0;
    try {
        for (const std::string& id : ListRuns()) {
            try {
                if (OpenRun(id).Has(kManifest))
                    continue;
                // A run whose purge is still going holds its lock: skipped.
                const twsplatform::TStateLock held = LockRun(id);
                for (const TNamedEntry& named : JournalNamedEntries(LoadRun(id)))
                    if (twsplatform::RemoveUnfinishedTrashInfo(named.Entry, named.Path))
                        ++removed;
            } catch (const std::runtime_error&) {
            }
        }
    } catch (const std::runtime_error&) {
    }
    return removed;
}

twsplatform::TStateLock LockRun(const std::string& id) { return OpenRun(id).Lock(kLock); }

}  // namespace cleanuphost

// The journal of a purge, as the purge writes it.
#include "Runjournal.h"

#include <algorithm>
#include <ctime>
#include <stdexcept>

#include "Runrecord.h"

using nlohmann::json;

namespace cleanuphost {

namespace {

json Entry(const AnsiString& folder, const AnsiString& name)
{
    return folder.empty() || name.empty() ? json(nullptr) : json{{"folder", folder}, {"name", name}};
}

std::string LocalTime()
{
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    return text;
}

}  // namespace

TRunJournal::TRunJournal(const AnsiString& volume) : FFolder(MakeRunFolder(FId))
{
    FLock.emplace(FFolder.Lock("lock"));
    FFile.emplace(FFolder.CreateAppendFile(kJournalFile));
    FVolumeIdentity = VolumeIdentityOf(volume);
    FFile->Append(json{{"journal", kJournalSchema},
                       {"time", LocalTime()},
                       {"volume", volume},
                       {"volume_identity", FVolumeIdentity}}
                      .dump());
}

void TRunJournal::StartHandler(const TCleanupHandler& handler)
{
    FFiles.clear();
    for (const TFileRecord& file : handler.Files())
        FFiles.emplace(file.Path, &file);
    Write({{"handler", handler.KeyName()}, {"name", handler.DisplayName()}});
}

void TRunJournal::AddUnfinishedMoves(json& document) const
{
    for (json& handler : document.at("handlers"))
        if (handler.contains("files"))
            for (json& file : handler.at("files")) {
                const auto named = FUnfinished.find(file.value("path", ""));
                if (named != FUnfinished.end() && !named->second.empty())
                    file["journal_trash"] = named->second;
            }
}

bool TRunJournal::Write(const json& line)
{
    try {
        FFile->Append(line.dump());
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}

bool TRunJournal::Trashing(const AnsiString& path, const AnsiString& trashFolder, const AnsiString& trashName)
{
    // A file the scan did not report cannot be proved the same later: it
    // is not moved.
    const auto found = FFiles.find(path);
    if (found == FFiles.end())
        return false;
    const TFileRecord& f = *found->second;
    json& named = FUnfinished[path];
    if (named.is_null())
        named = json::array();
    named.push_back(Entry(trashFolder, trashName));
    return Write({{"trashing", path},
                  {"trash", Entry(trashFolder, trashName)},
                  {"size", f.Size},
                  {"identity", IdentityJson(f.Identity)}});
}

void TRunJournal::Done(const AnsiString& path, TFileOutcome outcome, const AnsiString& trashFolder,
                       const AnsiString& trashName, const AnsiString& reason)
{
    const auto named = FUnfinished.find(path);
    if (named != FUnfinished.end() && outcome == TFileOutcome::Trashed) {
        json& entries = named->second;
        entries.erase(std::remove(entries.begin(), entries.end(), Entry(trashFolder, trashName)), entries.end());
    }
    // A line lost here is written with the manifest at the end.
    Write({{"done", path},
           {"outcome", OutcomeName(outcome)},
           {"trash", Entry(trashFolder, trashName)},
           {"reason", reason.empty() ? json(nullptr) : json(reason)}});
}

}  // namespace cleanuphost

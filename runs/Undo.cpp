#include "Undo.h"

#include <cstdint>
#include <limits>
#include <stdexcept>

#include "TrashRestore.h"

using nlohmann::json;

namespace cleanuphost {

namespace {

// A whole-number field of a record; fallback when it is missing. A number
// that is not whole, or too large to be one (JSON readers hold it as a
// double, which no integer type can take), makes the manifest damaged.
template <typename T>
T WholeNumber(const json& record, const char* key, T fallback)
{
    if (!record.contains(key))
        return fallback;
    const json& value = record[key];
    if (value.is_number_unsigned()) {
        const auto n = value.get<std::uint64_t>();
        if (n <= static_cast<std::uint64_t>(std::numeric_limits<T>::max()))
            return static_cast<T>(n);
    } else if (value.is_number_integer()) {
        const auto n = value.get<std::int64_t>();
        if (n >= 0 || std::numeric_limits<T>::is_signed)
            return static_cast<T>(n);
    }
    throw std::runtime_error(std::string("its ") + key + " is not a whole number in range");
}

const char* Explain(twsplatform::TRestoreResult result)
{
    switch (result) {
    case twsplatform::TRestoreResult::Restored: return "restored";
    case twsplatform::TRestoreResult::Missing: return "not restored (gone)";
    case twsplatform::TRestoreResult::Changed: return "not restored (not the file trashed)";
    case twsplatform::TRestoreResult::Occupied: return "not restored (name taken)";
    case twsplatform::TRestoreResult::Failed: return "not restored";
    }
    return "not restored";
}

}  // namespace

std::vector<TTrashedFile> TrashedFiles(json& document)
{
    std::vector<TTrashedFile> files;
    try {
        if (!document.is_object() || !document.contains("handlers") || !document["handlers"].is_array())
            throw std::runtime_error("it lists no handlers");
        if (document.contains("volume") && !document["volume"].is_string())
            throw std::runtime_error("its volume is not a text");
        for (json& handler : document["handlers"]) {
            if (!handler.is_object())
                throw std::runtime_error("a handler is not an object");
            if (!handler.contains("files"))
                continue;
            if (!handler["files"].is_array())
                throw std::runtime_error("a handler's files are not a list");
            for (json& file : handler["files"]) {
                if (!file.is_object())
                    throw std::runtime_error("a file is not an object");
                // contains() first: operator[] would add the key to the manifest.
                const json outcome = file.value("outcome", json());
                if (file.contains("journal_trash")) {
                    if (!file.contains("path") || !file["path"].is_string())
                        throw std::runtime_error("a file the journal names has no path");
                    if (!file["journal_trash"].is_array())
                        throw std::runtime_error("a file's journal entries are not a list");
                    for (const json& entry : file["journal_trash"])
                        if (!entry.is_object() || !entry.contains("folder") || !entry["folder"].is_string() ||
                            !entry.contains("name") || !entry["name"].is_string())
                            throw std::runtime_error("a journal entry is not a trash entry");
                }
                if ((outcome != "trashed" && outcome != "interrupted") || !file.contains("trash") ||
                    !file["trash"].is_object())
                    continue;
                if (!file.contains("identity") || !file["identity"].is_object())
                    throw std::runtime_error("a trashed file has no identity");
                const json& id = file["identity"];
                TTrashedFile trashed{&file, file.value("path", ""), {}, {}, outcome == "interrupted"};
                trashed.Identity.Device = WholeNumber(id, "device", std::uint64_t{0});
                trashed.Identity.Inode = WholeNumber(id, "inode", std::uint64_t{0});
                trashed.Identity.Size = WholeNumber(file, "size", std::int64_t{0});
                trashed.Identity.ModifiedNs = WholeNumber(id, "modified_ns", std::int64_t{0});
                // null: the file system keeps no birth time, so none was recorded.
                trashed.Identity.HasBirthTime = id.contains("born_ns") && !id["born_ns"].is_null();
                if (trashed.Identity.HasBirthTime)
                    trashed.Identity.BornNs = WholeNumber(id, "born_ns", std::int64_t{0});
                trashed.Entry = {file["trash"].value("folder", ""), file["trash"].value("name", "")};
                files.push_back(std::move(trashed));
            }
        }
    } catch (const json::exception& e) {
        throw std::runtime_error(std::string("a value has the wrong type: ") + e.what());
    }
    return files;
}

std::vector<TNamedEntry> JournalNamedEntries(const json& document)
{
    std::vector<TNamedEntry> named;
    for (const json& handler : document.at("handlers"))
        if (handler.contains("files"))
            for (const json& file : handler.at("files"))
                if (file.contains("journal_trash"))
                    for (const json& entry : file.at("journal_trash"))
                        named.push_back({file.value("path", ""),
                                         {entry.at("folder").get<std::string>(), entry.at("name").get<std::string>()}});
    return named;
}

void ValidateRun(json& document)
{
    TrashedFiles(document);  // the handlers and their files
    const auto require = [](bool ok, const char* what) {
        if (!ok)
            throw std::runtime_error(what);
    };
    require(document.contains("volume") && document["volume"].is_string(), "it names no volume");
    if (document.contains("volume_identity") && !document["volume_identity"].is_null()) {
        const json& root = document["volume_identity"];
        require(root.is_object(), "its volume identity is not an object");
        WholeNumber(root, "device", std::uint64_t{0});
        WholeNumber(root, "inode", std::uint64_t{0});
        require(root.contains("device") && root.contains("inode"), "its volume identity is incomplete");
    }
    require(document.contains("summary") && document["summary"].is_object(), "it has no summary");
    const json& summary = document["summary"];
    for (const char* figure : {"removed", "failed"}) {
        require(summary.contains(figure) && summary[figure].is_object(), "its summary lacks a figure");
        require(summary[figure].contains("files") && summary[figure].contains("bytes"), "its summary lacks a figure");
        WholeNumber(summary[figure], "files", std::int64_t{0});
        WholeNumber(summary[figure], "bytes", std::int64_t{0});
    }
    require(summary.contains("trash") && summary["trash"].is_array(), "its summary lists no trash folders");
    require(!document.contains("interrupted") || document["interrupted"].is_boolean(), "its interrupted mark is not true or false");
    for (const json& folder : summary["trash"])
        require(folder.is_string(), "a trash folder is not a text");
}

std::optional<twsplatform::TFileIdentity> RecordedRoot(const json& document)
{
    if (!document.contains("volume_identity") || document["volume_identity"].is_null())
        return std::nullopt;
    const json& root = document["volume_identity"];
    twsplatform::TFileIdentity id;
    id.Device = WholeNumber(root, "device", std::uint64_t{0});
    id.Inode = WholeNumber(root, "inode", std::uint64_t{0});
    return id;
}

TUndoCounts UndoRun(json& document, std::FILE* out)
{
    TUndoCounts counts;
    ValidateRun(document);
    std::vector<TTrashedFile> files = TrashedFiles(document);
    const std::string volume = document["volume"].get<std::string>();
    const std::optional<twsplatform::TFileIdentity> root = RecordedRoot(document);
    for (TTrashedFile& trashed : files) {
        json& file = *trashed.Record;
        const std::string& path = trashed.Path;
        AnsiString error;
        const twsplatform::TRestoreResult result =
            twsplatform::RestoreFromTrash(trashed.Entry, volume, root ? &*root : nullptr, path, trashed.Identity, error);
        if (trashed.Interrupted && result == twsplatform::TRestoreResult::Missing) {
            // Killed before the move: the file never left its place.
            ++counts.NeverMoved;
            file["outcome"] = "not moved";
            if (out != nullptr)
                std::fprintf(out, "  not moved      %s\n", path.c_str());
        } else if (result == twsplatform::TRestoreResult::Restored) {
            ++counts.Restored;
            file["outcome"] = "restored";
            file["outcome_reason"] = nullptr;
            if (out != nullptr)
                std::fprintf(out, "  restored       %s\n", path.c_str());
        } else {
            ++counts.NotRestored;
            file["restore_error"] = error;
            if (out != nullptr)
                std::fprintf(out, "  %-14s %s\n      %s\n", Explain(result), path.c_str(), error.c_str());
        }
    }
    for (const TNamedEntry& named : JournalNamedEntries(document))
        if (twsplatform::RemoveUnfinishedTrashInfo(named.Entry, named.Path))
            ++counts.InfoRemoved;
    return counts;
}

}  // namespace cleanuphost

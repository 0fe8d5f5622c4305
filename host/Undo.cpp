#include "Undo.h"

#include <stdexcept>

#include "TrashRestore.h"

using nlohmann::json;

namespace cleanuphost {

namespace {

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
                if (file.value("outcome", json()) != "trashed" || !file.contains("trash") || !file["trash"].is_object())
                    continue;
                if (!file.contains("identity") || !file["identity"].is_object())
                    throw std::runtime_error("a trashed file has no identity");
                const json& id = file["identity"];
                TTrashedFile trashed{&file, file.value("path", ""), {}, {}};
                trashed.Identity.Device = id.value("device", std::uint64_t{0});
                trashed.Identity.Inode = id.value("inode", std::uint64_t{0});
                trashed.Identity.Size = file.value("size", std::int64_t{0});
                trashed.Identity.ModifiedNs = id.value("modified_ns", std::int64_t{0});
                trashed.Identity.HasBirthTime = id.contains("born_ns") && id["born_ns"].is_number();
                trashed.Identity.BornNs = trashed.Identity.HasBirthTime ? id["born_ns"].get<std::int64_t>() : 0;
                trashed.Entry = {file["trash"].value("folder", ""), file["trash"].value("name", "")};
                files.push_back(std::move(trashed));
            }
        }
    } catch (const json::exception& e) {
        throw std::runtime_error(std::string("a value has the wrong type: ") + e.what());
    }
    return files;
}

TUndoCounts UndoRun(json& document, std::FILE* out)
{
    TUndoCounts counts;
    std::vector<TTrashedFile> files = TrashedFiles(document);
    const std::string volume = document.value("volume", "");
    for (TTrashedFile& trashed : files) {
        json& file = *trashed.Record;
        const std::string& path = trashed.Path;
        AnsiString error;
        const twsplatform::TRestoreResult result =
            twsplatform::RestoreFromTrash(trashed.Entry, volume, path, trashed.Identity, error);
        if (result == twsplatform::TRestoreResult::Restored) {
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
    return counts;
}

}  // namespace cleanuphost

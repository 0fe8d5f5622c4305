#include "Undo.h"

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

TUndoCounts UndoRun(json& document, std::FILE* out)
{
    TUndoCounts counts;
    const std::string volume = document.value("volume", "");
    for (json& handler : document["handlers"]) {
        if (!handler.contains("files"))
            continue;
        for (json& file : handler["files"]) {
            if (file.value("outcome", json()) != "trashed" || !file["trash"].is_object())
                continue;
            const json& id = file["identity"];
            twsplatform::TFileIdentity identity;
            identity.Device = id.value("device", std::uint64_t{0});
            identity.Inode = id.value("inode", std::uint64_t{0});
            identity.Size = file.value("size", std::int64_t{0});
            identity.ModifiedNs = id.value("modified_ns", std::int64_t{0});
            identity.HasBirthTime = id["born_ns"].is_number();
            identity.BornNs = identity.HasBirthTime ? id["born_ns"].get<std::int64_t>() : 0;
            const twsplatform::TTrashEntry entry{file["trash"].value("folder", ""), file["trash"].value("name", "")};
            const std::string path = file.value("path", "");
            AnsiString error;
            const twsplatform::TRestoreResult result =
                twsplatform::RestoreFromTrash(entry, volume, path, identity, error);
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
    }
    return counts;
}

}  // namespace cleanuphost

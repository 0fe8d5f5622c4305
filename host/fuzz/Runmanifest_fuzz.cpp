// Fuzzer for the run manifest's reader (TrashedFiles, what --undo restores).
// Properties: any JSON text is either read or refused with
// std::runtime_error (no other failure); every file read is a "trashed"
// record of the document whose path, trash folder and name are the
// record's own; reading twice gives the same files.
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "Undo.h"

using nlohmann::json;

namespace {

void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "manifest fuzz check failed: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 16384)
        return 0;
    json document = json::parse(data, data + size, nullptr, false);
    if (document.is_discarded())
        return 0;
    const json before = document;
    std::vector<cleanuphost::TTrashedFile> files;
    try {
        files = cleanuphost::TrashedFiles(document);
    } catch (const std::runtime_error&) {
        Require(document == before, "a refused manifest was changed");
        return 0;
    }
    Require(document == before, "reading changed the manifest");
    for (const auto& f : files) {
        const json& record = *f.Record;
        Require(record.is_object() && record.value("outcome", json()) == "trashed", "a file that was not trashed");
        Require(f.Path == record.value("path", ""), "a path that is not the record's");
        Require(f.Entry.Folder == record["trash"].value("folder", "") &&
                    f.Entry.Name == record["trash"].value("name", ""),
                "a trash entry that is not the record's");
    }
    const auto again = cleanuphost::TrashedFiles(document);
    Require(again.size() == files.size(), "reading twice gives other files");
    for (std::size_t i = 0; i < files.size(); ++i)
        Require(again[i].Record == files[i].Record && again[i].Path == files[i].Path, "reading twice gives other files");
    return 0;
}

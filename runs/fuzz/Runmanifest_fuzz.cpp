// Fuzzer for the readers of a run's record: the manifest (ValidateRun,
// TrashedFiles: what --history shows and --undo restores) and the journal
// of an interrupted run (JournalDocument).
// Properties: any text is either read or refused with std::runtime_error
// (no other failure); a refused manifest is left as it was; every file read
// is a "trashed" or "interrupted" record of the document whose path, trash
// folder and name are the record's own; reading twice gives the same
// files; a validated document has every member --history reads, of its
// type; and a journal read is always a document ValidateRun takes.
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "Runjournal.h"
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

void CheckManifest(json& document)
{
    const json before = document;
    std::vector<cleanuphost::TTrashedFile> files;
    try {
        files = cleanuphost::TrashedFiles(document);
    } catch (const std::runtime_error&) {
        Require(document == before, "a refused manifest was changed");
        return;
    }
    Require(document == before, "reading changed the manifest");
    for (const auto& f : files) {
        const json& record = *f.Record;
        const json outcome = record.value("outcome", json());
        Require(record.is_object() && (outcome == "trashed" || outcome == "interrupted"), "a file that was not trashed");
        Require(f.Interrupted == (outcome == "interrupted"), "an interrupted move not told as one");
        Require(f.Path == record.value("path", ""), "a path that is not the record's");
        Require(f.Entry.Folder == record["trash"].value("folder", "") &&
                    f.Entry.Name == record["trash"].value("name", ""),
                "a trash entry that is not the record's");
    }
    const auto again = cleanuphost::TrashedFiles(document);
    Require(again.size() == files.size(), "reading twice gives other files");
    for (std::size_t i = 0; i < files.size(); ++i)
        Require(again[i].Record == files[i].Record && again[i].Path == files[i].Path, "reading twice gives other files");

    try {
        cleanuphost::ValidateRun(document);
    } catch (const std::runtime_error&) {
        return;
    }
    // What --history reads of a validated manifest, as it reads it.
    const json& summary = document.at("summary");
    (void)document.at("volume").get<std::string>();
    (void)summary.at("removed").at("files").get<long long>();
    (void)summary.at("removed").at("bytes").get<unsigned long long>();
    (void)summary.at("failed").at("files").get<long long>();
    (void)document.value("interrupted", false);
    (void)cleanuphost::RecordedRoot(document);
    (void)cleanuphost::JournalNamedEntries(document);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 16384)
        return 0;
    json document = json::parse(data, data + size, nullptr, false);
    if (!document.is_discarded())
        CheckManifest(document);

    json journal;
    try {
        journal = cleanuphost::JournalDocument(std::string_view(reinterpret_cast<const char*>(data), size), "id", "/s/id");
    } catch (const std::runtime_error&) {
        return 0;
    }
    try {
        cleanuphost::ValidateRun(journal);
    } catch (const std::runtime_error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        Require(false, "a journal read into a document ValidateRun refuses");
    }
    CheckManifest(journal);
    return 0;
}

// TTidewashCtrlImpl::Purge: deletes the selected files, or moves them to
// the trash, under the hidden and read-only rules, then writes the purge
// report into the Reports folder.
//
// Before anything about a file is changed, the purge checks that its path
// still leads, without a symbolic link below the volume root, to the very
// file the scan found (same device and inode, and, since a file system
// hands freed inodes to new files, the same size and times). A file that
// fails the check is listed as unsuccessfully deleted and left alone.
//
// Every path is walked from the volume folder the scan held open, and only
// while the volume's path still leads, without a link, to that very folder:
// a volume replaced since the scan purges nothing.
//
// A host that keeps a journal of the purge (ITidewashPurgeJournal on its
// callback object) hears where each file goes in the trash before it goes,
// and what became of it after.
#include "TidewashCtrlImpl.h"

#include "Conststrings.h"
#include "Htmlreport.h"
#include "SysUtils.hpp"
#include "Tidewash.h"
#include "VerifiedFile.h"

namespace tidewash {

namespace {

enum class TOutcome { Attempted, NotAttempted };

struct TPurgeRules {
    bool DeleteReadOnly;
    bool DeleteHidden;
    twsplatform::TDeleteMode Mode;
};

AnsiString VerifyFailure(twsplatform::TVerifyResult why)
{
    switch (why) {
    case twsplatform::TVerifyResult::Missing: return "gone since the scan";
    case twsplatform::TVerifyResult::Changed: return "changed since the scan (another file, or a link on the way)";
    case twsplatform::TVerifyResult::OutsideRoot: return "outside the volume";
    case twsplatform::TVerifyResult::Verified: break;
    }
    return "could not be checked";
}

// One file: "deleted" is the result, record what happened and why;
// Attempted when the delete operation was called (whatever it gave),
// NotAttempted when a rule or the check stopped it before. Every refusal is
// decided before anything about the file is changed.
TOutcome PurgeOne(twsplatform::TFileVerifier& verifier, const zelutils::TSearchResult& r,
                  const TPurgeRules& rules, bool& deleted, TTidewashCtrlImpl::TPurgeRecord& record)
{
    deleted = false;
    const bool readOnly = (r.Attributes & FILE_ATTRIBUTE_READONLY) != 0;
    // A hidden file is one whose name begins with a dot: nothing to clear.
    const bool hidden = (r.Attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    if ((readOnly && !rules.DeleteReadOnly) || (hidden && !rules.DeleteHidden)) {
        record.Outcome = TWS_OUTCOME_KEPT;
        record.Reason = hidden && !rules.DeleteHidden ? "hidden" : "read-only";
        return TOutcome::NotAttempted;
    }
    record.Outcome = TWS_OUTCOME_FAILED;
    twsplatform::TVerifyResult why;
    auto file = verifier.Open(r.Path(), r.Name, r.Identity, why);
    if (!file) {
        record.Reason = VerifyFailure(why);
        return TOutcome::NotAttempted;
    }
    if (readOnly && !file->ClearReadOnly()) {
        record.Reason = "permission: its read-only mode could not be cleared";
        return TOutcome::NotAttempted;
    }
    AnsiString error;
    deleted = file->Delete(rules.Mode, error);
    if (deleted && rules.Mode == twsplatform::TDeleteMode::ToTrash) {
        record.Outcome = TWS_OUTCOME_TRASHED;
        record.TrashFolder = file->TrashEntry().Folder;
        record.TrashName = file->TrashEntry().Name;
        // In the trash the file keeps the mode it had, so that restoring it
        // gives back the file as it was.
        if (readOnly)
            file->RestorePermissions();
    } else if (deleted) {
        record.Outcome = TWS_OUTCOME_DELETED;
    } else {
        record.Reason = rules.Mode == twsplatform::TDeleteMode::ToTrash ? "trash refused it: " + error : error;
    }
    // A file that stays keeps the permissions it had.
    if (!deleted && readOnly)
        file->RestorePermissions();
    return TOutcome::Attempted;
}

// Why nothing may be purged below root, the folder the scan searched, or
// the empty string when the volume's path still leads to it.
AnsiString RootRefusal(const AnsiString& volume, const twslisting::TRootFolder* root)
{
    if (root == nullptr || !root->IsOpen())
        return "the volume folder could not be opened without following a link";
    twslisting::TRootFolder now;
    if (!now.Open(volume) || now.Identity() != root->Identity())
        return "the volume folder is no longer the folder scanned (replaced, or a link)";
    return AnsiString();
}

// Hands the trash's moves of the file being purged to the host's journal.
class TJournalObserver final : public twsplatform::TTrashObserver {
public:
    explicit TJournalObserver(ITidewashPurgeJournal* journal) : FJournal(journal) {}
    ~TJournalObserver()
    {
        if (FJournal != nullptr)
            FJournal->Release();
    }
    TJournalObserver(const TJournalObserver&) = delete;
    TJournalObserver& operator=(const TJournalObserver&) = delete;

    bool Active() const { return FJournal != nullptr; }
    void Start(AnsiString path) { FPath = std::move(path); }
    bool BeforeMove(const twsplatform::TTrashEntry& entry) override
    {
        return FJournal->FileTrashing(FPath.c_str(), entry.Folder.c_str(), entry.Name.c_str()) == S_OK;
    }
    void Done(const TTidewashCtrlImpl::TPurgeRecord& record)
    {
        FJournal->FileDone(FPath.c_str(), record.Outcome, record.TrashFolder.c_str(), record.TrashName.c_str(),
                           record.Reason.empty() ? nullptr : record.Reason.c_str());
    }

private:
    ITidewashPurgeJournal* FJournal;
    AnsiString FPath;
};

ITidewashPurgeJournal* JournalOf(IEmptyVolumeCacheCallBack* picb)
{
    ITidewashPurgeJournal* journal = nullptr;
    if (picb == nullptr || FAILED(picb->QueryInterface(IID_ITidewashPurgeJournal, reinterpret_cast<void**>(&journal))))
        return nullptr;
    return journal;
}

}  // namespace

HRESULT TTidewashCtrlImpl::Purge(DWORDLONG dwlSpaceToFree, IEmptyVolumeCacheCallBack* picb)
{
    if (dwlSpaceToFree == 0)
        return S_OK;
    try {
        // Both tables are filled in the selection's own order: each entry
        // goes at the end, without a search.
        TFileFlags purged;
        DWORDLONG toFree = 0;  // the host is told what is still to free
        for (const auto& [ref, selected] : FSelection)
            if (selected) {
                purged.emplace_hint(purged.end(), ref, true);
                toFree += static_cast<DWORDLONG>(ref->Size);
            }

        const TPurgeRules rules{
            FConfig.GetFlag(tws::TFlagSetting::fsDeleteReadOnly),
            FConfig.GetFlag(tws::TFlagSetting::fsDeleteHidden),
            FConfig.GetFlag(tws::TFlagSetting::fsUseRecycleBin) ? twsplatform::TDeleteMode::ToTrash
                                                                : twsplatform::TDeleteMode::Permanent,
        };
        DWORDLONG freed = 0;
        const AnsiString refusal = RootRefusal(FVolume, FRoot.get());
        std::unique_ptr<twsplatform::TFileVerifier> verifier;
        TJournalObserver journal(JournalOf(picb));
        if (refusal.empty()) {
            verifier = std::make_unique<twsplatform::TFileVerifier>(FRoot);
            if (journal.Active())
                verifier->SetTrashObserver(&journal);
        }
        FPurgeRecords.clear();
        FPurged = true;
        FReportPath.clear();
        FReportError.clear();
        for (auto&& [ref, deleted] : purged) {  // deleted: the table's own flag
            TOutcome outcome = TOutcome::NotAttempted;
            TPurgeRecord& record = FPurgeRecords.emplace_hint(FPurgeRecords.end(), ref, TPurgeRecord{})->second;
            if (journal.Active())
                journal.Start(ref->GetFullName());
            if (!refusal.empty()) {
                deleted = false;
                record = {TWS_OUTCOME_FAILED, refusal, {}, {}};
                if (journal.Active())
                    journal.Done(record);
                continue;
            }
            try {
                outcome = PurgeOne(*verifier, *ref, rules, deleted, record);
            } catch (const Exception& e) {
                deleted = false;
                record = {TWS_OUTCOME_FAILED, e.Message(), {}, {}};
            } catch (...) {
                deleted = false;
                record = {TWS_OUTCOME_FAILED, "unexpected error", {}, {}};
            }
            if (journal.Active())
                journal.Done(record);
            if (outcome == TOutcome::NotAttempted)
                continue;
            freed += static_cast<DWORDLONG>(ref->Size);
            if (picb != nullptr && picb->PurgeProgress(freed, toFree - freed, 0, nullptr) == E_ABORT)
                return E_ABORT;
        }

        // The files the settings keep were never tried: their outcome is
        // that they stay, for the same reason the plan gave.
        for (const auto& [ref, reason] : FKeptBySettings)
            FPurgeRecords.emplace(ref, TPurgeRecord{TWS_OUTCOME_KEPT, reason, {}, {}});
        WritePurgeReport(purged);
        if (picb == nullptr)
            return S_OK;
        return picb->PurgeProgress(freed, toFree - freed, EVCCBF_LASTNOTIFICATION, nullptr);
    } catch (...) {
        return zelcom::CurrentExceptionResult(ErrorSource, IID_IEmptyVolumeCache, E_UNEXPECTED);
    }
}

void TTidewashCtrlImpl::WritePurgeReport(const TFileFlags& purged)
{
    // The deletions are done by now; a report that cannot be written must
    // not turn the purge into a failure.
    try {
        const AnsiString& folder = FPlace.ReportsFolder;
        if (!ForceDirectories(folder)) {
            FReportError = "the folder " + folder + " cannot be created";
            return;
        }
        const AnsiString path = IncludeTrailingPathDelimiter(folder) + "FilePurge.html";
        // A file not deleted is listed with the reason it was not: those the
        // settings keep and those left unselected (by the guard or the user)
        // with theirs, although the purge never tried them.
        TFileReasons failures;
        for (const auto& [ref, record] : FPurgeRecords)
            if (!record.Reason.empty())
                failures.emplace_hint(failures.end(), ref, record.Reason);
        TFileFlags notPurged = purged;
        for (const auto& [ref, selected] : FSelection)
            if (!selected)
                notPurged.emplace(ref, false);
        for (const auto& [ref, reason] : FKeptBySettings)
            notPurged.emplace(ref, false);
        TFileReasons reasons = ReasonsForExcluded(notPurged, {&FKeptBySettings, &failures, &FUnselectedReasons});
        // A file found under several masks is listed under each.
        const TFileFlags listed = SpreadToAliases(std::move(notPurged), FAliases);
        reasons = SpreadToAliases(std::move(reasons), FAliases);
        THTMLReport report(FFileSearch.Results, listed, &reasons);
        if (FFileSearch.UnnamedEntries > 0)
            report.Note = IntToStr(static_cast<int>(FFileSearch.UnnamedEntries)) +
                          " files or folders were left out of the scan: the system's code page cannot spell "
                          "their names, so they cannot be opened again by name.";
        report.WriteReport(path, LoadConstString(PurgeReportTitle), LoadConstString(PurgeReportDeleted),
                           LoadConstString(PurgeReportNotDeleted));
        FReportPath = path;
    } catch (const Exception& e) {
        FReportError = e.Message();
    } catch (...) {
        FReportError = "unexpected error";
    }
}

}  // namespace tidewash

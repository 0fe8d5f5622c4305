// One disk-cleanup handler as the host drives it: created from its
// registration key, initialised for a volume, asked for the space it would
// free, told to purge, deactivated and released.
#pragma once

#include <comref.h>
#include <emptyvc.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "FileIdentity.h"
#include "System.hpp"

struct ITidewashResults;

namespace cleanuphost {

// Where the host answers the handler's progress notifications.
class TProgressSink {
public:
    virtual ~TProgressSink() = default;
    // Return false to ask the handler to stop.
    virtual bool ScanProgress(DWORDLONG spaceUsed, bool last) = 0;
    // spaceRemaining: what the handler still has to free.
    virtual bool PurgeProgress(DWORDLONG spaceFreed, DWORDLONG spaceRemaining, bool last) = 0;
};

// One file a detailed handler found, and what its purge will do and did.
enum class TFilePlan { Remove, KeepHidden, KeepReadOnly, Unselected };
enum class TFileOutcome { None, Deleted, Trashed, Kept, Failed };

// Where the host keeps the record of a purge as it happens: a handler that
// tells its files one by one reports each file's move into the trash
// before it happens and each outcome after (ITidewashPurgeJournal).
class TPurgeJournal {
public:
    virtual ~TPurgeJournal() = default;
    // False: the move could not be recorded, and the handler leaves the file.
    virtual bool Trashing(const AnsiString& path, const AnsiString& trashFolder, const AnsiString& trashName) = 0;
    virtual void Done(const AnsiString& path, TFileOutcome outcome, const AnsiString& trashFolder,
                      const AnsiString& trashName, const AnsiString& reason) = 0;
};

// A failure of one handler step, with the HRESULT the handler gave.
struct THandlerError {
    AnsiString Step;
    HRESULT Result = S_OK;
    AnsiString Detail;  // why a module would not load, or the handler's own error description
};


struct TFileRecord {
    AnsiString Mask;
    AnsiString Path;
    std::int64_t Size = 0;
    TFilePlan Plan = TFilePlan::Remove;
    AnsiString PlanReason;  // why an unselected file stays, as the handler tells it
    TFileOutcome Outcome = TFileOutcome::None;
    AnsiString OutcomeReason;
    AnsiString TrashFolder;  // the trash that took it, ending in "/"
    AnsiString TrashName;    // its entry in TrashFolder's files/
    twsplatform::TFileIdentity Identity;  // as the scan found it; its Size is Size
};

class TCleanupHandler {
public:
    // keyName: the handler's key under VolumeCaches.
    explicit TCleanupHandler(AnsiString keyName);
    ~TCleanupHandler();
    TCleanupHandler(const TCleanupHandler&) = delete;
    TCleanupHandler& operator=(const TCleanupHandler&) = delete;

    // Reads the class from the key, creates the handler and initialises it
    // for the volume. False with Error set when any step fails.
    bool Load(const AnsiString& volume);
    // Takes a reference to a handler the caller created and initialised
    // itself, to read its files and record its run; scanned: what its scan
    // reported.
    void Adopt(IEmptyVolumeCache* cache, const AnsiString& displayName, DWORDLONG scanned);
    // Scans; false when the handler failed or the user aborted (Aborted()).
    bool Scan(TProgressSink& sink);
    // journal: told of every file as the purge goes, when not null.
    bool Purge(DWORDLONG spaceToFree, TProgressSink& sink, TPurgeJournal* journal = nullptr);
    // Whether the handler tells its files one by one (ITidewashResults).
    bool Detailed() const { return FResults != nullptr; }
    // Reads the detailed handler's files (after a scan, and again after a
    // purge for the outcomes); false when it failed. TFileList::Leave reads
    // all but the files (they are then read with VisitFiles).
    enum class TFileList { Keep, Leave };
    bool ReadFiles(TFileList list = TFileList::Keep);
    const std::vector<TFileRecord>& Files() const { return FFiles; }
    // Reads the detailed handler's files one at a time, in its order,
    // without keeping them (a million files need not be held at once);
    // visit returns false to stop. False when the handler failed.
    // TFileTexts::Skip leaves the record's texts (path, mask, reasons,
    // trash) empty, for a reader of the figures only: converting them is
    // most of the visit's cost.
    enum class TFileTexts { Read, Skip };
    bool VisitFiles(const std::function<bool(const TFileRecord&)>& visit,
                    TFileTexts texts = TFileTexts::Read) const;
    // After a purge of a detailed handler: its report, or why there is none.
    const AnsiString& ReportPath() const { return FReportPath; }
    const AnsiString& ReportError() const { return FReportError; }
    // After ReadFiles: the folders the detailed handler's scan could not
    // read, whose files it could not search.
    std::int64_t UnreadableFolders() const { return FUnreadableFolders; }
    // After ReadFiles: the settings file the detailed handler read (it may
    // be missing: the defaults), empty when it names none.
    const AnsiString& SettingsFile() const { return FSettingsFile; }
    // Why a purge of the detailed handler could do nothing on its volume
    // (read-only, or its trash unusable), asked before the user is; empty
    // when nothing stands in the way or the handler does not tell.
    AnsiString PurgeObstacle() const;
    // Shows the handler's own review window; false when it has none.
    bool ShowProperties();
    void Deactivate();

    const AnsiString& KeyName() const { return FKeyName; }
    const AnsiString& DisplayName() const { return FDisplayName; }
    const AnsiString& Description() const { return FDescription; }
    const AnsiString& ButtonText() const { return FButtonText; }
    DWORD Flags() const { return FFlags; }
    DWORDLONG SpaceUsed() const { return FSpaceUsed; }
    bool Aborted() const { return FAborted; }
    const THandlerError& Error() const { return FError; }

    // The description a failing COM call left in the thread's error
    // information (a handler's: its settings file and the reason), taken
    // and cleared; empty when there is none.
    static AnsiString TakeErrorDescription();

private:
    bool Fail(const char* step, HRESULT result);
    void TakeResults();

    AnsiString FKeyName;
    AnsiString FDisplayName;
    AnsiString FDescription;
    AnsiString FButtonText;
    DWORD FFlags = 0;
    DWORDLONG FSpaceUsed = 0;
    bool FAborted = false;

    THandlerError FError;
    twscom::TComRef<IEmptyVolumeCache> FCache;
    twscom::TComRef<ITidewashResults> FResults;
    std::vector<TFileRecord> FFiles;
    AnsiString FReportPath;
    AnsiString FReportError;
    std::int64_t FUnreadableFolders = 0;
    AnsiString FSettingsFile;
    HKEY FKey = nullptr;
};

// The names of the handler keys under VOLUMECACHES_KEY, in registry order.
std::vector<AnsiString> ListHandlerKeys();

}  // namespace cleanuphost

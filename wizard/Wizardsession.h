// TWizardSession: the wizard's flow over the cleanup handler, reached
// through COM only, as a disk-cleanup host would: the volumes it may scan,
// the scan with its abort, the selection's figures, the handler's review
// window and the purge. Each window (Qt, the system's controls) is a view
// that calls it and shows what it answers. Start over (Restart) after a
// scan that was refused, failed or aborted, and on every return to step 1:
// a handler object scans once.
//
// The caller initialises COM on its thread first.
#pragma once

#include <windows.h>

#include <cstdint>
#include <emptyvc.h>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Tidewash_tlb.h"
#include "Wizardmodel.h"

namespace twswizard {

struct TVolume {
    std::string Name;  // what the drive list shows
    std::string Root;  // what the handler scans
};

enum class TScanEnd { Refused, Aborted, Done, Failed };

// The space used so far and the handler's words on where it is ("" for
// none); answers true to abort.
using TScanProgress = std::function<bool(std::uint64_t spaceUsed, const std::u16string& status)>;
// The purge's status line (PurgeStatus); answers true to abort.
using TPurgeProgress = std::function<bool(const std::string& status)>;

class TWizardSession {
public:
    TWizardSession();
    ~TWizardSession();
    TWizardSession(const TWizardSession&) = delete;
    TWizardSession& operator=(const TWizardSession&) = delete;

    // Whether the handler could be created (it is registered).
    bool Available() const { return FCtrl != nullptr; }
    // A fresh handler object, the last scan forgotten.
    void Restart();

    // Of the given volumes, those the settings do not exclude; none
    // without the handler, which alone knows what is excluded.
    std::vector<TVolume> Scannable(const std::vector<TVolume>& volumes) const;

    // Initialises the handler for root and scans it.
    TScanEnd Scan(const std::string& root, const TScanProgress& progress);
    const std::string& ScannedRoot() const { return FScannedRoot; }
    const std::string& DisplayName() const { return FDisplayName; }
    // The caption the handler gives its review button.
    const std::string& ButtonText() const { return FButtonText; }
    std::uint64_t Scanned() const { return FScanned; }
    // Why the last scan failed, in the handler's words ("" when it gave
    // none): its settings file and why it is refused.
    const std::string& ScanError() const { return FScanError; }

    TTotals Totals() const;
    TPurgeMode PurgeMode() const;
    // Why a purge could remove nothing (a read-only volume, a trash that
    // cannot take the files), or nothing when it can work.
    std::optional<std::string> PurgeObstacle() const;
    // The handler's review window, owned by owner; returns when it closes.
    void Review(HWND owner);
    // Purges the selection the totals count.
    void Purge(const TTotals& totals, const TPurgeProgress& progress);

    // The report the handler wrote for its last purge ("" when none).
    std::string ReportPath() const;

    // A new reference to the handler's IEmptyVolumeCache2, or null.
    IEmptyVolumeCache2* Cache() const;

private:
    struct TRelease {
        void operator()(IUnknown* p) const;
    };
    std::unique_ptr<ITidewashCtrl, TRelease> FCtrl;
    std::string FScannedRoot, FDisplayName, FButtonText, FScanError;
    std::uint64_t FScanned = 0;
};

}  // namespace twswizard

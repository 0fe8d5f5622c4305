// TfrmMain: the scan-and-purge wizard TWSUtil. Three steps on one window:
// pick a fixed volume and scan it, look at the totals and the line of each
// mask (and review the selection in the handler's own window), purge and
// open the report of that purge; the recorded purges can be undone.
// The handler is reached through COM only, as a disk-cleanup host would;
// every return to the first step starts over on a fresh handler object.
//
// Message boxes, the shell and the volume list go through TWizardServices,
// so that a test can answer them.
#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes.hpp"
#include "Cleanuphandler.h"
#include "Tidewash_tlb.h"

class QAction;
class QComboBox;
class QLabel;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QToolButton;
class QTreeWidget;
namespace twswizard { class TWizardSession; }

enum class TMessageKind { Warning, Error, Information };

struct TWizardServices {
    // Appends display name=root lines, one per volume to offer.
    std::function<void(TStrings*)> ListVolumes;
    // Shows a message box and returns when the user has closed it.
    std::function<void(TMessageKind kind, const QString& caption, const QString& text)> MessageBox;
    // Opens a file with the desktop's application for it; false on failure.
    std::function<bool(const QString& path)> OpenWithShell;
    // Asks a yes/no question (Enter answers Yes); true for Yes. Unset: yes.
    std::function<bool(const QString& caption, const QString& question)> Ask;
};

// The fixed volumes, application-modal topmost boxes and the desktop's
// file opener.
TWizardServices DefaultWizardServices();

// The yes/no box DefaultWizardServices asks with: application-modal,
// topmost, Yes the default button.
std::unique_ptr<QMessageBox> QuestionBox(const QString& caption, const QString& question);

// "12.50 KB": two decimals, a blank and the unit, counted in 1024s.
QString ByteDisplay(std::uint64_t bytes);

class TfrmMain : public QMainWindow {
public:
    explicit TfrmMain(TWizardServices services = DefaultWizardServices());
    ~TfrmMain() override;
    TfrmMain(const TfrmMain&) = delete;
    TfrmMain& operator=(const TfrmMain&) = delete;

    // Whether a scan or purge is running (the window then refuses to close).
    bool Busy() const { return FBusy; }
    // The run the last purge was recorded as ("" when it was not).
    const std::string& RunId() const { return FRunId; }
    // The report of this window's last purge: the run's copy, or the one
    // the handler wrote when the run was not recorded; "" before a purge.
    const std::string& ReportPath() const { return FReportPath; }

    QTabWidget* pcMain;
    QWidget *tsStep1, *tsStep2, *tsStep3;
    QComboBox* cboxDrives;
    QPushButton *btnCheckSpace, *btnAbortCheckSpace;
    QLabel *lblProgressTitle, *lblScanProgress, *lblScanStatus, *Image1;
    QLabel *lblSelectedCount, *lblSelectedSize, *lblTotalCount, *lblTotalSize;
    // One line per mask: what it found, and what of it the purge removes.
    QTreeWidget* lvMasks;
    QToolButton* btnAbout;
    QPushButton *btnBackTo1, *btnReviewScan, *btnPurge;
    QPushButton *btnScanAgain, *btnReviewReport, *btnClose, *btnUndo, *btnHistory;
    QLabel* lblPurgeSummary;
    QStatusBar* sbarMain;
    QAction *actCheckSpace, *actAbort, *actScanAborted, *actPurge, *actGotoStep1, *actGotoStep2, *actGotoStep3;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateComponents();
    void LoadResources();
    void CreateHandler();
    void FillDrives();
    void Status(const QString& text);
    void Message(TMessageKind kind, const QString& caption, const QString& text);

    void actCheckSpaceExecute();
    void actAbortExecute();
    void actScanAbortedExecute();
    void actPurgeExecute();
    void actGotoStep1Execute();
    void actGotoStep2Execute();
    void actGotoStep3Execute();
    void btnReviewScanClick();
    void btnReviewReportClick();
    void btnCloseClick();
    void btnUndoClick();
    void btnHistoryClick();
    void btnAboutClick();
    bool FormCloseQuery();

    // status: the handler's words on where the scan is ("" for none).
    void ScanProgress(std::uint64_t spaceUsed, const std::u16string& status, bool& abort);
    void UpdateTotals();
    void UpdateMaskLines();
    void ShowStep(QWidget* step);
    void SetStep2Enabled(bool enabled);
    // Reads what the purge did, shows it and keeps it as a run.
    void RecordPurge();

    TWizardServices FServices;
    std::deque<AnsiString> FVolumeRoots;
    std::unique_ptr<twswizard::TWizardSession> FSession;
    bool FBusy = false;
    bool FAbort = false;
    bool FReviewing = false;
    bool FComInitialized = false;
    bool FCanPurge = false;
    std::uint64_t FPurgeSize = 0;
    std::string FRunId;
    std::string FReportPath;
};

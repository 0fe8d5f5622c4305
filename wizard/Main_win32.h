// TWizardWindow: the scan-and-purge wizard TWSUtil built with the system's
// own controls, the second view over TWizardSession (the Qt window is the
// first). Step 1 picks a fixed volume the settings do not exclude and scans
// it (Abort stops the scan); step 2 shows the selection's figures, opens the
// handler's review window and purges after one question; step 3 tells where
// the purge's report is and opens it.
//
// Step 2's line per mask, step 3's summary with the run recorded, its
// Undo and the History window are Wizardruns.h's words and figures, as in
// the Qt window.
//
// The window is a modeless dialog from the resources of Main_win32.rc; its
// owner runs the message loop through PreTranslate so that the dialog's
// keys (Tab, Enter, Alt+letter, F1) work.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Historyform_win32.h"
#include "Wizardsession.h"
#include "Zelwinprogram_win32.h"

namespace twswizard {

// What the window asks and tells the user through; a test puts scripted
// answers here.
struct TWizardPrompts {
    // A message box with MB_* flags; returns IDOK, IDYES or IDNO.
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT flags)> Ask;
    // Opens a file with the shell's application for it; false on failure.
    std::function<bool(const std::string& path)> Open;
};

// What closing the window ends: the program's message loop, or nothing (a
// test's window).
enum class TOnClose { QuitMessageLoop, Stay };

enum class TStep { ChooseDrive, Review, Done };

class TWizardWindow : public zelgui::TProgramWindow {
public:
    // COM must be initialised on the thread (a single-threaded apartment).
    // The window is created hidden; Show shows it.
    TWizardWindow(std::vector<TVolume> volumes, TOnClose onClose, TWizardPrompts prompts = {});
    ~TWizardWindow();
    using TProgramWindow::Handle;
    void Show(int showCommand);
    TStep Step() const { return FStep; }
    bool Busy() const { return FBusy; }
    // Closed by the user (Close, the close box).
    bool Closed() const { return FWindow == nullptr; }
    // The History window while it shows, else null.
    THistoryWindow* History() const { return FHistory != nullptr && !FHistory->Closed() ? FHistory.get() : nullptr; }
    // The keys of the History window while it shows, else the wizard's.
    bool PreTranslate(MSG& message);

private:
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Initialise() override;
    // The product's icon (the window's and step 1's picture) from the
    // resource library beside the handler.
    void LoadIcons();
    void Command(int id);

    // A message box owned by owner (null: this window).
    int Ask(const std::string& text, const std::string& caption, UINT flags, HWND owner = nullptr);
    void Status(const std::string& text);
    void SetText(int id, const std::string& text);
    void Enable(int id, bool enabled);
    // Lets the window take its messages while the handler works (Abort).
    void Pump();
    void ShowStep(TStep step);

    void GotoStep1();
    void Scan();
    void GotoStep2();
    void Review();
    void ShowMaskLines();
    void Purge();
    void Undo();
    void OpenHistory();
    void ViewReport();
    void About();
    bool CloseQuery();
    void Close();

    TWizardSession FSession;
    std::vector<TVolume> FVolumes;
    TOnClose FOnClose;
    TWizardPrompts FPrompts;
    HICON FIcons[2] = {nullptr, nullptr};  // small, large
    TStep FStep = TStep::ChooseDrive;
    bool FBusy = false;
    bool FAbort = false;
    bool FReviewing = false;
    bool FCanPurge = false;
    std::string FReportPath;
    std::string FRunId;  // the run step 3 tells of, "" when not recorded
    std::unique_ptr<THistoryWindow> FHistory;
};

}  // namespace twswizard

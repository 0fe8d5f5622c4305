// THistoryWindow: the Windows wizard's History, the second view over
// Wizardruns' THistory (the Qt TfrmHistory is the first): the recorded
// runs newest first in a report list view, a run with files an undo can
// put back picked and undone with Undo, and the outcome told in a message.
// A run that cannot be undone (damaged, nothing in a trash, its files in
// the Recycle Bin) cannot be picked.
//
// The window is a modeless dialog (IDD_HISTORY of Main_win32.rc) that
// disables its owner while it shows, as a modal one would, so that the
// owner's message loop keeps running it: its keys go through PreTranslate.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "Wizardruns.h"
#include "Zelwinprogram_win32.h"

namespace twswizard {

class THistoryWindow : public zelgui::TProgramWindow {
public:
    // A message box owned by owner: text, caption, MB_* flags.
    using TAsk = std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT flags)>;
    // Shows the window at once; closed: called when it has closed.
    THistoryWindow(HWND owner, TAsk ask, std::function<void()> closed);
    ~THistoryWindow();
    using TProgramWindow::Handle;
    bool Closed() const { return FWindow == nullptr; }
    // Reads the runs again and lists them.
    void Reload();
    // The run of the selected row, "" when none is selected.
    std::string SelectedRun() const;

private:
    void Initialise() override;
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Undo();
    void Close();

    HWND FOwner;
    TAsk FAsk;
    std::function<void()> FClosed;
    std::vector<THistoryRow> FRows;
};

}  // namespace twswizard

// TConfiguratorWindow: the settings editor built with the system's own
// controls, the second view over TConfiguratorSession (the Qt window is the
// first). One tab per file mask; below the tabs the excluded folders of the
// selected mask in a list view whose check boxes say "with sub-folders";
// the volume filter, the deletion options, and the Excluded Volumes menu.
// Without the configuration server it shows what to do and no form.
//
// The window is a modeless dialog from the resources of Main_win32.rc;
// its owner runs the message loop through PreTranslate so that the keys of
// the dialog (Tab, Alt+letter) and the menu's accelerators work.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <shtypes.h>

#include <functional>
#include <vector>

#include "Configuratorsession.h"
#include "Zelwinprogram_win32.h"
#include "System.hpp"

namespace twsconfigurator {

// What the window asks and tells the user through; a test puts scripted
// answers here. Ask returns IDOK, IDYES, IDNO or IDCANCEL.
struct TWindowPrompts {
    // A message box with MB_* flags.
    std::function<int(HWND owner, const AnsiString& text, const AnsiString& caption, UINT flags)> Ask;
    // Called when a dialog of the window (the mask input) has been
    // initialised, before it waits for the user.
    std::function<void(HWND dialog)> DialogShown;
};

// The folder the folder browser returned, as the settings would name it:
// its whole path, however long. Refused as NoPath when the system gives no
// path for it or only a part, as Unspellable when the ANSI code page cannot
// hold its name; path is left alone then.
TFolderRefusal PickedFolder(PCIDLIST_ABSOLUTE pick, AnsiString& path);

// What closing the window ends: the program's message loop, or nothing (a
// test's window).
enum class TOnClose { QuitMessageLoop, Stay };

class TConfiguratorWindow : public zelgui::TProgramWindow {
public:
    // COM must be initialised on the thread (a single-threaded apartment).
    // The window is created hidden; Show shows it.
    TConfiguratorWindow(tws::TSettingsPlace settings, std::vector<TVolume> volumes, AnsiString programFolder,
                        TOnClose onClose, TWindowPrompts prompts = {});
    ~TConfiguratorWindow();
    using TProgramWindow::Handle;
    void Show(int showCommand);
    const TConfiguratorSession& Session() const { return FSession; }
    // Closed by the user (Exit, the close box) with nothing left unsaved.
    bool Closed() const { return FWindow == nullptr; }

private:
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Initialise() override;
    // The buttons' glyphs and the window's icons from the resource library.
    void LoadImages();
    void Command(int id, int code);
    bool Notify(const NMHDR& header);

    int Ask(const AnsiString& text, const AnsiString& caption, UINT flags);
    void Tell(const TNotice& notice);
    void ShowServerMissing();
    void ShowModified();
    void ShowModel();
    // The model's masks with the tab selected (-1: none), its folders, the
    // modified marker.
    void ShowMasks(int selected);
    // Tells why a typed folder is refused; true when it is not.
    bool Accepted(TFolderRefusal refusal);
    void ShowFolders();
    void ShowSettingsFile();
    void RebuildVolumesMenu();
    int CurrentMask() const;
    TExcludedFoldersModel* CurrentFolders();
    AnsiString SelectedFolder() const;
    // The folder in the path box; Unspellable when the code page cannot
    // hold its name.
    TFolderRefusal TypedFolder(AnsiString& path) const;

    void Reload();
    bool Save();
    bool InputMask(const AnsiString& caption, AnsiString& mask);
    bool ValidMask(const AnsiString& mask, int edited);
    void AddMask();
    void EditMask();
    void DeleteMask();
    void AddFolder();
    void ReplaceFolder();
    void DeleteFolder();
    void BrowseFolder();
    void OptionsClicked();
    void FilterChanged();
    void RunWizard();
    bool CloseQuery();
    void Close();

    TConfiguratorSession FSession;
    AnsiString FProgramFolder;
    TWindowPrompts FPrompts;
    HMENU FVolumesMenu = nullptr;
    TOnClose FOnClose;
    std::vector<HIMAGELIST> FGlyphs;
    HICON FIcons[2] = {nullptr, nullptr};
    // Set while the program fills the folder list, so that its change
    // notifications are not taken for the user's checks.
    bool FFilling = false;
};

}  // namespace twsconfigurator

// TfrmFileDetails (Windows): the review window drawn with the system's own
// controls over a TReviewModel - a tab control for the masks, a tree view
// whose state images are the tri-state checks, a virtual report list view
// (LVS_OWNERDATA: only the rows on screen are asked for), a status bar,
// the menus, keys and context menus of the Qt window, and the folder depth
// dialog (Folderdepth_win32.cpp). The dialogs, menus and keys are in
// Filedetailsform_win32.rc; the common controls are version 6 through the
// module's own manifest (resource 2), whatever the host process's says.
// The window owns neither the results nor the selection table; both must
// outlive it.
//
// The ids below are shared by the resource script and the window's tests.
#pragma once

#define IDD_FILEDETAILS 1000
#define IDD_FOLDERDEPTH 1001
#define IDR_FILEDETAILS_MENU 1002
#define IDR_FILEDETAILS_KEYS 1003
#define IDR_TREE_POPUP 1004
#define IDR_LIST_POPUP 1005

#define IDC_TABS 1010
#define IDC_TREE 1011
#define IDC_LIST 1012
#define IDC_STATUS 1013
#define IDC_PROGRESS 1014
#define IDC_DEPTH 1020

#define IDM_CLOSE 1100
#define IDM_SYNCVIEWS 1101
#define IDM_CHECKALL 1102
#define IDM_UNCHECKALL 1103
#define IDM_FOLDERDEPTH 1104
#define IDM_AUTOEXPAND 1105
#define IDM_FULLPATH 1106
#define IDM_EXPORTHTML 1107
#define IDM_TREE_COPY 1110
#define IDM_TREE_OPENFOLDER 1111
#define IDM_TREE_OPENCONTAINING 1112
#define IDM_LIST_COPY 1113

#ifndef RC_INVOKED

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Resultmodel.h"
#include "Reviewmodel.h"
#include "Zelfilesearch.h"

namespace tidewash {

// The system's controls need no application object, so the window can
// always be made (the Qt view's counterpart makes its application first).
inline bool EnsureWidgetApplication() { return true; }

class TfrmFileDetails {
public:
    // reasons (may be null) says why the scan left files unselected; the
    // reports folder and the resource library are in installationFolder.
    TfrmFileDetails(const AnsiString& volume, zelutils::TFileSearch& searcher, TFileFlags& selection,
                    const TFileReasons* reasons, const AnsiString& installationFolder);
    ~TfrmFileDetails();
    TfrmFileDetails(const TfrmFileDetails&) = delete;
    TfrmFileDetails& operator=(const TfrmFileDetails&) = delete;

    // The window is owned by owner (a caller's HWND, 0 for none) at the
    // next show: it stays above it, and the owner is disabled while it is
    // shown.
    void SetOwner(std::uintptr_t owner) { FOwner = reinterpret_cast<HWND>(owner); }
    // Shows the window modally on the calling thread, which then owns it:
    // the first show makes it and builds the views once it is on screen;
    // later shows find them as they were left. Answers IDOK or IDCANCEL.
    int ShowModal();
    // The window, once made (null before the first show).
    HWND Handle() const { return FHandle; }
    const TReviewModel& Model() const { return FModel; }

    // Set before the first show, when the scan has them (may stay null):
    // see TReviewModel.
    const TFileAliases* Aliases = nullptr;
    const TFileReasons* KeptBySettings = nullptr;

    // The shell and the save dialog, replaceable so that the window can be
    // driven without a desktop. OpenWithShell answers whether it opened;
    // ChooseReportFile answers an empty name when the user cancels.
    std::function<bool(const AnsiString& path)> OpenWithShell;
    std::function<AnsiString(const AnsiString& initialFolder)> ChooseReportFile;
    // Called on the window's thread: once the views are built at the first
    // show, when the folder depth dialog is up, and after each command is
    // carried out (menu item, key, button). Tests drive the window from
    // another thread and wait for these.
    std::function<void()> ViewsBuilt;
    std::function<void(HWND dialog)> FolderDepthShown;
    std::function<void(int command)> CommandDone;

    // The commands' bodies, for menus, keys and callers alike.
    void SetFolderDepth(int depth);  // rebuilds the tree
    void SortList(TListColumn column);
    void SetAll(bool marked);
    void ExportSearchResults();

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK TreeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleNotify(NMHDR* header);
    void Create();
    void InitControls();
    void LoadResources();
    void Layout();
    void BuildViewsNow();
    void RebuildViews();
    void BuildTree();
    void FillTree();
    void InsertChildren(int node);
    // Inserts the tree items down to node (the tree holds only the items
    // of folders that were opened); null when node is not in the tree.
    HTREEITEM EnsureInserted(int node);
    int NodeOfItem(HTREEITEM item) const;
    void NodeChanged(int node);
    void ClickNode(int node);
    void SyncOrToggle(TViewItem* item, bool toggle);
    void Command(int id);
    void UpdateViewStatus();
    void UpdateTotalsStatus();
    void UpdateSortArrows();
    void ContextMenu(HWND control, LPARAM at);
    void ShowFolderDepthDialog();
    void CopyToClipboard(const AnsiString& text);
    void OpenPath(const AnsiString& path);
    void Close(int result);
    int Scaled(int pixels) const;

    TReviewModel FModel;
    AnsiString FInstallationFolder;
    HWND FOwner = nullptr;
    HWND FHandle = nullptr;
    HWND FTabs = nullptr, FTree = nullptr, FList = nullptr, FStatus = nullptr, FProgress = nullptr, FOK = nullptr;
    HACCEL FKeys = nullptr;
    HIMAGELIST FNodeImages = nullptr, FStateImages = nullptr, FButtonImages = nullptr, FMenuImages = nullptr;
    HICON FIcons[2] = {};
    std::vector<AnsiString> FTabNames;
    // Per tree node, its item once inserted, and whether its children are.
    std::vector<HTREEITEM> FTreeItems;
    std::vector<char> FChildrenInserted;
    // The text handed to the controls' display callbacks.
    std::wstring FText;
    bool FViewsBuilt = false;
    bool FSyncViews = true;
    bool FUpdating = false;
    bool FDone = false;
    int FResult = IDCANCEL;
    int FPopupNode = -1;
};

// Runs the folder depth dialog, owned by owner and made from the resources
// of module: the depth the user confirmed, or -1 when cancelled. shown is
// called with the dialog once it is up (may be empty).
int AskFolderDepth(HINSTANCE module, HWND owner, int depth, HIMAGELIST buttonImages,
                   const std::function<void(HWND)>& shown);

}  // namespace tidewash

#endif  // RC_INVOKED

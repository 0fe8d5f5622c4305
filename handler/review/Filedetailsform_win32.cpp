#include "Filedetailsform_win32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "SysUtils.hpp"
#include "Twsresname.h"

namespace tidewash {

namespace {

// The status bar's first panel (the current view) at 96 dpi.
constexpr int kViewStatusWidth = 340;
// The node images of TWSRES, in the order the tree's image indexes use.
constexpr const wchar_t* kNodeImages[] = {L"NT_FOLDER", L"NT_FOLDER_SELECTED", L"NT_ITEM", L"NT_ITEM_SELECTED",
                                          L"NT_VOLUME"};
enum : int { kFolderImage = 0, kFileImage = 2, kVolumeImage = 4 };
// The state images in TNodeState's order: null, unchecked, checked, part.
constexpr const wchar_t* kStateImages[] = {L"NS_NULL", L"NS_UNCHECKED", L"NS_CHECKED", L"NS_PARTCHECKED"};
// The menu items' glyphs, and the commands they stand beside.
constexpr const wchar_t* kMenuImages[] = {L"ACT_SELECTALL", L"ACT_UNSELECTALL", L"ACT_EXIT", L"ACT_EXPORTHTML"};
constexpr int kMenuImageCommands[] = {IDM_CHECKALL, IDM_UNCHECKALL, IDM_CLOSE, IDM_EXPORTHTML};
// The OK and Cancel buttons' glyphs, in the order AskFolderDepth takes.
constexpr const wchar_t* kButtonImages[] = {L"ACT_OK", L"ACT_CANCEL"};
// While a tree is built, the progress bar is repainted at most this often.
constexpr std::chrono::milliseconds kProgressInterval{10};

// The controls are Unicode and are sent the W form of each message that
// carries text or a structure with text: the commctrl.h macros send the A
// form in a build without UNICODE.

HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

// The module's own manifest (resource 2) activated for as long as this
// lives: the window's controls are the common controls version 6 even in
// a host whose manifest asks for none. Made once per process.
class TActivation {
public:
    TActivation()
    {
        static const HANDLE context = [] {
            ACTCTXW request{};
            request.cbSize = sizeof request;
            request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
            request.hModule = ThisModule();
            request.lpResourceName = MAKEINTRESOURCEW(2);
            return CreateActCtxW(&request);
        }();
        if (context != INVALID_HANDLE_VALUE && !ActivateActCtx(context, &FCookie))
            FCookie = 0;
    }
    ~TActivation()
    {
        if (FCookie != 0)
            DeactivateActCtx(0, FCookie);
    }
    TActivation(const TActivation&) = delete;
    TActivation& operator=(const TActivation&) = delete;

private:
    ULONG_PTR FCookie = 0;
};

// Windows made while this lives scale with the monitor they are on (per
// monitor, version 2), where the system knows the notion; the thread's
// earlier awareness comes back after.
class TPerMonitorDpi {
public:
    TPerMonitorDpi()
    {
        using TSet = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
        FSet = reinterpret_cast<TSet>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
        if (FSet != nullptr)
            FBefore = FSet(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    }
    ~TPerMonitorDpi()
    {
        if (FSet != nullptr && FBefore != nullptr)
            FSet(FBefore);
    }
    TPerMonitorDpi(const TPerMonitorDpi&) = delete;
    TPerMonitorDpi& operator=(const TPerMonitorDpi&) = delete;

private:
    DPI_AWARENESS_CONTEXT(WINAPI* FSet)(DPI_AWARENESS_CONTEXT) = nullptr;
    DPI_AWARENESS_CONTEXT FBefore = nullptr;
};

// The hourglass for as long as it lives.
class TWaitCursor {
public:
    TWaitCursor() : FBefore(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~TWaitCursor() { SetCursor(FBefore); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
    HCURSOR FBefore;
};

// Text of the ANSI code page (AnsiString's) as the controls take it, and
// back. A name the code page cannot spell comes back empty.
std::wstring Wide(const AnsiString& text)
{
    if (text.empty())
        return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

AnsiString Narrow(const std::wstring& text)
{
    if (text.empty())
        return {};
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, &lossy);
    AnsiString narrow(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), narrow.data(), n,
                        nullptr, &lossy);
    return lossy ? AnsiString() : narrow;
}

// An image list of 16x16 images of the resource library, fuchsia taken
// out; null unless every image is there.
HIMAGELIST LoadImages(HMODULE library, const wchar_t* const* names, std::size_t count)
{
    if (library == nullptr)
        return nullptr;
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, static_cast<int>(count), 0);
    for (std::size_t i = 0; i < count; ++i) {
        const auto bitmap = static_cast<HBITMAP>(LoadImageW(library, names[i], IMAGE_BITMAP, 0, 0, 0));
        const bool added = bitmap != nullptr && ImageList_AddMasked(list, bitmap, RGB(255, 0, 255)) >= 0;
        if (bitmap != nullptr)
            DeleteObject(bitmap);
        if (!added) {
            ImageList_Destroy(list);
            return nullptr;
        }
    }
    return list;
}

// Sets a dialog procedure's answer to a notification.
INT_PTR Answer(HWND dialog, LRESULT result)
{
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace

// ---- the window -------------------------------------------------------------

TfrmFileDetails::TfrmFileDetails(const AnsiString& volume, zelutils::TFileSearch& searcher, TFileFlags& selection,
                                 const TFileReasons* reasons, const AnsiString& installationFolder)
    : FModel(volume, searcher, selection, reasons), FInstallationFolder(installationFolder)
{
    FModel.RowChanged = [this](int row) {
        if (FList != nullptr)
            ListView_RedrawItems(FList, row, row);
    };
    FModel.NodeChanged = [this](int node) { NodeChanged(node); };
    OpenWithShell = [this](const AnsiString& path) {
        const std::wstring wide = Wide(path);
        return reinterpret_cast<INT_PTR>(ShellExecuteW(FHandle, L"open", wide.c_str(), nullptr, nullptr,
                                                       SW_SHOWNORMAL)) > 32;
    };
    ChooseReportFile = [this](const AnsiString& folder) {
        wchar_t file[MAX_PATH] = L"FileSearch.html";
        const std::wstring initial = Wide(folder);
        OPENFILENAMEW dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = FHandle;
        dialog.lpstrFilter = L"HTML Files (*.htm;*.html)\0*.htm;*.html\0All Files (*.*)\0*.*\0";
        dialog.lpstrFile = file;
        dialog.nMaxFile = MAX_PATH;
        dialog.lpstrInitialDir = initial.c_str();
        dialog.lpstrTitle = L"Export to HTML";
        // A name typed without an extension gets ".html".
        dialog.lpstrDefExt = L"html";
        dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
        return GetSaveFileNameW(&dialog) ? Narrow(file) : AnsiString();
    };
}

TfrmFileDetails::~TfrmFileDetails()
{
    if (FHandle != nullptr) {
        // The OK button's glyph is the button's to show, ours to destroy.
        const auto glyph = reinterpret_cast<HICON>(SendMessageW(FOK, BM_GETIMAGE, IMAGE_ICON, 0));
        DestroyWindow(FHandle);
        if (glyph != nullptr)
            DestroyIcon(glyph);
    }
    for (HIMAGELIST list : {FNodeImages, FStateImages, FButtonImages, FMenuImages})
        if (list != nullptr)
            ImageList_Destroy(list);
    for (HICON icon : FIcons)
        if (icon != nullptr)
            DestroyIcon(icon);
}

void TfrmFileDetails::Create()
{
    const TActivation activation;
    const TPerMonitorDpi dpi;
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES | ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES |
                                                     ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    FKeys = LoadAcceleratorsW(ThisModule(), MAKEINTRESOURCEW(IDR_FILEDETAILS_KEYS));
    FHandle = CreateDialogParamW(ThisModule(), MAKEINTRESOURCEW(IDD_FILEDETAILS), FOwner, DialogProc,
                                 reinterpret_cast<LPARAM>(this));
    if (FHandle == nullptr)
        throw std::runtime_error("The review window could not be made");
}

int TfrmFileDetails::ShowModal()
{
    if (FHandle == nullptr)
        Create();
    else
        SetWindowLongPtrW(FHandle, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(FOwner));
    const TActivation activation;
    FDone = false;
    FResult = IDCANCEL;
    ShowWindow(FHandle, SW_SHOW);
    UpdateWindow(FHandle);
    if (!FViewsBuilt) {
        BuildViewsNow();
        if (ViewsBuilt)
            ViewsBuilt();
    }
    // Modal to the owner: it takes no input until the window is closed.
    const bool ownerEnabled = FOwner != nullptr && IsWindowEnabled(FOwner);
    if (ownerEnabled)
        EnableWindow(FOwner, FALSE);
    MSG message;
    while (!FDone) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // The thread is asked to end: close, and leave the request for
            // the caller's loop.
            PostQuitMessage(static_cast<int>(message.wParam));
            Close(IDCANCEL);
            break;
        }
        if (got < 0)
            break;
        if (FKeys != nullptr && TranslateAcceleratorW(FHandle, FKeys, &message))
            continue;
        if (IsDialogMessageW(FHandle, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // The owner is enabled again before this window hides, so that it is
    // the one that becomes active.
    if (ownerEnabled)
        EnableWindow(FOwner, TRUE);
    ShowWindow(FHandle, SW_HIDE);
    return FResult;
}

void TfrmFileDetails::Close(int result)
{
    FResult = result;
    FDone = true;
    // The loop may be waiting in GetMessage, which runs a message sent from
    // another thread without returning: a posted one ends the wait.
    PostMessageW(FHandle, WM_NULL, 0, 0);
}

int TfrmFileDetails::Scaled(int pixels) const
{
    HDC dc = GetDC(FHandle);
    const int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc != nullptr)
        ReleaseDC(FHandle, dc);
    return MulDiv(pixels, dpi, 96);
}

INT_PTR CALLBACK TfrmFileDetails::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        reinterpret_cast<TfrmFileDetails*>(lParam)->FHandle = hwnd;
    }
    auto* form = reinterpret_cast<TfrmFileDetails*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (form == nullptr)
        return FALSE;
    try {
        return form->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        // Nothing escapes into the system's dispatch: the user is told, and
        // the window stays usable.
        MessageBoxA(hwnd, error.what(), "File Details & Options", MB_OK | MB_ICONERROR);
        return TRUE;
    }
}

INT_PTR TfrmFileDetails::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitControls();
        return TRUE;
    case WM_SIZE:
        Layout();
        return TRUE;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize = {Scaled(400), Scaled(300)};
        return TRUE;
    }
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(FHandle, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return TRUE;
    }
    case WM_COMMAND:
        Command(LOWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        Close(IDCANCEL);
        return TRUE;
    case WM_NOTIFY:
        return Answer(FHandle, HandleNotify(reinterpret_cast<NMHDR*>(lParam)));
    case WM_CONTEXTMENU:
        ContextMenu(reinterpret_cast<HWND>(wParam), lParam);
        return TRUE;
    case WM_MEASUREITEM: {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (measure->CtlType != ODT_MENU)
            return FALSE;
        measure->itemWidth = 16;
        measure->itemHeight = 16;
        return TRUE;
    }
    case WM_DRAWITEM: {
        const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (draw->CtlType != ODT_MENU || FMenuImages == nullptr)
            return FALSE;
        const auto at = std::find(std::begin(kMenuImageCommands), std::end(kMenuImageCommands),
                                  static_cast<int>(draw->itemID));
        if (at != std::end(kMenuImageCommands))
            ImageList_Draw(FMenuImages, static_cast<int>(at - std::begin(kMenuImageCommands)), draw->hDC,
                           draw->rcItem.left, draw->rcItem.top + (draw->rcItem.bottom - draw->rcItem.top - 16) / 2,
                           ILD_TRANSPARENT);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

void TfrmFileDetails::InitControls()
{
    FTabs = GetDlgItem(FHandle, IDC_TABS);
    FTree = GetDlgItem(FHandle, IDC_TREE);
    FList = GetDlgItem(FHandle, IDC_LIST);
    FStatus = GetDlgItem(FHandle, IDC_STATUS);
    FProgress = GetDlgItem(FHandle, IDC_PROGRESS);
    FOK = GetDlgItem(FHandle, IDOK);

    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    std::wstring all = Wide(kAllMasksTab);
    tab.pszText = all.data();
    SendMessageW(FTabs, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&tab));

    ListView_SetExtendedListViewStyle(FList, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES |
                                                 LVS_EX_DOUBLEBUFFER | LVS_EX_INFOTIP);
    // The check of each row is asked for with its text.
    ListView_SetCallbackMask(FList, LVIS_STATEIMAGEMASK);
    for (int c = 0; c < kListColumns; ++c) {
        std::wstring title = Wide(TReviewModel::ColumnTitle(static_cast<TListColumn>(c)));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
        column.fmt = c == static_cast<int>(TListColumn::Size) ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = Scaled(kListColumnWidths[c]);
        column.pszText = title.data();
        column.iSubItem = c;
        SendMessageW(FList, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
    }
    // A click on a tree node's check is the tree's own business no more:
    // the node's state comes from the model.
    SetWindowSubclass(FTree, TreeProc, 0, reinterpret_cast<DWORD_PTR>(this));
    LoadResources();
    Layout();
}

void TfrmFileDetails::LoadResources()
{
    const std::wstring path = Wide(FInstallationFolder + kResourceLibraryName);
    const HMODULE library = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    FNodeImages = LoadImages(library, kNodeImages, std::size(kNodeImages));
    FStateImages = LoadImages(library, kStateImages, std::size(kStateImages));
    FButtonImages = LoadImages(library, kButtonImages, std::size(kButtonImages));
    FMenuImages = LoadImages(library, kMenuImages, std::size(kMenuImages));
    if (library != nullptr) {
        FIcons[0] = static_cast<HICON>(LoadImageW(library, L"TIDEWASH2", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                  GetSystemMetrics(SM_CYSMICON), 0));
        FIcons[1] = static_cast<HICON>(LoadImageW(library, L"TIDEWASH2", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                  GetSystemMetrics(SM_CYICON), 0));
        FreeLibrary(library);
    }
    if (FIcons[0] != nullptr)
        SendMessageW(FHandle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(FIcons[0]));
    if (FIcons[1] != nullptr)
        SendMessageW(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FIcons[1]));
    if (FNodeImages != nullptr)
        TreeView_SetImageList(FTree, FNodeImages, TVSIL_NORMAL);
    if (FStateImages == nullptr) {
        // Without the library, the system's own two checks, and a part
        // checked folder shows as checked.
        FStateImages = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 0);
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        for (int state = 0; state < 4; ++state) {
            HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
            const HGDIOBJ before = SelectObject(dc, bitmap);
            RECT box{0, 0, 16, 16};
            FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
            InflateRect(&box, -2, -2);
            if (state != 0)
                DrawFrameControl(dc, &box, DFC_BUTTON,
                                 DFCS_BUTTONCHECK | DFCS_FLAT | (state >= 2 ? DFCS_CHECKED : 0) |
                                     (state == 3 ? DFCS_INACTIVE : 0));
            SelectObject(dc, before);
            ImageList_Add(FStateImages, bitmap, nullptr);
            DeleteObject(bitmap);
        }
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
    }
    TreeView_SetImageList(FTree, FStateImages, TVSIL_STATE);
    if (FMenuImages != nullptr)
        for (int command : kMenuImageCommands) {
            // Drawn from the image list when the menu asks (WM_DRAWITEM),
            // fuchsia taken out as everywhere else.
            MENUITEMINFOW item{};
            item.cbSize = sizeof item;
            item.fMask = MIIM_BITMAP;
            item.hbmpItem = HBMMENU_CALLBACK;
            SetMenuItemInfoW(GetMenu(FHandle), static_cast<UINT>(command), FALSE, &item);
        }
    if (FButtonImages != nullptr)
        SendMessageW(FOK, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(ImageList_GetIcon(FButtonImages, 0, ILD_NORMAL)));
}

void TfrmFileDetails::Layout()
{
    if (FTabs == nullptr)
        return;
    RECT client;
    GetClientRect(FHandle, &client);
    SendMessageW(FStatus, WM_SIZE, 0, 0);
    RECT status;
    GetWindowRect(FStatus, &status);
    const int statusHeight = status.bottom - status.top;
    const int margin = Scaled(4);
    const int width = client.right - 2 * margin;
    // The tab control shows only its row of tabs: the views below are the
    // current tab's.
    RECT tabRow{0, 0, 0, 0};
    TabCtrl_GetItemRect(FTabs, 0, &tabRow);
    const int tabsHeight = tabRow.bottom + Scaled(2);
    const int buttonHeight = Scaled(25), buttonWidth = Scaled(88);
    const int bottom = client.bottom - statusHeight - margin;
    const int buttonTop = bottom - buttonHeight;
    const int viewsTop = margin + tabsHeight + margin;
    const int views = std::max(0, buttonTop - margin - viewsTop);
    const int treeHeight = views * 45 / 100;
    HDWP moves = BeginDeferWindowPos(5);
    moves = DeferWindowPos(moves, FTabs, nullptr, margin, margin, width, tabsHeight, SWP_NOZORDER);
    moves = DeferWindowPos(moves, FTree, nullptr, margin, viewsTop, width, treeHeight, SWP_NOZORDER);
    moves = DeferWindowPos(moves, FList, nullptr, margin, viewsTop + treeHeight + margin, width,
                           views - treeHeight - margin, SWP_NOZORDER);
    moves = DeferWindowPos(moves, FProgress, nullptr, margin, buttonTop + Scaled(4), width / 2, buttonHeight - Scaled(8),
                           SWP_NOZORDER);
    moves = DeferWindowPos(moves, FOK, nullptr, client.right - margin - buttonWidth, buttonTop, buttonWidth,
                           buttonHeight, SWP_NOZORDER);
    EndDeferWindowPos(moves);
    const int parts[2] = {Scaled(kViewStatusWidth), -1};
    SendMessageW(FStatus, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    // The Name column takes what the list gains beyond the others.
    RECT listClient;
    GetClientRect(FList, &listClient);
    int others = 0;
    for (int c = 1; c < kListColumns; ++c)
        others += ListView_GetColumnWidth(FList, c);
    ListView_SetColumnWidth(FList, 0, std::max(Scaled(kListColumnWidths[0]), static_cast<int>(listClient.right) - others));
}

void TfrmFileDetails::BuildViewsNow()
{
    if (FViewsBuilt)
        return;
    FViewsBuilt = true;
    FModel.Aliases = Aliases;
    FModel.KeptBySettings = KeptBySettings;
    FTabNames = FModel.Tabs();
    for (std::size_t t = 1; t < FTabNames.size(); ++t) {
        std::wstring text = Wide(FTabNames[t]);
        TCITEMW tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = text.data();
        SendMessageW(FTabs, TCM_INSERTITEMW, t, reinterpret_cast<LPARAM>(&tab));
    }
    Layout();
    RebuildViews();
    UpdateTotalsStatus();
}

void TfrmFileDetails::RebuildViews()
{
    const TWaitCursor wait;
    const int tab = std::max(0, TabCtrl_GetCurSel(FTabs));
    FModel.ShowTab(FTabNames.empty() ? AnsiString(kAllMasksTab) : FTabNames[static_cast<std::size_t>(tab)]);
    ListView_SetItemCountEx(FList, static_cast<int>(FModel.Rows().size()), 0);
    InvalidateRect(FList, nullptr, TRUE);
    UpdateSortArrows();
    BuildTree();
    UpdateViewStatus();
}

void TfrmFileDetails::BuildTree()
{
    const TWaitCursor wait;
    SendMessageW(FProgress, PBM_SETRANGE32, 0, std::max<int>(1, static_cast<int>(FModel.Rows().size())));
    SendMessageW(FProgress, PBM_SETPOS, 0, 0);
    ShowWindow(FProgress, SW_SHOW);
    using TClock = std::chrono::steady_clock;
    TClock::time_point due = TClock::time_point::min();
    FModel.TreeProgress = [&](int done, int) {
        if (TClock::now() < due)
            return;
        SendMessageW(FProgress, PBM_SETPOS, static_cast<WPARAM>(done), 0);
        UpdateWindow(FProgress);
        due = TClock::now() + kProgressInterval;
    };
    const bool sameNodes = FModel.TreeIsCurrent();
    FModel.BuildTree();
    FModel.TreeProgress = nullptr;
    const bool wasUpdating = FUpdating;
    FUpdating = true;
    SendMessageW(FTree, WM_SETREDRAW, FALSE, 0);
    if (sameNodes) {
        // Only checks changed: the items the tree view holds take them,
        // and the folders the user opened stay open.
        for (std::size_t node = 0; node < FTreeItems.size(); ++node)
            NodeChanged(static_cast<int>(node));
    } else {
        FillTree();
    }
    SendMessageW(FTree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(FTree, nullptr, TRUE);
    FUpdating = wasUpdating;
    SendMessageW(FProgress, PBM_SETPOS, static_cast<WPARAM>(FModel.Rows().size()), 0);
    ShowWindow(FProgress, SW_HIDE);
}

void TfrmFileDetails::FillTree()
{
    // The tree view holds the items of opened folders only: the volume and
    // its first level now, the rest as the user opens them.
    TreeView_DeleteAllItems(FTree);
    FTreeItems.assign(FModel.Nodes().size(), nullptr);
    FChildrenInserted.assign(FModel.Nodes().size(), 0);
    if (!FModel.Nodes().empty()) {
        TVINSERTSTRUCTW insert{};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
        insert.item.pszText = LPSTR_TEXTCALLBACKW;
        insert.item.lParam = 0;
        insert.item.stateMask = TVIS_STATEIMAGEMASK;
        insert.item.state = INDEXTOSTATEIMAGEMASK(static_cast<int>(FModel.Nodes()[0].State));
        insert.item.iImage = insert.item.iSelectedImage = kVolumeImage;
        insert.item.cChildren = FModel.Nodes()[0].Children.empty() ? 0 : 1;
        FTreeItems[0] = reinterpret_cast<HTREEITEM>(SendMessageW(FTree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
        InsertChildren(0);
        TreeView_Expand(FTree, FTreeItems[0], TVE_EXPAND);
    }
}

void TfrmFileDetails::InsertChildren(int node)
{
    if (FChildrenInserted[static_cast<std::size_t>(node)] != 0)
        return;
    FChildrenInserted[static_cast<std::size_t>(node)] = 1;
    const auto& nodes = FModel.Nodes();
    TVINSERTSTRUCTW insert{};
    insert.hParent = FTreeItems[static_cast<std::size_t>(node)];
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    insert.item.pszText = LPSTR_TEXTCALLBACKW;
    insert.item.stateMask = TVIS_STATEIMAGEMASK;
    for (int child : nodes[static_cast<std::size_t>(node)].Children) {
        const TReviewModel::TNode& n = nodes[static_cast<std::size_t>(child)];
        const bool file = n.Item != nullptr;
        insert.item.lParam = child;
        insert.item.state = INDEXTOSTATEIMAGEMASK(static_cast<int>(n.State));
        insert.item.iImage = file ? kFileImage : kFolderImage;
        insert.item.iSelectedImage = insert.item.iImage + 1;
        insert.item.cChildren = n.Children.empty() ? 0 : 1;
        FTreeItems[static_cast<std::size_t>(child)] =
            reinterpret_cast<HTREEITEM>(SendMessageW(FTree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    }
}

HTREEITEM TfrmFileDetails::EnsureInserted(int node)
{
    if (node < 0 || static_cast<std::size_t>(node) >= FTreeItems.size())
        return nullptr;
    if (FTreeItems[static_cast<std::size_t>(node)] == nullptr) {
        const int parent = FModel.Nodes()[static_cast<std::size_t>(node)].Parent;
        if (EnsureInserted(parent) == nullptr)
            return nullptr;
        InsertChildren(parent);
    }
    return FTreeItems[static_cast<std::size_t>(node)];
}

int TfrmFileDetails::NodeOfItem(HTREEITEM item) const
{
    if (item == nullptr)
        return -1;
    TVITEMW query{};
    query.mask = TVIF_PARAM;
    query.hItem = item;
    return SendMessageW(FTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query)) ? static_cast<int>(query.lParam) : -1;
}

void TfrmFileDetails::NodeChanged(int node)
{
    if (node < 0 || static_cast<std::size_t>(node) >= FTreeItems.size() || FTreeItems[static_cast<std::size_t>(node)] == nullptr)
        return;
    TreeView_SetItemState(FTree, FTreeItems[static_cast<std::size_t>(node)],
                          INDEXTOSTATEIMAGEMASK(static_cast<int>(FModel.Nodes()[static_cast<std::size_t>(node)].State)),
                          TVIS_STATEIMAGEMASK);
}

void TfrmFileDetails::ClickNode(int node)
{
    if (node < 0)
        return;
    if (TViewItem* item = FModel.Nodes()[static_cast<std::size_t>(node)].Item) {
        SyncOrToggle(item, true);
    } else {
        const TWaitCursor wait;
        FModel.ClickNode(node);
    }
    UpdateViewStatus();
}

void TfrmFileDetails::SyncOrToggle(TViewItem* item, bool toggle)
{
    const TUpdateGuard update(FUpdating);
    if (!update.Entered())
        return;
    const int row = FModel.RowOf(item);
    if (row < 0)
        return;
    if (FSyncViews) {
        ListView_SetItemState(FList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(FList, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(FList, row, FALSE);
        if (const HTREEITEM leaf = EnsureInserted(FModel.NodeOf(item))) {
            TreeView_SelectItem(FTree, leaf);
            TreeView_EnsureVisible(FTree, leaf);
        }
    }
    if (toggle)
        FModel.Toggle(item);
}

LRESULT CALLBACK TfrmFileDetails::TreeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR data)
{
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
        TVHITTESTINFO hit{};
        hit.pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        TreeView_HitTest(hwnd, &hit);
        if (hit.hItem != nullptr && (hit.flags & TVHT_ONITEMSTATEICON) != 0) {
            auto* form = reinterpret_cast<TfrmFileDetails*>(data);
            SetFocus(hwnd);
            TreeView_SelectItem(hwnd, hit.hItem);
            try {
                form->ClickNode(form->NodeOfItem(hit.hItem));
            } catch (const std::exception& error) {
                MessageBoxA(form->FHandle, error.what(), "File Details & Options", MB_OK | MB_ICONERROR);
            }
            return 0;
        }
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(hwnd, TreeProc, 0);
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT TfrmFileDetails::HandleNotify(NMHDR* header)
{
    if (header->hwndFrom == FTabs && header->code == TCN_SELCHANGE) {
        if (FViewsBuilt)
            RebuildViews();
        return 0;
    }
    if (header->hwndFrom == FList) {
        switch (header->code) {
        case LVN_GETDISPINFOW: {
            LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
            if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= FModel.Rows().size())
                return 0;
            if ((item.mask & LVIF_TEXT) != 0 && item.cchTextMax > 0) {
                FText = Wide(FModel.CellText(item.iItem, static_cast<TListColumn>(item.iSubItem)));
                lstrcpynW(item.pszText, FText.c_str(), item.cchTextMax);
            }
            if ((item.mask & LVIF_STATE) != 0) {
                const bool marked = FModel.Marked(FModel.Rows()[static_cast<std::size_t>(item.iItem)]);
                item.state = (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(marked ? 2 : 1);
                item.stateMask |= LVIS_STATEIMAGEMASK;
            }
            return 0;
        }
        case LVN_GETINFOTIPW: {
            auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(header);
            if (tip->iItem >= 0 && static_cast<std::size_t>(tip->iItem) < FModel.Rows().size() && tip->cchTextMax > 0) {
                const AnsiString reason = FModel.ReasonOf(FModel.Rows()[static_cast<std::size_t>(tip->iItem)]);
                if (!reason.empty()) {
                    FText = Wide(reason);
                    lstrcpynW(tip->pszText, FText.c_str(), tip->cchTextMax);
                }
            }
            return 0;
        }
        case NM_CLICK:
        case NM_DBLCLK: {
            const auto* click = reinterpret_cast<NMITEMACTIVATE*>(header);
            LVHITTESTINFO hit{};
            hit.pt = click->ptAction;
            const int row = ListView_HitTest(FList, &hit);
            if (row >= 0 && (hit.flags & LVHT_ONITEMSTATEICON) != 0) {
                SyncOrToggle(FModel.Rows()[static_cast<std::size_t>(row)], true);
                UpdateViewStatus();
            }
            return 0;
        }
        case LVN_KEYDOWN: {
            if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey != VK_SPACE)
                return 0;
            // Space toggles the selected file.
            const int row = ListView_GetNextItem(FList, -1, LVNI_FOCUSED);
            if (row >= 0) {
                SyncOrToggle(FModel.Rows()[static_cast<std::size_t>(row)], true);
                UpdateViewStatus();
            }
            return 0;
        }
        case LVN_ITEMCHANGED: {
            const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
            if (change->iItem >= 0 && (change->uNewState & LVIS_SELECTED) != 0 &&
                (change->uOldState & LVIS_SELECTED) == 0 && FSyncViews && !FUpdating)
                SyncOrToggle(FModel.Rows()[static_cast<std::size_t>(change->iItem)], false);
            return 0;
        }
        case LVN_COLUMNCLICK:
            SortList(static_cast<TListColumn>(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem));
            return 0;
        default:
            return 0;
        }
    }
    if (header->hwndFrom == FTree) {
        switch (header->code) {
        case TVN_GETDISPINFOW: {
            TVITEMW& item = reinterpret_cast<NMTVDISPINFOW*>(header)->item;
            if ((item.mask & TVIF_TEXT) != 0 && item.cchTextMax > 0) {
                FText = Wide(FModel.NodeText(static_cast<int>(item.lParam)));
                lstrcpynW(item.pszText, FText.c_str(), item.cchTextMax);
            }
            return 0;
        }
        case TVN_GETINFOTIPW: {
            auto* tip = reinterpret_cast<NMTVGETINFOTIPW*>(header);
            const TViewItem* item = FModel.Nodes()[static_cast<std::size_t>(tip->lParam)].Item;
            if (item != nullptr && tip->cchTextMax > 0) {
                const AnsiString reason = FModel.ReasonOf(item);
                if (!reason.empty()) {
                    FText = Wide(reason);
                    lstrcpynW(tip->pszText, FText.c_str(), tip->cchTextMax);
                }
            }
            return 0;
        }
        case TVN_ITEMEXPANDINGW: {
            const auto* expanding = reinterpret_cast<NMTREEVIEWW*>(header);
            if ((expanding->action & TVE_EXPAND) != 0)
                InsertChildren(static_cast<int>(expanding->itemNew.lParam));
            return FALSE;
        }
        case TVN_SELCHANGEDW: {
            // The list follows the selected file.
            const int node = static_cast<int>(reinterpret_cast<NMTREEVIEWW*>(header)->itemNew.lParam);
            if (!FUpdating && FSyncViews && node >= 0 && static_cast<std::size_t>(node) < FModel.Nodes().size())
                if (TViewItem* item = FModel.Nodes()[static_cast<std::size_t>(node)].Item)
                    SyncOrToggle(item, false);
            return 0;
        }
        case TVN_KEYDOWN: {
            if (reinterpret_cast<NMTVKEYDOWN*>(header)->wVKey != VK_SPACE)
                return 0;
            // Space is a click on the selected node's check, and no part
            // of an incremental search.
            ClickNode(NodeOfItem(TreeView_GetSelection(FTree)));
            return 1;
        }
        default:
            return 0;
        }
    }
    return 0;
}

void TfrmFileDetails::Command(int id)
{
    HMENU menu = GetMenu(FHandle);
    switch (id) {
    case IDOK:
        Close(IDOK);
        break;
    case IDCANCEL:
    case IDM_CLOSE:
        Close(IDCANCEL);
        break;
    case IDM_SYNCVIEWS:
        FSyncViews = !FSyncViews;
        CheckMenuItem(menu, IDM_SYNCVIEWS, FSyncViews ? MF_CHECKED : MF_UNCHECKED);
        break;
    case IDM_CHECKALL:
    case IDM_UNCHECKALL:
        SetAll(id == IDM_CHECKALL);
        break;
    case IDM_FOLDERDEPTH:
        ShowFolderDepthDialog();
        break;
    case IDM_AUTOEXPAND:
        CheckMenuItem(menu, IDM_AUTOEXPAND,
                      (GetMenuState(menu, IDM_AUTOEXPAND, MF_BYCOMMAND) & MF_CHECKED) != 0 ? MF_UNCHECKED : MF_CHECKED);
        break;
    case IDM_FULLPATH:
        FModel.FullPath = !FModel.FullPath;
        CheckMenuItem(menu, IDM_FULLPATH, FModel.FullPath ? MF_CHECKED : MF_UNCHECKED);
        InvalidateRect(FList, nullptr, TRUE);
        break;
    case IDM_EXPORTHTML:
        ExportSearchResults();
        break;
    case IDM_TREE_COPY:
        if (FPopupNode >= 0)
            CopyToClipboard(FModel.NodePath(FPopupNode));
        break;
    case IDM_TREE_OPENFOLDER:
        if (FPopupNode >= 0)
            OpenPath(FModel.NodePath(FPopupNode));
        break;
    case IDM_TREE_OPENCONTAINING:
        if (FPopupNode > 0) {
            const AnsiString folder = FModel.ContainingFolder(FPopupNode);
            if (!folder.empty())
                OpenPath(folder);
        }
        break;
    case IDM_LIST_COPY: {
        const int row = ListView_GetNextItem(FList, -1, LVNI_SELECTED);
        if (row >= 0)
            CopyToClipboard(FModel.Rows()[static_cast<std::size_t>(row)]->Ref->GetFullName());
        break;
    }
    default:
        return;
    }
    if (CommandDone)
        CommandDone(id);
}

void TfrmFileDetails::SetAll(bool marked)
{
    const TWaitCursor wait;
    FModel.SetAll(marked);
    InvalidateRect(FList, nullptr, TRUE);
    BuildTree();
    UpdateViewStatus();
}

void TfrmFileDetails::SetFolderDepth(int depth)
{
    FModel.SetFolderDepth(depth);
    BuildTree();
}

void TfrmFileDetails::ShowFolderDepthDialog()
{
    const TActivation activation;
    const int depth = AskFolderDepth(ThisModule(), FHandle, FModel.FolderDepth(), FButtonImages, FolderDepthShown);
    if (depth >= 0)
        SetFolderDepth(depth);
}

void TfrmFileDetails::SortList(TListColumn column)
{
    FModel.SortList(column);
    InvalidateRect(FList, nullptr, TRUE);
    UpdateSortArrows();
}

void TfrmFileDetails::UpdateSortArrows()
{
    const HWND header = ListView_GetHeader(FList);
    for (int c = 0; c < kListColumns; ++c) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (FModel.SortColumn() && static_cast<int>(*FModel.SortColumn()) == c)
            item.fmt |= FModel.SortAscending() ? HDF_SORTUP : HDF_SORTDOWN;
        SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
    }
}

void TfrmFileDetails::UpdateViewStatus()
{
    const std::wstring text = Wide(FModel.ViewStatus());
    SendMessageW(FStatus, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TfrmFileDetails::UpdateTotalsStatus()
{
    const std::wstring text = Wide(FModel.TotalsStatus());
    SendMessageW(FStatus, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(text.c_str()));
}

void TfrmFileDetails::ContextMenu(HWND control, LPARAM at)
{
    POINT screen{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    const bool byKeyboard = at == -1;
    int menuId = 0;
    if (control == FTree) {
        HTREEITEM item = TreeView_GetSelection(FTree);
        if (!byKeyboard) {
            // A right click selects the node under it first.
            TVHITTESTINFO hit{};
            hit.pt = screen;
            ScreenToClient(FTree, &hit.pt);
            if (TreeView_HitTest(FTree, &hit) != nullptr) {
                item = hit.hItem;
                TreeView_SelectItem(FTree, item);
            }
        }
        FPopupNode = NodeOfItem(item);
        if (FPopupNode < 0)
            return;
        if (byKeyboard) {
            RECT bounds;
            TreeView_GetItemRect(FTree, item, &bounds, TRUE);
            screen = {bounds.left, bounds.bottom};
            ClientToScreen(FTree, &screen);
        }
        menuId = IDR_TREE_POPUP;
    } else if (control == FList) {
        if (byKeyboard) {
            RECT bounds{};
            const int row = ListView_GetNextItem(FList, -1, LVNI_SELECTED);
            if (row >= 0)
                ListView_GetItemRect(FList, row, &bounds, LVIR_LABEL);
            screen = {bounds.left, bounds.bottom};
            ClientToScreen(FList, &screen);
        }
        menuId = IDR_LIST_POPUP;
    } else {
        return;
    }
    HMENU menus = LoadMenuW(ThisModule(), MAKEINTRESOURCEW(menuId));
    HMENU popup = GetSubMenu(menus, 0);
    if (menuId == IDR_TREE_POPUP) {
        // A folder is opened itself, a file's folder is.
        const bool file = FModel.Nodes()[static_cast<std::size_t>(FPopupNode)].Item != nullptr;
        DeleteMenu(popup, file ? IDM_TREE_OPENFOLDER : IDM_TREE_OPENCONTAINING, MF_BYCOMMAND);
    }
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, FHandle, nullptr);
    DestroyMenu(menus);
}

void TfrmFileDetails::CopyToClipboard(const AnsiString& text)
{
    const std::wstring wide = Wide(text);
    if (!OpenClipboard(FHandle))
        return;
    EmptyClipboard();
    const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* place = GlobalLock(memory)) {
            std::memcpy(place, wide.c_str(), bytes);
            GlobalUnlock(memory);
            if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr)
                GlobalFree(memory);
        } else {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

void TfrmFileDetails::OpenPath(const AnsiString& path)
{
    if (!OpenWithShell(path))
        MessageBoxW(FHandle, L"Failed to open the selected file or folder.", L"Operation Failed", MB_OK | MB_ICONERROR);
}

void TfrmFileDetails::ExportSearchResults()
{
    const AnsiString folder = FInstallationFolder + "Reports";
    ForceDirectories(folder);
    const AnsiString fileName = ChooseReportFile(folder);
    if (fileName.empty())
        return;
    try {
        FModel.WriteSearchReport(fileName);
    } catch (const std::exception& error) {
        // The window stays usable: the user can pick another place.
        const std::wstring text = Wide("The report could not be written to\n" + fileName + "\n\n" + error.what());
        MessageBoxW(FHandle, text.c_str(), L"Export Failed", MB_OK | MB_ICONERROR);
        return;
    }
    OpenPath(fileName);
}

}  // namespace tidewash

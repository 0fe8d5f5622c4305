// THistoryWindow: the recorded runs, and undoing one of them.
#include "Historyform_win32.h"

#include <commctrl.h>

#include <stdexcept>
#include <utility>

#include "Main_win32_ids.h"
#include "Zelcomstrings.h"

namespace twswizard {

namespace {

enum TColumn { colRun, colVolume, colRemoved, colInTrash };

HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

void SetCell(HWND list, int row, int column, const std::string& text)
{
    std::wstring wide = zelcom::AnsiToWide(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = wide.data();
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

THistoryWindow::THistoryWindow(HWND owner, TAsk ask, std::function<void()> closed)
    : FOwner(owner), FAsk(std::move(ask)), FClosed(std::move(closed))
{
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    if (CreateDialogParamW(ThisModule(), MAKEINTRESOURCEW(IDD_HISTORY), owner, DialogProc, DialogParam()) == nullptr)
        throw std::runtime_error("The history window could not be created.");
    EnableWindow(FOwner, FALSE);
    ShowWindow(FWindow, SW_SHOWNORMAL);
}

THistoryWindow::~THistoryWindow()
{
    if (FWindow != nullptr) {
        EnableWindow(FOwner, TRUE);
        DestroyWindow(FWindow);
    }
}

void THistoryWindow::Initialise()
{
    SetWindowTextW(FWindow, zelcom::AnsiToWide(kHistoryTitle).c_str());
    HWND list = GetDlgItem(FWindow, IDC_RUNS);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    // Widths in dialog units, so that they grow with the font and the DPI.
    const std::pair<const wchar_t*, int> columns[] = {
        {L"Run", 62}, {L"Volume", 90}, {L"Removed", 66}, {L"In the trash", 62}};
    for (int i = 0; i < 4; ++i) {
        RECT width{0, 0, columns[i].second, 0};
        MapDialogRect(FWindow, &width);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<wchar_t*>(columns[i].first);
        column.cx = width.right;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    Reload();
}

void THistoryWindow::Reload()
{
    HWND list = GetDlgItem(FWindow, IDC_RUNS);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    const THistory history = ReadHistory();
    SetDlgItemTextW(FWindow, IDC_RUNSLABEL, zelcom::AnsiToWide(history.Heading).c_str());
    FRows = history.Rows;
    for (std::size_t i = 0; i < FRows.size(); ++i) {
        std::wstring id = zelcom::AnsiToWide(FRows[i].Id);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = id.data();
        const auto row = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        SetCell(list, row, colVolume, FRows[i].Volume);
        SetCell(list, row, colRemoved, FRows[i].Removed);
        SetCell(list, row, colInTrash, FRows[i].InTrash);
    }
    EnableWindow(GetDlgItem(FWindow, IDC_RUNUNDO), FALSE);
}

std::string THistoryWindow::SelectedRun() const
{
    const auto row = static_cast<int>(
        SendDlgItemMessageW(FWindow, IDC_RUNS, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return row >= 0 && static_cast<std::size_t>(row) < FRows.size() ? FRows[static_cast<std::size_t>(row)].Id
                                                                     : std::string();
}

INT_PTR THistoryWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom != IDC_RUNS)
            return FALSE;
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if (header->code == LVN_ITEMCHANGING && (change->uNewState & LVIS_SELECTED) &&
            !(change->uOldState & LVIS_SELECTED)) {
            // A run that cannot be undone is not picked.
            const bool undoable = change->iItem >= 0 && static_cast<std::size_t>(change->iItem) < FRows.size() &&
                                  FRows[static_cast<std::size_t>(change->iItem)].Undoable;
            SetWindowLongPtrW(FWindow, DWLP_MSGRESULT, undoable ? FALSE : TRUE);
            return TRUE;
        }
        if (header->code == LVN_ITEMCHANGED)
            EnableWindow(GetDlgItem(FWindow, IDC_RUNUNDO), !SelectedRun().empty());
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_RUNUNDO)
            Undo();
        else if (LOWORD(wParam) == IDCANCEL)
            Close();
        return TRUE;
    case WM_CLOSE:
        Close();
        return TRUE;
    default:
        return FALSE;
    }
}

void THistoryWindow::Undo()
{
    const std::string id = SelectedRun();
    if (id.empty())
        return;
    try {
        const cleanuphost::TUndoCounts counts = UndoRecordedRun(id);
        FAsk(FWindow, HistoryUndoMessage(id, counts), kUndoCaption,
             MB_OK | (counts.NotRestored > 0 ? MB_ICONWARNING : MB_ICONINFORMATION));
    } catch (const std::exception& e) {
        FAsk(FWindow, e.what(), kUndoCaption, MB_OK | MB_ICONERROR);
    }
    Reload();
}

void THistoryWindow::Close()
{
    // The owner first, so that it takes the focus back.
    EnableWindow(FOwner, TRUE);
    DestroyWindow(FWindow);
    FWindow = nullptr;
    if (FClosed)
        FClosed();
}

}  // namespace twswizard

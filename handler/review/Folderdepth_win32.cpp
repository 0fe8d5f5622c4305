// The folder depth dialog of the Windows review window: how many folder
// levels the tree shows (0 = all). A text that is no depth is refused with
// "Invalid Folder Depth", and the box keeps the focus.
#include "Filedetailsform_win32.h"

#include <commctrl.h>

#include "Viewtypes.h"

namespace tidewash {

namespace {

struct TDepthDialog {
    int Depth;
    HIMAGELIST Buttons;
    const std::function<void(HWND)>* Shown;
};

INT_PTR CALLBACK FolderDepthProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* state = reinterpret_cast<TDepthDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        state = reinterpret_cast<TDepthDialog*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        SetDlgItemInt(hwnd, IDC_DEPTH, static_cast<UINT>(state->Depth), FALSE);
        if (state->Buttons != nullptr)
            for (int i = 0; i < 2; ++i)
                SendDlgItemMessageW(hwnd, i == 0 ? IDOK : IDCANCEL, BM_SETIMAGE, IMAGE_ICON,
                                    reinterpret_cast<LPARAM>(ImageList_GetIcon(state->Buttons, i, ILD_NORMAL)));
        if (*state->Shown)
            (*state->Shown)(hwnd);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            char text[32] = {};
            GetDlgItemTextA(hwnd, IDC_DEPTH, text, sizeof text);
            const int depth = ParseFolderDepth(text);
            if (depth < 0) {
                // Refused: the box keeps the focus for a correction.
                MessageBoxW(hwnd, L"Invalid Folder Depth", L"Folder Depth", MB_OK | MB_ICONERROR);
                SetFocus(GetDlgItem(hwnd, IDC_DEPTH));
                SendDlgItemMessageW(hwnd, IDC_DEPTH, EM_SETSEL, 0, -1);
                return TRUE;
            }
            state->Depth = depth;
            EndDialog(hwnd, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(hwnd, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        for (int id : {IDOK, IDCANCEL})
            if (const auto icon = reinterpret_cast<HICON>(SendDlgItemMessageW(hwnd, id, BM_GETIMAGE, IMAGE_ICON, 0)))
                DestroyIcon(icon);
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

int AskFolderDepth(HINSTANCE module, HWND owner, int depth, HIMAGELIST buttonImages,
                   const std::function<void(HWND)>& shown)
{
    TDepthDialog state{depth, buttonImages, &shown};
    const INT_PTR result = DialogBoxParamW(module, MAKEINTRESOURCEW(IDD_FOLDERDEPTH), owner, FolderDepthProc,
                                           reinterpret_cast<LPARAM>(&state));
    return result == IDOK ? state.Depth : -1;
}

}  // namespace tidewash

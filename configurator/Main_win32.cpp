// The Windows settings editor: a modeless dialog over TConfiguratorSession.
// Every decision (which mask is taken, what is saved, what a filter shows)
// is the model's; this file only moves it between the controls and the
// model.
#include "Main_win32.h"

#include <commctrl.h>
#include <shlobj.h>

#include <string_view>

#include "Main_win32_ids.h"
#include "Programinfo.h"
#include "Tidewash_tlb.h"
#include "Twsresname.h"
#include "Zelcomutils.h"
#include "SysUtils.hpp"
#include "Zelcomstrings.h"

namespace twsconfigurator {

namespace {

using zelcom::OleString;

OleString Wide(const AnsiString& text) { return zelcom::AnsiToWide(text); }

OleString WideItemText(HWND window, int id)
{
    HWND item = GetDlgItem(window, id);
    const int length = GetWindowTextLengthW(item);
    OleString text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(item, text.data(), length + 1)));
    return text;
}

// A folder's name as the model holds it, refused when the ANSI code page
// cannot spell it as itself: a "?" or a best-fit look-alike would name
// another folder (or none) in the settings.
TFolderRefusal ExactFolder(const OleString& wide, AnsiString& path)
{
    return zelcom::WideToAnsiExact(wide.data(), wide.size(), path) ? TFolderRefusal::None
                                                                   : TFolderRefusal::Unspellable;
}

}  // namespace

TFolderRefusal PickedFolder(PCIDLIST_ABSOLUTE pick, AnsiString& path)
{
    // The longest path the system takes; the call with MAX_PATH would
    // fail on a longer one, and the user's pick would vanish unexplained.
    OleString wide(32768, L'\0');
    if (!SHGetPathFromIDListEx(pick, wide.data(), static_cast<DWORD>(wide.size()), GPFIDL_DEFAULT))
        return TFolderRefusal::NoPath;
    wide.resize(wide.find(L'\0'));
    // Some shells cut a long path at MAX_PATH and still report success:
    // the part would name a parent, or another folder. A whole path ends
    // in the folder's own name.
    PWSTR name = nullptr;
    bool whole = false;
    if (SUCCEEDED(SHGetNameFromIDList(pick, SIGDN_PARENTRELATIVEPARSING, &name))) {
        const std::wstring_view own(name);
        whole = !own.empty() && std::wstring_view(wide).ends_with(own);
    }
    CoTaskMemFree(name);
    if (!whole)
        return TFolderRefusal::NoPath;
    return ExactFolder(wide, path);
}

namespace {

void SetItemText(HWND window, int id, const AnsiString& text) { SetDlgItemTextW(window, id, Wide(text).c_str()); }

// A list view row's text (the wide message: the build is not UNICODE).
AnsiString RowText(HWND list, int row)
{
    wchar_t text[32768] = {};
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = static_cast<int>(std::size(text));
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return zelcom::WideToAnsi(text);
}

bool Checked(HWND window, int id) { return IsDlgButtonChecked(window, id) == BST_CHECKED; }

void SetChecked(HWND window, int id, bool checked)
{
    CheckDlgButton(window, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

// The controls of the form, hidden together when there is no server.
constexpr int kFormControls[] = {IDC_MASKTABS,     IDC_HINT,         IDC_FOLDERSLABEL, IDC_FOLDERS,
                                 IDC_FOLDERPATH,   IDC_BROWSE,       IDC_REPLACE,      IDC_ADD,
                                 IDC_DELETE,       IDC_HIDDENLABEL,  IDC_HIDDENCOUNT,  IDC_FILTERLABEL,
                                 IDC_VOLUMEFILTER, IDC_HIDEFILTERED, IDC_DELETEHIDDEN, IDC_DELETEREADONLY,
                                 IDC_USERECYCLEBIN};
// The folder editor's controls: shown only while there is a mask.
constexpr int kFolderControls[] = {IDC_FOLDERSLABEL, IDC_FOLDERS, IDC_FOLDERPATH, IDC_BROWSE,     IDC_REPLACE,
                                   IDC_ADD,          IDC_DELETE,  IDC_HIDDENLABEL, IDC_HIDDENCOUNT};

struct TMaskInput {
    AnsiString Caption;
    AnsiString Shown;
    const TWindowPrompts* Prompts;
    OleString Typed;  // what OK took, as the user typed it
};

INT_PTR CALLBACK MaskInputProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        auto* input = reinterpret_cast<TMaskInput*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        SetWindowTextW(dialog, Wide(input->Caption).c_str());
        SetItemText(dialog, IDC_MASK, input->Shown);
        if (input->Prompts->DialogShown)
            input->Prompts->DialogShown(dialog);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            auto* input = reinterpret_cast<TMaskInput*>(GetWindowLongPtrW(dialog, DWLP_USER));
            input->Typed = WideItemText(dialog, IDC_MASK);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&MaskInputProc), &module);
    return module;
}

}  // namespace

TConfiguratorWindow::TConfiguratorWindow(tws::TSettingsPlace settings, std::vector<TVolume> volumes,
                                         AnsiString programFolder, TOnClose onClose, TWindowPrompts prompts)
    : FSession(std::move(settings), std::move(volumes)), FProgramFolder(std::move(programFolder)),
      FPrompts(std::move(prompts)), FOnClose(onClose)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    const HINSTANCE module = ThisModule();
    FAccelerators = LoadAcceleratorsW(module, MAKEINTRESOURCEW(IDR_CONFIGURATOR_KEYS));
    FWindow = CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_CONFIGURATOR), nullptr, DialogProc,
                                 DialogParam());
    if (FWindow == nullptr)
        throw Exception("The settings editor's window could not be created (error " + IntToStr(GetLastError()) + ")");
}

TConfiguratorWindow::~TConfiguratorWindow()
{
    if (FWindow != nullptr)
        DestroyWindow(FWindow);
    if (FAccelerators != nullptr)
        DestroyAcceleratorTable(FAccelerators);
    for (HIMAGELIST glyphs : FGlyphs)
        ImageList_Destroy(glyphs);
    for (HICON icon : FIcons)
        if (icon != nullptr)
            DestroyIcon(icon);
}

void TConfiguratorWindow::LoadImages()
{
    HMODULE library = nullptr;
    for (const AnsiString& folder : {zelcom::DLLPathByGUID(CLSID_TidewashCtrl), FProgramFolder}) {
        if (folder.empty())
            continue;
        library = LoadLibraryExW(Wide(folder + kResourceLibraryName).c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        if (library != nullptr)
            break;
    }
    if (library == nullptr)
        return;  // the buttons keep their texts alone
    const struct {
        int Button;
        const wchar_t* Glyph;
    } glyphs[] = {{IDC_BROWSE, L"ACT_FLDR_SRCH"},
                  {IDC_ADD, L"ACT_REC_ADD"},
                  {IDC_REPLACE, L"ACT_REC_EDIT"},
                  {IDC_DELETE, L"ACT_REC_DEL"}};
    for (const auto& glyph : glyphs) {
        auto* bitmap = static_cast<HBITMAP>(LoadImageW(library, glyph.Glyph, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        if (bitmap == nullptr)
            continue;
        BITMAP size{};
        GetObjectW(bitmap, sizeof size, &size);
        // The glyphs are painted on fuchsia, which stands for transparent.
        HIMAGELIST list = ImageList_Create(size.bmWidth, size.bmHeight, ILC_COLOR32 | ILC_MASK, 1, 0);
        ImageList_AddMasked(list, bitmap, RGB(255, 0, 255));
        DeleteObject(bitmap);
        BUTTON_IMAGELIST image{list, {2, 0, 2, 0}, BUTTON_IMAGELIST_ALIGN_LEFT};
        SendDlgItemMessageW(FWindow, glyph.Button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&image));
        FGlyphs.push_back(list);
        // The browse button is too narrow for a glyph and its "...".
        if (glyph.Button == IDC_BROWSE) {
            image.uAlign = BUTTON_IMAGELIST_ALIGN_CENTER;
            SendDlgItemMessageW(FWindow, glyph.Button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&image));
            SetDlgItemTextW(FWindow, glyph.Button, L"");
        }
    }
    const int sizes[2][2] = {{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)},
                             {GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)}};
    for (int i = 0; i < 2; ++i) {
        FIcons[i] = static_cast<HICON>(LoadImageW(library, L"TIDEWASH1", IMAGE_ICON, sizes[i][0], sizes[i][1], 0));
        if (FIcons[i] != nullptr)
            SendMessageW(FWindow, WM_SETICON, i == 0 ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(FIcons[i]));
    }
    FreeLibrary(library);
}

void TConfiguratorWindow::Show(int showCommand) { ShowWindow(FWindow, showCommand); }

INT_PTR TConfiguratorWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        Command(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_NOTIFY:
        return Notify(*reinterpret_cast<const NMHDR*>(lParam)) ? TRUE : FALSE;
    case WM_INITMENUPOPUP: {
        // The menus' enabling, decided when they open.
        const bool form = FSession.HasServer();
        const bool masks = form && FSession.Model().MaskCount() > 0;
        HMENU menu = GetMenu(FWindow);
        EnableMenuItem(menu, IDM_SAVE, form && FSession.Model().Modified() ? MF_ENABLED : MF_GRAYED);
        EnableMenuItem(menu, IDM_RELOAD, form ? MF_ENABLED : MF_GRAYED);
        EnableMenuItem(menu, IDM_ADDMASK, form ? MF_ENABLED : MF_GRAYED);
        EnableMenuItem(menu, IDM_EDITMASK, masks ? MF_ENABLED : MF_GRAYED);
        EnableMenuItem(menu, IDM_DELETEMASK, masks ? MF_ENABLED : MF_GRAYED);
        const DWORD wizard = GetFileAttributesW(Wide(FProgramFolder + "TWSUtil.exe").c_str());
        EnableMenuItem(menu, IDM_RUNUTILITY,
                       wizard != INVALID_FILE_ATTRIBUTES && !(wizard & FILE_ATTRIBUTE_DIRECTORY) ? MF_ENABLED
                                                                                                 : MF_GRAYED);
        return TRUE;
    }
    case WM_DPICHANGED: {
        // Per-monitor awareness: take the size the system proposes for the
        // new monitor (the dialog's controls are scaled by the system).
        const RECT* proposed = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(FWindow, nullptr, proposed->left, proposed->top, proposed->right - proposed->left,
                     proposed->bottom - proposed->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return TRUE;
    }
    case WM_CLOSE:
        Close();
        return TRUE;
    }
    return FALSE;
}

void TConfiguratorWindow::Initialise()
{
    LoadImages();
    HWND folders = GetDlgItem(FWindow, IDC_FOLDERS);
    ListView_SetExtendedListViewStyle(folders, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    RECT area;
    GetClientRect(folders, &area);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = area.right - area.left - GetSystemMetrics(SM_CXVSCROLL);
    ListView_InsertColumn(folders, 0, &column);

    HWND status = GetDlgItem(FWindow, IDC_STATUS);
    const int parts[] = {150, 200, -1};
    SendMessageW(status, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));

    HWND filter = GetDlgItem(FWindow, IDC_VOLUMEFILTER);
    SendMessageW(filter, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"None"));
    for (const TVolume& volume : FSession.Model().Volumes())
        SendMessageW(filter, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(volume.Name).c_str()));
    SendMessageW(filter, CB_SETCURSEL, 0, 0);

    // The Excluded Volumes submenu is rebuilt from the model's choices.
    HMENU edit = GetSubMenu(GetMenu(FWindow), 1);
    FVolumesMenu = GetSubMenu(edit, 1);

    if (!FSession.HasServer()) {
        ShowServerMissing();
        return;
    }
    Reload();
}

int TConfiguratorWindow::Ask(const AnsiString& text, const AnsiString& caption, UINT flags)
{
    if (FPrompts.Ask)
        return FPrompts.Ask(FWindow, text, caption, flags);
    return MessageBoxW(FWindow, Wide(text).c_str(), Wide(caption).c_str(), flags);
}

void TConfiguratorWindow::Tell(const TNotice& notice) { Ask(notice.Text, notice.Caption, MB_OK | MB_ICONERROR); }

void TConfiguratorWindow::ShowServerMissing()
{
    for (int id : kFormControls)
        ShowWindow(GetDlgItem(FWindow, id), SW_HIDE);
    const AnsiString command = "regsvr32 \"" + FProgramFolder + "TWSConfig.dll\"";
    SetItemText(FWindow, IDC_NOSERVER, FSession.ServerMissingText(command));
    ShowWindow(GetDlgItem(FWindow, IDC_NOSERVER), SW_SHOW);
    SetWindowTextW(FWindow, L"TWS Configurator - Settings Unavailable");
}

void TConfiguratorWindow::ShowModified()
{
    const bool modified = FSession.Model().Modified();
    SendMessageW(GetDlgItem(FWindow, IDC_STATUS), SB_SETTEXTW, 0,
                 reinterpret_cast<LPARAM>(modified ? L" Modified" : L""));
}

void TConfiguratorWindow::ShowSettingsFile()
{
    SendMessageW(GetDlgItem(FWindow, IDC_STATUS), SB_SETTEXTW, 2,
                 reinterpret_cast<LPARAM>(Wide(FSession.SettingsFileText()).c_str()));
}

void TConfiguratorWindow::ShowModel()
{
    const TConfiguratorModel& model = FSession.Model();
    HWND tabs = GetDlgItem(FWindow, IDC_MASKTABS);
    TabCtrl_DeleteAllItems(tabs);
    for (int i = 0; i < model.MaskCount(); ++i) {
        OleString caption = Wide(model.Mask(i));
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = caption.data();
        SendMessageW(tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    SetChecked(FWindow, IDC_DELETEHIDDEN, model.Options().DeleteHiddenFiles);
    SetChecked(FWindow, IDC_DELETEREADONLY, model.Options().DeleteReadOnlyFiles);
    SetChecked(FWindow, IDC_USERECYCLEBIN, model.Options().UseRecycleBin);
    RebuildVolumesMenu();
    ShowFolders();
}

void TConfiguratorWindow::RebuildVolumesMenu()
{
    while (GetMenuItemCount(FVolumesMenu) > 0)
        DeleteMenu(FVolumesMenu, 0, MF_BYPOSITION);
    const std::vector<TVolumeChoice>& choices = FSession.Model().VolumeChoices();
    for (std::size_t i = 0; i < choices.size(); ++i)
        AppendMenuW(FVolumesMenu, MF_STRING | (choices[i].Excluded ? MF_CHECKED : MF_UNCHECKED),
                    IDM_VOLUME + i, Wide(choices[i].Caption).c_str());
}

int TConfiguratorWindow::CurrentMask() const
{
    return static_cast<int>(SendMessageW(GetDlgItem(FWindow, IDC_MASKTABS), TCM_GETCURSEL, 0, 0));
}

TExcludedFoldersModel* TConfiguratorWindow::CurrentFolders()
{
    const int mask = CurrentMask();
    return mask >= 0 && mask < FSession.Model().MaskCount() ? &FSession.Model().FoldersOf(mask) : nullptr;
}

void TConfiguratorWindow::ShowFolders()
{
    const TExcludedFoldersModel* folders = CurrentFolders();
    for (int id : kFolderControls)
        ShowWindow(GetDlgItem(FWindow, id), folders != nullptr ? SW_SHOW : SW_HIDE);
    ShowWindow(GetDlgItem(FWindow, IDC_HINT), folders != nullptr ? SW_HIDE : SW_SHOW);
    HWND list = GetDlgItem(FWindow, IDC_FOLDERS);
    FFilling = true;
    ListView_DeleteAllItems(list);
    if (folders != nullptr) {
        int index = 0;
        for (const TFolderRow& row : folders->Rows()) {
            OleString text = Wide(row.Path);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = index;
            item.pszText = text.data();
            SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            ListView_SetCheckState(list, index, row.WithSubFolders);
            ++index;
        }
        SetItemText(FWindow, IDC_HIDDENCOUNT, IntToStr(folders->HiddenCount()));
    }
    FFilling = false;
}

AnsiString TConfiguratorWindow::SelectedFolder() const
{
    HWND list = GetDlgItem(FWindow, IDC_FOLDERS);
    const int selected = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    if (selected < 0)
        return AnsiString();
    return RowText(list, selected);
}

TFolderRefusal TConfiguratorWindow::TypedFolder(AnsiString& path) const
{
    return ExactFolder(WideItemText(FWindow, IDC_FOLDERPATH), path);
}

bool TConfiguratorWindow::Notify(const NMHDR& header)
{
    if (header.idFrom == IDC_MASKTABS && header.code == TCN_SELCHANGE) {
        ShowFolders();
        return true;
    }
    if (header.idFrom == IDC_FOLDERS && header.code == NM_CUSTOMDRAW) {
        // A folder of another volume than the filter's is greyed.
        auto& draw = *reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header));
        LONG_PTR result = CDRF_DODEFAULT;
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
            result = CDRF_NOTIFYITEMDRAW;
        } else if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            const TExcludedFoldersModel* folders = CurrentFolders();
            if (folders != nullptr &&
                folders->OtherVolume(RowText(header.hwndFrom, static_cast<int>(draw.nmcd.dwItemSpec))))
                draw.clrText = GetSysColor(COLOR_GRAYTEXT);
        }
        SetWindowLongPtrW(FWindow, DWLP_MSGRESULT, result);
        return true;
    }
    if (header.idFrom != IDC_FOLDERS || FFilling)
        return false;
    if (header.code == LVN_ITEMCHANGING) {
        // A folder of another volume keeps its check mark while filtered.
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        TExcludedFoldersModel* folders = CurrentFolders();
        if (folders == nullptr || !(change.uChanged & LVIF_STATE) ||
            ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) == 0)
            return false;
        const bool fixed = folders->OtherVolume(RowText(header.hwndFrom, change.iItem));
        SetWindowLongPtrW(FWindow, DWLP_MSGRESULT, fixed ? TRUE : FALSE);
        return true;
    }
    if (header.code == LVN_ITEMCHANGED) {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if (!(change.uChanged & LVIF_STATE))
            return false;
        const AnsiString path = RowText(header.hwndFrom, change.iItem);
        if ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) {
            if (TExcludedFoldersModel* folders = CurrentFolders()) {
                const bool with = ListView_GetCheckState(header.hwndFrom, change.iItem) != FALSE;
                if (folders->SetSubFolders(path, with ? TSubFolders::With : TSubFolders::Without))
                    ShowModified();
            }
        }
        if ((change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED))
            SetItemText(FWindow, IDC_FOLDERPATH, path);
        return true;
    }
    if (header.code == LVN_KEYDOWN && reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE) {
        DeleteFolder();
        return true;
    }
    return false;
}

void TConfiguratorWindow::Command(int id, int code)
{
    if (id >= IDM_VOLUME && id < IDM_VOLUME + static_cast<int>(FSession.Model().VolumeChoices().size())) {
        const int choice = id - IDM_VOLUME;
        FSession.Model().SetVolumeExcluded(choice, !FSession.Model().VolumeChoices()[choice].Excluded);
        CheckMenuItem(FVolumesMenu, id,
                      FSession.Model().VolumeChoices()[choice].Excluded ? MF_CHECKED : MF_UNCHECKED);
        ShowModified();
        return;
    }
    // Without a server every action but Exit is refused, whatever sent it.
    if (!FSession.HasServer() && id != IDM_EXIT && id != IDCANCEL && id != IDM_ABOUT) {
        if (id == IDM_SAVE)
            Tell({"Settings Not Saved", "The settings were not saved: the configuration server could not be created (" +
                                            FSession.ServerError() + ").\n" + FSession.Settings().File +
                                            " is left as it is."});
        return;
    }
    switch (id) {
    case IDM_RELOAD: Reload(); break;
    case IDM_SAVE: Save(); break;
    case IDM_EXIT:
    case IDCANCEL: Close(); break;  // Escape, as the close box
    case IDM_ADDMASK: AddMask(); break;
    case IDM_EDITMASK: EditMask(); break;
    case IDM_DELETEMASK: DeleteMask(); break;
    case IDM_RUNUTILITY: RunWizard(); break;
    case IDM_ABOUT:
        Ask(AboutText(TProgram::Configurator), "About TWS Configurator", MB_OK | MB_ICONINFORMATION);
        break;
    case IDC_ADD: AddFolder(); break;
    case IDC_REPLACE: ReplaceFolder(); break;
    case IDC_DELETE: DeleteFolder(); break;
    case IDC_BROWSE: BrowseFolder(); break;
    case IDC_DELETEHIDDEN:
    case IDC_DELETEREADONLY:
    case IDC_USERECYCLEBIN:
        if (code == BN_CLICKED)
            OptionsClicked();
        break;
    case IDC_HIDEFILTERED:
        if (code == BN_CLICKED)
            FilterChanged();
        break;
    case IDC_VOLUMEFILTER:
        if (code == CBN_SELCHANGE)
            FilterChanged();
        break;
    }
}

void TConfiguratorWindow::Reload()
{
    TNotice notice;
    const bool loaded = FSession.Reload(notice);
    ShowSettingsFile();
    FilterChanged();
    ShowModel();
    if (!loaded)
        Tell(notice);
    ShowModified();
}

bool TConfiguratorWindow::Save()
{
    TNotice notice;
    if (!FSession.Save(notice)) {
        Tell(notice);
        return false;
    }
    ShowSettingsFile();
    ShowModified();
    return true;
}

bool TConfiguratorWindow::InputMask(const AnsiString& caption, AnsiString& mask)
{
    TMaskInput input{caption, mask, &FPrompts, {}};
    if (DialogBoxParamW(ThisModule(), MAKEINTRESOURCEW(IDD_MASKINPUT), FWindow, MaskInputProc,
                        reinterpret_cast<LPARAM>(&input)) != IDOK)
        return false;
    // A character the code page cannot spell would become "?", a wildcard
    // that matches more files than the user named.
    if (!zelcom::WideToAnsiExact(input.Typed.data(), input.Typed.size(), mask)) {
        Ask("The mask has characters that the system's code page cannot hold", "Invalid Mask", MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

bool TConfiguratorWindow::ValidMask(const AnsiString& mask, int edited)
{
    const TMaskCheck check = FSession.Model().CheckMask(mask, edited);
    switch (check.Verdict) {
    case TMaskVerdict::Refuse:
        Ask(check.Message, check.Caption, MB_OK | MB_ICONERROR);
        return false;
    case TMaskVerdict::Ask:
        return Ask(check.Message, check.Caption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
    default:
        return true;
    }
}

void TConfiguratorWindow::AddMask()
{
    AnsiString mask;
    if (!InputMask("Add File Mask", mask) || !ValidMask(mask, -1))
        return;
    ShowMasks(FSession.Model().AddMask(mask));
}

void TConfiguratorWindow::EditMask()
{
    const int index = CurrentMask();
    if (index < 0)
        return;
    AnsiString mask = FSession.Model().Mask(index);
    if (!InputMask("Edit File Mask", mask) || !ValidMask(mask, index))
        return;
    FSession.Model().RenameMask(index, mask);
    ShowMasks(index);
}

void TConfiguratorWindow::DeleteMask()
{
    const int index = CurrentMask();
    if (index < 0)
        return;
    if (Ask("Are you sure you want to\ndelete the file mask ?\n\n    " + FSession.Model().Mask(index), "Confirm",
            MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    FSession.Model().DeleteMask(index);
    ShowMasks(FSession.Model().MaskCount() > 0 ? (index > 0 ? index - 1 : 0) : -1);
}

void TConfiguratorWindow::ShowMasks(int selected)
{
    ShowModel();
    if (selected >= 0)
        TabCtrl_SetCurSel(GetDlgItem(FWindow, IDC_MASKTABS), selected);
    ShowFolders();
    ShowModified();
}

bool TConfiguratorWindow::Accepted(TFolderRefusal refusal)
{
    if (refusal == TFolderRefusal::None)
        return true;
    // An empty path is refused without a word.
    const TRefusalText text = RefusalText(refusal);
    if (!text.Text.empty())
        Ask(text.Text, text.Caption, MB_OK | MB_ICONERROR);
    return false;
}

void TConfiguratorWindow::AddFolder()
{
    TExcludedFoldersModel* folders = CurrentFolders();
    AnsiString path;
    if (folders == nullptr || !Accepted(TypedFolder(path)) || !Accepted(folders->CheckNew(path)))
        return;
    folders->Put(path, TSubFolders::With);
    ShowFolders();
    ShowModified();
}

void TConfiguratorWindow::ReplaceFolder()
{
    TExcludedFoldersModel* folders = CurrentFolders();
    const AnsiString selected = SelectedFolder();
    AnsiString path;
    if (folders == nullptr || selected.empty() || !Accepted(TypedFolder(path)) || path.empty() ||
        !Accepted(folders->CheckNew(path)))
        return;
    folders->Rename(selected, path);
    ShowFolders();
    ShowModified();
}

void TConfiguratorWindow::DeleteFolder()
{
    TExcludedFoldersModel* folders = CurrentFolders();
    const AnsiString selected = SelectedFolder();
    if (folders == nullptr || selected.empty())
        return;
    folders->Remove(selected);
    ShowFolders();
    ShowModified();
}

void TConfiguratorWindow::BrowseFolder()
{
    // The shell's own folder tree, file-system folders only.
    const OleString start = WideItemText(FWindow, IDC_FOLDERPATH);
    BROWSEINFOW browse{};
    browse.hwndOwner = FWindow;
    browse.lpszTitle = L"Folder Selection";
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    // The tree opens at the typed folder, where the user is likely to be.
    browse.lParam = reinterpret_cast<LPARAM>(&start);
    browse.lpfn = [](HWND dialog, UINT message, LPARAM, LPARAM data) -> int {
        if (message != BFFM_INITIALIZED)
            return 0;
        const auto* folder = reinterpret_cast<const OleString*>(data);
        if (!folder->empty())
            SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder->c_str()));
        return 0;
    };
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (chosen == nullptr)
        return;
    AnsiString path;
    const TFolderRefusal refusal = PickedFolder(chosen, path);
    CoTaskMemFree(chosen);
    // A folder the settings could not name is refused here, with a word,
    // before it is shown as typed: the typed folder stays.
    if (Accepted(refusal))
        SetItemText(FWindow, IDC_FOLDERPATH, path);
}

void TConfiguratorWindow::OptionsClicked()
{
    FSession.Model().SetOptions({Checked(FWindow, IDC_DELETEHIDDEN), Checked(FWindow, IDC_DELETEREADONLY),
                                 Checked(FWindow, IDC_USERECYCLEBIN)});
    ShowModified();
}

void TConfiguratorWindow::FilterChanged()
{
    FSession.Model().SetVolumeFilter(
        static_cast<int>(SendMessageW(GetDlgItem(FWindow, IDC_VOLUMEFILTER), CB_GETCURSEL, 0, 0)));
    FSession.Model().SetHideFiltered(Checked(FWindow, IDC_HIDEFILTERED) ? THideFiltered::Hide : THideFiltered::Grey);
    ShowFolders();
}

void TConfiguratorWindow::RunWizard()
{
    // Started in its own folder with no arguments.
    OleString folder = Wide(FProgramFolder);
    OleString commandLine = Wide("\"" + FProgramFolder + "TWSUtil.exe\"");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process)) {
        Ask("Unable to start " + FProgramFolder + "TWSUtil.exe", "TWS Configurator", MB_OK | MB_ICONERROR);
        return;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

bool TConfiguratorWindow::CloseQuery()
{
    if (!FSession.HasServer() || !FSession.Model().Modified())
        return true;
    switch (Ask("Do you want to save the changes ?", "Configuration Modified", MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        // A save that failed keeps the window, so the changes are not lost.
        return Save();
    case IDNO:
        return true;
    default:
        return false;
    }
}

void TConfiguratorWindow::Close()
{
    if (!CloseQuery())
        return;
    FSession.Release();
    DestroyWindow(FWindow);
    FWindow = nullptr;
    if (FOnClose == TOnClose::QuitMessageLoop)
        PostQuitMessage(0);
}

}  // namespace twsconfigurator

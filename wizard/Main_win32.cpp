// TWizardWindow: the Windows wizard's dialog over TWizardSession.
#include "Main_win32.h"

#include <commctrl.h>
#include <shellapi.h>

#include <stdexcept>
#include <utility>

#include "Main_win32_ids.h"
#include "Programinfo.h"
#include "Tidewash_tlb.h"
#include "Twsresname.h"
#include "Zelcomutils.h"
#include "Wizardruns.h"
#include "Zelcomstrings.h"

namespace twswizard {

namespace {

// The controls of each step; the others are hidden while it shows.
const int kStep1[] = {IDC_DRIVESLABEL, IDC_DRIVES, IDC_PRODUCTICON, IDC_SCAN, IDC_ABORT};
const int kScanFigures[] = {IDC_PROGRESSTITLE, IDC_SCANPROGRESS, IDC_SCANSTATUS};
const int kStep2[] = {IDC_SELECTEDCOUNTLABEL, IDC_SELECTEDCOUNT, IDC_SELECTEDSIZELABEL, IDC_SELECTEDSIZE,
                      IDC_TOTALCOUNTLABEL,    IDC_TOTALCOUNT,    IDC_TOTALSIZELABEL,    IDC_TOTALSIZE,
                      IDC_MASKS,              IDC_BACK,          IDC_REVIEW,            IDC_PURGE};
const int kStep3[] = {IDC_PURGESUMMARY, IDC_UNDO, IDC_HISTORY, IDC_SCANAGAIN, IDC_VIEWREPORT, IDC_CLOSE};

HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

std::wstring Wide(const std::string& text) { return zelcom::AnsiToWide(text); }

}  // namespace

TWizardWindow::TWizardWindow(std::vector<TVolume> volumes, TOnClose onClose, TWizardPrompts prompts)
    : FVolumes(std::move(volumes)), FOnClose(onClose), FPrompts(std::move(prompts))
{
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    FAccelerators = LoadAcceleratorsW(ThisModule(), MAKEINTRESOURCEW(IDR_WIZARD_KEYS));
    FWindow = CreateDialogParamW(ThisModule(), MAKEINTRESOURCEW(IDD_WIZARD), nullptr, DialogProc,
                                 DialogParam());
    if (FWindow == nullptr)
        throw std::runtime_error("The wizard's window could not be created.");
}

TWizardWindow::~TWizardWindow()
{
    FHistory.reset();
    if (FWindow != nullptr)
        DestroyWindow(FWindow);
    if (FAccelerators != nullptr)
        DestroyAcceleratorTable(FAccelerators);
    for (HICON icon : FIcons)
        if (icon != nullptr)
            DestroyIcon(icon);
}

void TWizardWindow::LoadIcons()
{
    // The product's picture comes with the handler, in its resource library.
    const std::string folder = zelcom::DLLPathByGUID(CLSID_TidewashCtrl);
    if (folder.empty())
        return;
    HMODULE library = LoadLibraryExW(Wide(folder + TWSRES_FILE_NAME).c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (library == nullptr)
        return;  // the window without its picture
    const int sizes[2] = {GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CXICON)};
    for (int i = 0; i < 2; ++i)
        FIcons[i] = static_cast<HICON>(LoadImageW(library, L"TIDEWASH1", IMAGE_ICON, sizes[i], sizes[i], 0));
    FreeLibrary(library);
    SendMessageW(FWindow, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(FIcons[0]));
    SendMessageW(FWindow, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FIcons[1]));
    SendDlgItemMessageW(FWindow, IDC_PRODUCTICON, STM_SETICON, reinterpret_cast<WPARAM>(FIcons[1]), 0);
}

void TWizardWindow::Show(int showCommand)
{
    ShowWindow(FWindow, showCommand);
    SetForegroundWindow(FWindow);
}

bool TWizardWindow::PreTranslate(MSG& message)
{
    if (FHistory != nullptr && FHistory->Closed())
        FHistory.reset();
    if (FHistory != nullptr)
        return FHistory->PreTranslate(message);
    return TProgramWindow::PreTranslate(message);
}

INT_PTR TWizardWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CTLCOLORSTATIC:
        // The texts stand on the tab's page, which is the window colour,
        // not on the dialog's face.
        if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != IDC_STATUS) {
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
        }
        return FALSE;
    case WM_COMMAND:
        Command(LOWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        if (CloseQuery())
            Close();
        return TRUE;
    default:
        return FALSE;
    }
}

void TWizardWindow::Initialise()
{
    SetWindowTextW(FWindow, Wide(kWizardTitle).c_str());
    LoadIcons();
    HWND steps = GetDlgItem(FWindow, IDC_STEPS);
    std::wstring caption = L"Step 1";
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = caption.data();
    SendMessageW(steps, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&tab));
    // Step 2's line per mask: the Qt window's columns, widths in dialog
    // units so that they grow with the font and the DPI.
    HWND masks = GetDlgItem(FWindow, IDC_MASKS);
    SendMessageW(masks, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const std::pair<const wchar_t*, int> columns[] = {{L"Mask", 80}, {L"Files", 50}, {L"Size", 60}};
    for (int i = 0; i < 3; ++i) {
        RECT width{0, 0, columns[i].second, 0};
        MapDialogRect(FWindow, &width);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = i == 0 ? LVCFMT_LEFT : LVCFMT_RIGHT;
        column.pszText = const_cast<wchar_t*>(columns[i].first);
        column.cx = width.right;
        SendMessageW(masks, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    HWND drives = GetDlgItem(FWindow, IDC_DRIVES);
    FVolumes = FSession.Scannable(FVolumes);
    for (const TVolume& volume : FVolumes)
        SendMessageW(drives, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(volume.Name).c_str()));
    SendMessageW(drives, CB_SETCURSEL, 0, 0);
    GotoStep1();
    if (!FSession.Available())
        Status(kNoHandler);
}

void TWizardWindow::Command(int id)
{
    switch (id) {
    case IDC_SCAN:
        Scan();
        break;
    case IDC_ABORT:
    case IDCANCEL:  // Escape
        if (FBusy) {
            FAbort = true;
            Enable(IDC_ABORT, false);
            Status(" Aborting...");
        }
        break;
    case IDC_BACK:
    case IDC_SCANAGAIN:
        GotoStep1();
        break;
    case IDC_REVIEW:
        Review();
        break;
    case IDC_PURGE:
        Purge();
        break;
    case IDC_VIEWREPORT:
        ViewReport();
        break;
    case IDC_UNDO:
        Undo();
        break;
    case IDC_HISTORY:
        OpenHistory();
        break;
    case IDC_ABOUT:
        About();
        break;
    case IDC_CLOSE:
        if (CloseQuery())
            Close();
        break;
    default:
        break;
    }
}

int TWizardWindow::Ask(const std::string& text, const std::string& caption, UINT flags, HWND owner)
{
    if (owner == nullptr)
        owner = FWindow;
    if (FPrompts.Ask)
        return FPrompts.Ask(owner, text, caption, flags);
    return MessageBoxW(owner, Wide(text).c_str(), Wide(caption).c_str(), flags | MB_TOPMOST);
}

void TWizardWindow::Status(const std::string& text) { SetText(IDC_STATUS, text); }

void TWizardWindow::SetText(int id, const std::string& text)
{
    SetDlgItemTextW(FWindow, id, Wide(text).c_str());
}

void TWizardWindow::Enable(int id, bool enabled) { EnableWindow(GetDlgItem(FWindow, id), enabled ? TRUE : FALSE); }

void TWizardWindow::Pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Kept for the outer loop, which ends the program.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (PreTranslate(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void TWizardWindow::ShowStep(TStep step)
{
    FStep = step;
    const auto show = [this](const auto& ids, bool visible) {
        for (int id : ids)
            ShowWindow(GetDlgItem(FWindow, id), visible ? SW_SHOW : SW_HIDE);
    };
    show(kStep1, step == TStep::ChooseDrive);
    if (step != TStep::ChooseDrive)
        show(kScanFigures, false);
    show(kStep2, step == TStep::Review);
    show(kStep3, step == TStep::Done);
    const wchar_t* const captions[] = {L"Step 1", L"Step 2", L"Step3"};
    std::wstring caption = captions[static_cast<int>(step)];
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = caption.data();
    SendDlgItemMessageW(FWindow, IDC_STEPS, TCM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tab));
    // Enter presses the step's way forward.
    const int forward = step == TStep::ChooseDrive ? IDC_SCAN : step == TStep::Review ? IDC_PURGE : IDC_CLOSE;
    SendMessageW(FWindow, DM_SETDEFID, forward, 0);
    HWND focus = GetDlgItem(FWindow, step == TStep::ChooseDrive ? IDC_DRIVES : forward);
    if (!IsWindowEnabled(focus))
        focus = GetNextDlgTabItem(FWindow, focus, FALSE);
    SendMessageW(FWindow, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
}

void TWizardWindow::GotoStep1()
{
    if (FBusy || FReviewing)
        return;  // Back and Scan Again are not for the middle of a scan or purge
    Enable(IDC_ABORT, false);
    Status(FAbort ? " Process Aborted." : "");
    FAbort = false;
    // Every scan on a fresh handler object.
    FSession.Restart();
    Enable(IDC_SCAN, FSession.Available() && !FVolumes.empty());
    ShowStep(TStep::ChooseDrive);
}

void TWizardWindow::Scan()
{
    const auto index = static_cast<int>(SendDlgItemMessageW(FWindow, IDC_DRIVES, CB_GETCURSEL, 0, 0));
    if (FBusy || FReviewing || FStep != TStep::ChooseDrive || !FSession.Available() || index < 0 ||
        index >= static_cast<int>(FVolumes.size()))
        return;
    FBusy = true;
    FAbort = false;
    Enable(IDC_SCAN, false);
    Enable(IDC_DRIVES, false);
    Enable(IDC_ABORT, true);
    SetFocus(GetDlgItem(FWindow, IDC_ABORT));
    Status(" Scanning...");
    SetText(IDC_SCANPROGRESS, "");
    SetText(IDC_SCANSTATUS, "");
    for (int id : kScanFigures)
        ShowWindow(GetDlgItem(FWindow, id), SW_SHOW);
    const TScanEnd end = FSession.Scan(FVolumes[static_cast<std::size_t>(index)].Root,
                                       [this](std::uint64_t used, const std::u16string& status) {
                                           SetText(IDC_SCANPROGRESS, ByteDisplay(used));
                                           if (!status.empty())
                                               SetDlgItemTextW(FWindow, IDC_SCANSTATUS,
                                                               reinterpret_cast<const wchar_t*>(status.c_str()));
                                           Pump();
                                           return FAbort;
                                       });
    FBusy = false;
    Enable(IDC_DRIVES, true);
    switch (end) {
    case TScanEnd::Done:
        GotoStep2();
        return;
    case TScanEnd::Aborted:
        break;
    case TScanEnd::Refused:
        Ask(kScanRefused, kScanRefusedCaption, MB_OK | MB_ICONWARNING);
        break;
    case TScanEnd::Failed:
        Ask(ScanFailed(FSession.ScanError()), kScanFailedCaption, MB_OK | MB_ICONWARNING);
        break;
    }
    // An aborted, refused or failed scan starts over on a fresh handler.
    GotoStep1();
}

void TWizardWindow::GotoStep2()
{
    Status("");
    const TTotals t = FSession.Totals();
    SetText(IDC_SELECTEDCOUNT, std::to_string(t.SelectedCount));
    SetText(IDC_SELECTEDSIZE, ByteDisplay(static_cast<std::uint64_t>(t.SelectedSize)));
    SetText(IDC_TOTALCOUNT, std::to_string(t.TotalCount));
    SetText(IDC_TOTALSIZE, ByteDisplay(static_cast<std::uint64_t>(t.TotalSize)));
    if (!FSession.ButtonText().empty())
        SetText(IDC_REVIEW, FSession.ButtonText());
    ShowMaskLines();
    FCanPurge = t.CanPurge();
    Enable(IDC_BACK, true);
    Enable(IDC_REVIEW, true);
    Enable(IDC_PURGE, FCanPurge);
    ShowStep(TStep::Review);
}

void TWizardWindow::ShowMaskLines()
{
    HWND list = GetDlgItem(FWindow, IDC_MASKS);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    int row = 0;
    for (const TMaskRow& line : MaskRows(FSession)) {
        const std::string cells[] = {line.Mask, line.Count, line.Bytes};
        std::wstring text = Wide(cells[0]);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = text.data();
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        for (int column = 1; column < 3; ++column) {
            text = Wide(cells[column]);
            item.iSubItem = column;
            item.pszText = text.data();
            SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        }
        ++row;
    }
}

void TWizardWindow::Review()
{
    if (FBusy || FReviewing || FStep != TStep::Review)
        return;
    FReviewing = true;
    for (int id : {IDC_BACK, IDC_REVIEW, IDC_PURGE})
        Enable(id, false);
    FSession.Review(FWindow);
    FReviewing = false;
    // The review may have changed the selection.
    GotoStep2();
}

void TWizardWindow::Purge()
{
    if (FBusy || FReviewing || FStep != TStep::Review || !FCanPurge)
        return;
    if (const std::optional<std::string> obstacle = FSession.PurgeObstacle()) {
        Ask(PurgeRefused(*obstacle), kPurgeCaption, MB_OK | MB_ICONERROR);
        return;
    }
    const TTotals totals = FSession.Totals();
    const std::string question =
        PurgeQuestion(totals.SelectedCount, static_cast<std::uint64_t>(totals.SelectedSize), FSession.PurgeMode());
    if (Ask(question, kPurgeCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1) != IDYES)
        return;
    FBusy = true;
    for (int id : {IDC_BACK, IDC_REVIEW, IDC_PURGE})
        Enable(id, false);
    FSession.Purge(totals, [this](const std::string& status) {
        Status(status);
        Pump();
        return FAbort;
    });
    FBusy = false;
    const TPurgeRecord record = RecordPurge(FSession);
    FReportPath = record.ReportPath;
    FRunId = record.RunId;
    SetText(IDC_PURGESUMMARY, record.Summary);
    Enable(IDC_UNDO, record.CanUndo);
    Enable(IDC_VIEWREPORT, !FReportPath.empty());
    ShowStep(TStep::Done);
}

void TWizardWindow::Undo()
{
    if (FBusy || FRunId.empty())
        return;
    try {
        const cleanuphost::TUndoCounts counts = UndoRecordedRun(FRunId);
        Enable(IDC_UNDO, false);
        wchar_t summary[4096] = {};
        GetDlgItemTextW(FWindow, IDC_PURGESUMMARY, summary, 4096);
        SetText(IDC_PURGESUMMARY, zelcom::WideToAnsi(summary) + UndoneLine(counts));
        Ask(UndoMessage(counts), kUndoCaption, MB_OK | (counts.NotRestored > 0 ? MB_ICONWARNING : MB_ICONINFORMATION));
    } catch (const std::exception& e) {
        Ask(e.what(), kUndoCaption, MB_OK | MB_ICONERROR);
    }
}

void TWizardWindow::OpenHistory()
{
    if (FBusy || FReviewing || History() != nullptr)
        return;
    FHistory = std::make_unique<THistoryWindow>(
        FWindow,
        [this](HWND owner, const std::string& text, const std::string& caption, UINT flags) {
            return Ask(text, caption, flags, owner);
        },
        [this] {
            // The History window may have undone this window's own run.
            if (!FRunId.empty() && IsWindowEnabled(GetDlgItem(FWindow, IDC_UNDO)))
                Enable(IDC_UNDO, RunUndoable(FRunId));
        });
}

void TWizardWindow::ViewReport()
{
    // This window's purge, not whatever purge wrote a report last; a report
    // that is not there cannot be opened, whatever the shell says.
    const bool there =
        !FReportPath.empty() && GetFileAttributesW(Wide(FReportPath).c_str()) != INVALID_FILE_ATTRIBUTES;
    bool opened = false;
    if (there)
        opened = FPrompts.Open ? FPrompts.Open(FReportPath)
                               : reinterpret_cast<INT_PTR>(ShellExecuteW(FWindow, L"open", Wide(FReportPath).c_str(),
                                                                         nullptr, nullptr, SW_SHOWNORMAL)) > 32;
    if (!opened)
        Ask(kReportFailed, kReportFailedCaption, MB_OK | MB_ICONERROR);
}

void TWizardWindow::About()
{
    Ask(AboutText(TProgram::Wizard), std::string("About ") + kWizardTitle, MB_OK | MB_ICONINFORMATION);
}

bool TWizardWindow::CloseQuery()
{
    if (!FBusy && !FReviewing)
        return true;
    Ask(kCloseRefused, kCloseRefusedCaption, MB_OK | MB_ICONWARNING);
    return false;
}

void TWizardWindow::Close()
{
    DestroyWindow(FWindow);
    FWindow = nullptr;
    if (FOnClose == TOnClose::QuitMessageLoop)
        PostQuitMessage(0);
}

}  // namespace twswizard

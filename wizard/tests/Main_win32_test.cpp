// The Windows wizard driven by window messages, against the cleanup handler
// registered in the test prefix (the CTest fixture "TidewashRegistered"):
// pick a drive, scan it, read step 2's figures from the controls, purge
// with the question answered, and find the files gone.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "Main_win32.h"
#include "Main_win32_ids.h"
#include "ReviewTesting_win32.h"
#include "Runrecord.h"
#include "SettingsFile.h"
#include "TempFolder.h"
#include "Tidewash_tlb.h"
#include "Zelcomstrings.h"
#include "Zelcomutils.h"

using namespace twswizard;
namespace fs = std::filesystem;

namespace {

std::string Text(HWND window, int id)
{
    wchar_t text[2048] = {};
    GetDlgItemTextW(window, id, text, 2048);
    return zelcom::WideToAnsi(text);
}

bool Shown(HWND window, int id) { return IsWindowVisible(GetDlgItem(window, id)) != FALSE; }
bool Enabled(HWND window, int id) { return IsWindowEnabled(GetDlgItem(window, id)) != FALSE; }

std::string StepCaption(HWND window)
{
    wchar_t text[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    SendDlgItemMessageW(window, IDC_STEPS, TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return zelcom::WideToAnsi(text);
}

// A report list view's rows as "cell | cell | ...".
std::vector<std::string> Rows(HWND list)
{
    std::vector<std::string> rows;
    const auto columns = static_cast<int>(
        SendMessageW(reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)), HDM_GETITEMCOUNT, 0, 0));
    const auto count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        std::string line;
        for (int column = 0; column < columns; ++column) {
            wchar_t text[512] = {};
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = 512;
            SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
            line += (column > 0 ? " | " : "") + zelcom::WideToAnsi(text);
        }
        rows.push_back(line);
    }
    return rows;
}

// Selects a list view's row as a click would: the list's owner may refuse.
void Pick(HWND list, int row)
{
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// Posted as a user's click is: it arrives through the message loop.
void Click(HWND window, int id) { PostMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0); }

class WizardWin32Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        // The runs a purge records go to the test's own state folder.
        wchar_t saved[4096] = {};
        const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", saved, 4096);
        savedState = n > 0 && n < 4096 ? saved : L"";
        SetEnvironmentVariableW(L"LOCALAPPDATA", state.Path().wstring().c_str());
        install = zelcom::DLLPathByGUID(CLSID_TidewashCtrl);
        ASSERT_FALSE(install.empty());
        prompts.Ask = [this](HWND, const std::string& text, const std::string& caption, UINT) {
            boxes.push_back(caption + ": " + text);
            return answer;
        };
        prompts.Open = [this](const std::string& path) {
            opened.push_back(path);
            return true;
        };
        const fs::path root = volume.Path();
        twstesting::WriteFile(root / "proj" / "Unit1.obj", std::string(100, 'o'));
        twstesting::WriteFile(root / "proj" / "sub" / "Unit1.tds", std::string(50, 't'));
        twstesting::WriteFile(root / "proj" / "Unit1.~cpp", std::string(10, '~'));
        twstesting::WriteFile(root / "proj" / "Unit1.cpp", "int main() {}");
    }
    void TearDown() override
    {
        window.reset();
        SetEnvironmentVariableW(L"LOCALAPPDATA", savedState.empty() ? nullptr : savedState.c_str());
        std::error_code ignored;
        fs::remove(install / "TWS.cfg", ignored);
        if (!HasFailure())
            fs::remove_all(install / "Reports", ignored);
        CoUninitialize();
    }

    void Configure(bool toTrash, std::vector<std::string> excluded = {})
    {
        twstesting::TSettingsFile settings;
        settings.ActiveMasks = "*.obj,*.tds,*.~*";
        settings.UseRecycleBin = toTrash;
        settings.ExcludedVolumes = std::move(excluded);
        settings.WriteTo(install / "TWS.cfg");
    }

    HWND Open()
    {
        window = std::make_unique<TWizardWindow>(
            std::vector<TVolume>{{"Other (Q:)", other.Slash()}, {"Test (T:)", volume.Slash()}}, TOnClose::Stay,
            prompts);
        window->Show(SW_SHOWNORMAL);
        return window->Handle();
    }

    // Runs the message loop as the program does until the window shows
    // step; false when the queue runs dry first (the step never came).
    bool RunUntil(TStep step)
    {
        MSG message;
        while (window->Step() != step || window->Busy()) {
            if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                return false;
            if (window->PreTranslate(message))
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        return true;
    }

    // Runs the queue dry as the program's loop does.
    void Drain()
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            if (!window->PreTranslate(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
    }

    fs::path install;
    twstesting::TTempFolder state{"tws state"};
    std::wstring savedState;
    twstesting::TTempFolder volume{"tws wizard"};
    twstesting::TTempFolder other{"tws other"};
    TWizardPrompts prompts;
    std::vector<std::string> boxes;
    std::vector<std::string> opened;
    int answer = IDYES;
    std::unique_ptr<TWizardWindow> window;
};

TEST_F(WizardWin32Test, TheDriveListOffersTheVolumesTheSettingsDoNotExclude)
{
    Configure(true, {other.Slash()});
    HWND w = Open();
    wchar_t title[64] = {};
    GetWindowTextW(w, title, 64);
    EXPECT_STREQ(title, L"TWS Utility");
    HWND drives = GetDlgItem(w, IDC_DRIVES);
    ASSERT_EQ(SendMessageW(drives, CB_GETCOUNT, 0, 0), 1);
    wchar_t name[64] = {};
    SendMessageW(drives, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(name));
    EXPECT_STREQ(name, L"Test (T:)");
    EXPECT_EQ(StepCaption(w), "Step 1");
    EXPECT_TRUE(Shown(w, IDC_SCAN));
    EXPECT_TRUE(Enabled(w, IDC_SCAN));
    EXPECT_FALSE(Enabled(w, IDC_ABORT));
    EXPECT_FALSE(Shown(w, IDC_PURGE));
    // Enter scans.
    EXPECT_EQ(LOWORD(SendMessageW(w, DM_GETDEFID, 0, 0)), IDC_SCAN);
    // The product's picture, from the resource library beside the handler.
    EXPECT_NE(SendDlgItemMessageW(w, IDC_PRODUCTICON, STM_GETICON, 0, 0), 0);
    EXPECT_NE(SendMessageW(w, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_TRUE(Shown(w, IDC_PRODUCTICON));
}

TEST_F(WizardWin32Test, AScanShowsTheFiguresAndAPurgeAnsweredYesRemovesTheFiles)
{
    const struct {
        const char* Name;
        bool ToTrash;
        const char* Question;
        const char* Where;
    } cases[] = {
        {"to the Recycle Bin", true,
         "Purge: Move 3 files (160.00 Bytes) to the Recycle Bin?\n\nRestore them from the Recycle Bin if they are "
         "needed.",
         "\nMoved to the Recycle Bin (restore them from there).\n"},
        {"for good", false,
         "Purge: Delete 3 files (160.00 Bytes) permanently?\n\nThe settings do not use the trash: nothing can "
         "bring them back.",
         "\nDeleted permanently (the settings do not use the trash).\n"},
    };
    const fs::path proj = volume.Path() / "proj";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        twstesting::WriteFile(proj / "Unit1.obj", std::string(100, 'o'));
        twstesting::WriteFile(proj / "sub" / "Unit1.tds", std::string(50, 't'));
        twstesting::WriteFile(proj / "Unit1.~cpp", std::string(10, '~'));
        boxes.clear();
        Configure(c.ToTrash);
        HWND w = Open();
        SendDlgItemMessageW(w, IDC_DRIVES, CB_SETCURSEL, 1, 0);
        Click(w, IDC_SCAN);
        ASSERT_TRUE(RunUntil(TStep::Review));
        EXPECT_EQ(StepCaption(w), "Step 2");
        EXPECT_EQ(Text(w, IDC_SELECTEDCOUNT), "3");
        EXPECT_EQ(Text(w, IDC_SELECTEDSIZE), "160.00 Bytes");
        EXPECT_EQ(Text(w, IDC_TOTALCOUNT), "3");
        EXPECT_EQ(Text(w, IDC_TOTALSIZE), "160.00 Bytes");
        EXPECT_FALSE(Shown(w, IDC_SCAN));
        EXPECT_TRUE(Enabled(w, IDC_PURGE));
        EXPECT_EQ(LOWORD(SendMessageW(w, DM_GETDEFID, 0, 0)), IDC_PURGE);
        EXPECT_TRUE(boxes.empty());
        // A line per mask, as the Qt window shows them.
        EXPECT_TRUE(Shown(w, IDC_MASKS));
        EXPECT_EQ(Rows(GetDlgItem(w, IDC_MASKS)),
                  (std::vector<std::string>{"*.obj | 1 | 100.00 Bytes", "*.tds | 1 | 50.00 Bytes", "*.~* | 1 | 10.00 Bytes"}));

        Click(w, IDC_PURGE);
        ASSERT_TRUE(RunUntil(TStep::Done));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], c.Question);
        EXPECT_FALSE(fs::exists(proj / "Unit1.obj"));
        EXPECT_FALSE(fs::exists(proj / "sub" / "Unit1.tds"));
        EXPECT_FALSE(fs::exists(proj / "Unit1.~cpp"));
        EXPECT_TRUE(fs::exists(proj / "Unit1.cpp"));
        EXPECT_EQ(StepCaption(w), "Step3");
        // What became of the files, where they went, and the run's own
        // copy of the report, recorded in the user's state folder; the
        // recycle bin is not this window's to undo.
        const std::string summary = Text(w, IDC_PURGESUMMARY);
        EXPECT_EQ(summary.rfind("Removed 3 (160.00 Bytes), kept 0, failed 0.", 0), 0u) << summary;
        EXPECT_NE(summary.find(c.Where), std::string::npos) << summary;
        const std::vector<std::string> runs = cleanuphost::ListRuns();
        ASSERT_FALSE(runs.empty());
        const fs::path report = state.Path() / "tidewash" / "runs" / runs.back() / "FilePurge.html";
        EXPECT_NE(summary.find("\nReport: " + report.string()), std::string::npos) << summary;
        EXPECT_TRUE(Shown(w, IDC_UNDO));
        EXPECT_FALSE(Enabled(w, IDC_UNDO));

        // View Report opens this purge's report.
        Click(w, IDC_VIEWREPORT);
        Drain();
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_NE(twstesting::ReadFile(opened[0]).find("Unit1.tds"), std::string::npos) << opened[0];
        opened.clear();
        EXPECT_EQ(boxes.size(), 1u) << "no failure told";
    }
}

TEST_F(WizardWin32Test, APurgeAnsweredNoLeavesEverything)
{
    Configure(true);
    HWND w = Open();
    SendDlgItemMessageW(w, IDC_DRIVES, CB_SETCURSEL, 1, 0);
    Click(w, IDC_SCAN);
    ASSERT_TRUE(RunUntil(TStep::Review));
    answer = IDNO;
    Click(w, IDC_PURGE);
    EXPECT_FALSE(RunUntil(TStep::Done));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(window->Step(), TStep::Review);
    EXPECT_TRUE(fs::exists(volume.Path() / "proj" / "Unit1.obj"));
    EXPECT_TRUE(fs::exists(volume.Path() / "proj" / "sub" / "Unit1.tds"));
    // Back starts over at step 1.
    Click(w, IDC_BACK);
    EXPECT_TRUE(RunUntil(TStep::ChooseDrive));
    EXPECT_TRUE(Shown(w, IDC_SCAN));
    EXPECT_FALSE(Shown(w, IDC_PURGE));
}

TEST_F(WizardWin32Test, AbortStopsTheScanAndStartsOver)
{
    Configure(true);
    HWND w = Open();
    SendDlgItemMessageW(w, IDC_DRIVES, CB_SETCURSEL, 1, 0);
    // The abort waits in the queue; the scan takes it at its first
    // progress notification.
    Click(w, IDC_SCAN);
    Click(w, IDC_ABORT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        if (!window->PreTranslate(message))
            DispatchMessageW(&message);
    EXPECT_EQ(window->Step(), TStep::ChooseDrive);
    EXPECT_EQ(Text(w, IDC_STATUS), " Process Aborted.");
    EXPECT_TRUE(Enabled(w, IDC_SCAN));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(WizardWin32Test, TheWindowRefusesToCloseWhileScanning)
{
    Configure(true);
    HWND w = Open();
    SendDlgItemMessageW(w, IDC_DRIVES, CB_SETCURSEL, 1, 0);
    Click(w, IDC_SCAN);
    PostMessageW(w, WM_CLOSE, 0, 0);
    ASSERT_TRUE(RunUntil(TStep::Review));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Close Application: Unable to close the application\nwhile processing a scan or purge.");
    EXPECT_FALSE(window->Closed());
}

// A key as the keyboard sends it to the control with the focus, through the
// program's message loop (PreTranslate: the dialog's keys, the accelerators).
void Key(HWND window, UINT key)
{
    HWND focus = GetFocus();
    PostMessageW(focus != nullptr ? focus : window, WM_KEYDOWN, key, 1);
    PostMessageW(focus != nullptr ? focus : window, WM_KEYUP, key, 0xC0000001);
}

TEST_F(WizardWin32Test, TheKeysMoveThroughTheStepAndPressItsButtons)
{
    Configure(true);
    HWND w = Open();
    SetFocus(w);
    const auto idOf = [](HWND control) { return GetDlgCtrlID(control); };
    // Tab order: the drives, Scan, then round to the "?" (Abort is
    // disabled and the hidden steps' controls are passed over).
    HWND drives = GetDlgItem(w, IDC_DRIVES);
    EXPECT_EQ(idOf(GetNextDlgTabItem(w, drives, FALSE)), IDC_SCAN);
    EXPECT_EQ(idOf(GetNextDlgTabItem(w, GetDlgItem(w, IDC_SCAN), FALSE)), IDC_ABOUT);
    EXPECT_EQ(idOf(GetNextDlgTabItem(w, GetDlgItem(w, IDC_ABOUT), FALSE)), IDC_DRIVES);

    // F1 is About.
    Key(w, VK_F1);
    EXPECT_FALSE(RunUntil(TStep::Review));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("About TWS Utility: TWS Utility - Tidewash ", 0), 0u) << boxes[0];

    // Enter on the drive list scans it; on step 2 Enter is Purge.
    SendDlgItemMessageW(w, IDC_DRIVES, CB_SETCURSEL, 1, 0);
    SetFocus(drives);
    Key(w, VK_RETURN);
    ASSERT_TRUE(RunUntil(TStep::Review));
    Key(w, VK_RETURN);
    ASSERT_TRUE(RunUntil(TStep::Done));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].rfind("Purge: Move 3 files (160.00 Bytes) to the Recycle Bin?", 0), 0u) << boxes[1];
    EXPECT_FALSE(fs::exists(volume.Path() / "proj" / "Unit1.obj"));
}

// The handler's own words name the cause.
TEST_F(WizardWin32Test, AVolumeGoneBeforeTheScanIsToldWithTheHandlersReasonAndStartsOver)
{
    Configure(true);
    HWND w = Open();
    SendDlgItemMessageW(w, IDC_DRIVES, CB_SETCURSEL, 1, 0);
    fs::remove_all(volume.Path());
    Click(w, IDC_SCAN);
    EXPECT_FALSE(RunUntil(TStep::Review));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Scan not completed: The scan stopped on an error:\n\nThe volume \"" + volume.Slash() +
                            "\" is not a folder that can be opened without following a link.\n\n"
                            "Nothing was selected. Fix the cause, then scan again.");
    EXPECT_EQ(window->Step(), TStep::ChooseDrive);
    EXPECT_TRUE(Enabled(w, IDC_SCAN));
    EXPECT_FALSE(Enabled(w, IDC_ABORT));
}

// History lists the wizard's own purge (its files in the Recycle Bin, so
// not to be picked) and a run with a trash entry recorded, whose undo
// tells that nothing came back; the wizard is disabled while it shows.
TEST_F(WizardWin32Test, TheHistoryListsTheRunsAndAnUndoClaimsNoRestoreFromTheRecycleBin)
{
    nlohmann::json older = cleanuphost::RunDocument(volume.Slash(), cleanuphost::TRunMode::Purge, {}, {});
    older["handlers"] = nlohmann::json::array({{{"key", "Tidewash"}, {"files", nlohmann::json::array({{
        {"mask", "*.obj"}, {"path", (volume.Path() / "old.obj").string()}, {"size", 8}, {"action", "remove"},
        {"reason", nullptr}, {"outcome", "trashed"}, {"outcome_reason", nullptr},
        {"identity", {{"device", 1}, {"inode", 2}, {"modified_ns", 3}, {"born_ns", 4}}},
        {"trash", {{"folder", "C:\\$Recycle.Bin\\"}, {"name", "old.obj"}}}}})}}});
    older["summary"]["removed"] = {{"files", 1}, {"bytes", 8}};
    const std::string olderId = cleanuphost::SaveRun(older, "");

    Configure(true);
    HWND w = Open();
    SendDlgItemMessageW(w, IDC_DRIVES, CB_SETCURSEL, 1, 0);
    Click(w, IDC_SCAN);
    ASSERT_TRUE(RunUntil(TStep::Review));
    Click(w, IDC_PURGE);
    ASSERT_TRUE(RunUntil(TStep::Done));
    boxes.clear();
    const std::vector<std::string> ids = cleanuphost::ListRuns();
    ASSERT_EQ(ids.size(), 2u);
    const std::string& ownId = ids.back() == olderId ? ids.front() : ids.back();

    Click(w, IDC_HISTORY);
    Drain();
    THistoryWindow* history = window->History();
    ASSERT_NE(history, nullptr);
    HWND h = history->Handle();
    EXPECT_FALSE(IsWindowEnabled(w)) << "the wizard waits while the History shows";
    wchar_t title[64] = {};
    GetWindowTextW(h, title, 64);
    EXPECT_STREQ(title, L"Purge History");
    EXPECT_EQ(Text(h, IDC_RUNSLABEL), "Pick a run to put its files back from the trash.");
    HWND list = GetDlgItem(h, IDC_RUNS);
    const std::vector<std::string> rows = Rows(list);
    ASSERT_EQ(rows.size(), 2u);
    const bool ownFirst = rows[0].rfind(ownId, 0) == 0;
    const int own = ownFirst ? 0 : 1, picked = ownFirst ? 1 : 0;
    EXPECT_EQ(rows[own], ownId + " | " + volume.Slash() + " | 3 (160.00 Bytes) | 3 in the Recycle Bin");
    EXPECT_EQ(rows[picked], olderId + " | " + volume.Slash() + " | 1 (8.00 Bytes) | 1 file");

    // The wizard's own run cannot be picked: the shell alone restores it.
    Pick(list, own);
    EXPECT_EQ(history->SelectedRun(), "");
    EXPECT_FALSE(Enabled(h, IDC_RUNUNDO));
    Pick(list, picked);
    ASSERT_EQ(history->SelectedRun(), olderId);
    ASSERT_TRUE(Enabled(h, IDC_RUNUNDO));
    Click(h, IDC_RUNUNDO);
    Drain();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Undo: Run " + olderId + ": restored 0 file(s) from the trash.\nNot restored: 1.");
    EXPECT_NE(cleanuphost::LoadRun(olderId)["handlers"][0]["files"][0]["restore_error"].get<std::string>().find(
                  "Recycle Bin"),
              std::string::npos);

    // Escape closes it and gives the wizard back.
    SetFocus(list);
    PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageW(list, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    Drain();
    EXPECT_EQ(window->History(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(w));
    EXPECT_EQ(window->Step(), TStep::Done);
}

// Signals event when window is disabled: a modal window it owns has come up.
LRESULT CALLBACK SignalDisabled(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR event)
{
    if (message == WM_ENABLE && !wParam)
        SetEvent(reinterpret_cast<HANDLE>(event));
    return DefSubclassProc(window, message, wParam, lParam);
}

// The first tree view among window's children.
HWND TreeIn(HWND window)
{
    HWND tree = nullptr;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM data) -> BOOL {
            wchar_t name[64] = {};
            GetClassNameW(child, name, 64);
            if (std::wstring(name) != WC_TREEVIEWW)
                return TRUE;
            *reinterpret_cast<HWND*>(data) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&tree));
    return tree;
}

// Review on step 2 brings up the handler's window owned by the wizard; the
// user, from another thread once it is up, unchecks a folder and presses
// OK: step 2's figures follow, and the purge takes exactly what is checked.
TEST_F(WizardWin32Test, ReviewOwnedByTheWizardDecidesWhatThePurgeTakes)
{
    twstesting::TSettingsFile settings;
    settings.ActiveMasks = "*.obj";
    settings.UseRecycleBin = false;
    settings.WriteTo(install / "TWS.cfg");
    const fs::path root = volume.Path();
    fs::remove_all(root / "proj");
    twstesting::WriteFile(root / "keep" / "k1.obj", std::string(10, 'k'));
    twstesting::WriteFile(root / "go" / "g1.obj", std::string(30, 'g'));
    HWND w = Open();
    SendDlgItemMessageW(w, IDC_DRIVES, CB_SETCURSEL, 1, 0);
    Click(w, IDC_SCAN);
    ASSERT_TRUE(RunUntil(TStep::Review));
    EXPECT_EQ(Text(w, IDC_SELECTEDCOUNT), "2");

    const HANDLE up = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(SetWindowSubclass(w, SignalDisabled, 1, reinterpret_cast<DWORD_PTR>(up)));
    std::atomic<bool> owned{false}, clicked{false};
    std::thread user([&] {
        if (WaitForSingleObject(up, 60000) != WAIT_OBJECT_0)
            return;
        const HWND review = reviewtest::OwnedWindow(w);
        if (review == nullptr)
            return;
        owned = true;
        const HWND tree = TreeIn(review);
        if (const HTREEITEM keep = reviewtest::TreeChildNamed(tree, TreeView_GetRoot(tree), "keep"))
            clicked = reviewtest::ClickStateImage(tree, keep);
        SendMessageW(review, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    Click(w, IDC_REVIEW);
    Drain();  // Review returns when its window closes
    SetEvent(up);  // a review that never came up leaves the thread no wait
    user.join();
    RemoveWindowSubclass(w, SignalDisabled, 1);
    CloseHandle(up);
    ASSERT_TRUE(owned) << "no window owned by the wizard came up";
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(IsWindowEnabled(w));
    EXPECT_EQ(window->Step(), TStep::Review);
    EXPECT_EQ(Text(w, IDC_SELECTEDCOUNT), "1");
    EXPECT_EQ(Text(w, IDC_SELECTEDSIZE), "30.00 Bytes");
    EXPECT_EQ(Rows(GetDlgItem(w, IDC_MASKS)), std::vector<std::string>{"*.obj | 1 of 2 | 30.00 Bytes"});

    Click(w, IDC_PURGE);
    ASSERT_TRUE(RunUntil(TStep::Done));
    EXPECT_TRUE(fs::exists(root / "keep" / "k1.obj"));
    EXPECT_FALSE(fs::exists(root / "go" / "g1.obj"));
}

}  // namespace

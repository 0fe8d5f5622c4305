// The Windows wizard driven by window messages, against the cleanup handler
// registered in the test prefix (the CTest fixture "TidewashRegistered"):
// pick a drive, scan it, read step 2's figures from the controls, purge
// with the question answered, and find the files gone.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Main_win32.h"
#include "Main_win32_ids.h"
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

// Posted as a user's click is: it arrives through the message loop.
void Click(HWND window, int id) { PostMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0); }

class WizardWin32Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
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

    fs::path install;
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
    } cases[] = {
        {"to the trash", true, "Purge: Move 3 files (160.00 Bytes) to the trash?\n\nUndo can put them back."},
        {"for good", false,
         "Purge: Delete 3 files (160.00 Bytes) permanently?\n\nThe settings do not use the trash: nothing can "
         "bring them back."},
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

        Click(w, IDC_PURGE);
        ASSERT_TRUE(RunUntil(TStep::Done));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], c.Question);
        EXPECT_FALSE(fs::exists(proj / "Unit1.obj"));
        EXPECT_FALSE(fs::exists(proj / "sub" / "Unit1.tds"));
        EXPECT_FALSE(fs::exists(proj / "Unit1.~cpp"));
        EXPECT_TRUE(fs::exists(proj / "Unit1.cpp"));
        EXPECT_EQ(StepCaption(w), "Step3");
        EXPECT_NE(Text(w, IDC_PURGESUMMARY).find("Purged 3 files (160.00 Bytes)"), std::string::npos)
            << Text(w, IDC_PURGESUMMARY);

        // View Report opens this purge's report.
        Click(w, IDC_VIEWREPORT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            if (!window->PreTranslate(message))
                DispatchMessageW(&message);
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
    EXPECT_EQ(boxes[1].rfind("Purge: Move 3 files", 0), 0u) << boxes[1];
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

}  // namespace

// The Windows settings editor driven by window messages, against the
// configuration server registered in the test prefix: what the user does
// in the window ends up in the settings file the server writes.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Main_win32.h"
#include "Main_win32_ids.h"
#include "SettingsFile.h"
#include "TempFolder.h"
#include "Zelcomstrings.h"

using namespace twsconfigurator;
namespace fs = std::filesystem;

namespace {

std::string Text(HWND window, int id)
{
    wchar_t text[1024] = {};
    GetDlgItemTextW(window, id, text, 1024);
    return zelcom::WideToAnsi(text);
}

std::vector<std::string> Tabs(HWND window)
{
    HWND tabs = GetDlgItem(window, IDC_MASKTABS);
    std::vector<std::string> captions;
    const int count = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 256;
        SendMessageW(tabs, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        captions.push_back(zelcom::WideToAnsi(text));
    }
    return captions;
}

// The folder list as shown: "path [x]" with sub-folders, "path [ ]" alone.
std::vector<std::string> Folders(HWND window)
{
    HWND list = GetDlgItem(window, IDC_FOLDERS);
    std::vector<std::string> rows;
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
        wchar_t text[1024] = {};
        LVITEMW item{};
        item.pszText = text;
        item.cchTextMax = 1024;
        SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
        rows.push_back(zelcom::WideToAnsi(text) + (ListView_GetCheckState(list, i) ? " [x]" : " [ ]"));
    }
    return rows;
}

bool Checked(HWND window, int id) { return IsDlgButtonChecked(window, id) == BST_CHECKED; }
// The folder of this program, where the build puts TWSRES.dll too.
std::string ThisFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::string file = zelcom::WideToAnsi(path);
    return file.substr(0, file.find_last_of('\\') + 1);
}

void Show(HWND window)
{
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
}

void Command(HWND window, int id) { SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
void Click(HWND window, int id) { SendDlgItemMessageW(window, id, BM_CLICK, 0, 0); }

void SelectTab(HWND window, int tab)
{
    HWND tabs = GetDlgItem(window, IDC_MASKTABS);
    SendMessageW(tabs, TCM_SETCURSEL, tab, 0);
    NMHDR header{tabs, IDC_MASKTABS, static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(window, WM_NOTIFY, IDC_MASKTABS, reinterpret_cast<LPARAM>(&header));
}

class MainWin32Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        settings.File = (temp / "TWS.cfg").string();
        settings.ReportsFolder = (temp / "Reports").string();
        fs::create_directories(temp / "keep" / "sub");
        prompts.Ask = [this](HWND, const AnsiString& text, const AnsiString& caption, UINT) {
            boxes.push_back(caption + ": " + text);
            return answer;
        };
        // The mask dialog is filled and confirmed as a user would: its
        // edit control, then its OK button.
        prompts.DialogShown = [this](HWND dialog) {
            SetDlgItemTextW(dialog, IDC_MASK, typedMask.c_str());
            PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        };
    }
    void TearDown() override { CoUninitialize(); }

    std::unique_ptr<TConfiguratorWindow> Open(std::vector<TVolume> volumes = {{"Data (S:)", "S:\\"}})
    {
        return std::make_unique<TConfiguratorWindow>(settings, std::move(volumes), ThisFolder(), TOnClose::Stay,
                                                     prompts);
    }
    std::string Dir(const char* name) const { return (temp / name).string(); }

    twstesting::TTempFolder temp{"configurator win32"};
    tws::TSettingsPlace settings;
    TWindowPrompts prompts;
    std::vector<std::string> boxes;
    int answer = IDOK;
    std::wstring typedMask;
};

TEST_F(MainWin32Test, TheUsersEditsAreWhatTheServerSaves)
{
    auto w = Open();
    const HWND window = w->Handle();
    ASSERT_TRUE(w->Session().HasServer());
    twstesting::TSettingsFile expected;
    std::vector<std::string> masks = {"*.map", "*.dsk", "*.obj", "*.csm", "*.tds", "*.il*", "*.~*", "*.#*", "*.bak"};
    EXPECT_EQ(Tabs(window), masks) << "the defaults, as no file is there";
    EXPECT_EQ(Checked(window, IDC_USERECYCLEBIN), true);

    // A new mask through the dialog: its tab is added and selected.
    typedMask = L"*.$$$";
    Command(window, IDM_ADDMASK);
    masks.push_back("*.$$$");
    EXPECT_EQ(Tabs(window), masks);
    EXPECT_EQ(SendDlgItemMessageW(window, IDC_MASKTABS, TCM_GETCURSEL, 0, 0), 9);

    // Two folders for *.obj, the second unchecked in the list: alone.
    SelectTab(window, 2);
    SetDlgItemTextW(window, IDC_FOLDERPATH, zelcom::AnsiToWide(Dir("keep")).c_str());
    Click(window, IDC_ADD);
    SetDlgItemTextW(window, IDC_FOLDERPATH, zelcom::AnsiToWide(Dir("keep\\sub")).c_str());
    Click(window, IDC_ADD);
    ASSERT_EQ(Folders(window), (std::vector<std::string>{Dir("keep") + " [x]", Dir("keep\\sub") + " [x]"}));
    LVITEMW unchecked{};
    unchecked.stateMask = LVIS_STATEIMAGEMASK;
    unchecked.state = INDEXTOSTATEIMAGEMASK(1);
    SendDlgItemMessageW(window, IDC_FOLDERS, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&unchecked));
    EXPECT_EQ(Folders(window), (std::vector<std::string>{Dir("keep") + " [x]", Dir("keep\\sub") + " [ ]"}));

    Click(window, IDC_USERECYCLEBIN);
    Click(window, IDC_DELETEHIDDEN);
    Command(window, IDM_VOLUME + 0);  // Excluded Volumes: Data (S:)
    EXPECT_TRUE(w->Session().Model().Modified());
    EXPECT_EQ(Text(window, IDC_STATUS), " Modified");

    Command(window, IDM_SAVE);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EXPECT_FALSE(w->Session().Model().Modified());
    expected.ActiveMasks = "*.map,*.dsk,*.obj,*.csm,*.tds,*.il*,*.~*,*.#*,*.bak,*.$$$";
    expected.DeleteHidden = true;
    expected.UseRecycleBin = false;
    expected.ExcludedVolumes = {"S:\\"};
    // The server writes the folders alone before those with sub-folders.
    expected.ExcludedFolders = {{"*.obj", {Dir("keep\\sub") + "=0", Dir("keep") + "=1"}}};
    EXPECT_EQ(twstesting::ReadFile(settings.File), expected.Text());

    // A second window reads back what the first saved.
    w.reset();
    w = Open();
    EXPECT_EQ(Tabs(w->Handle()), masks);
    SelectTab(w->Handle(), 2);
    EXPECT_EQ(Folders(w->Handle()), (std::vector<std::string>{Dir("keep") + " [x]", Dir("keep\\sub") + " [ ]"}));
    EXPECT_FALSE(Checked(w->Handle(), IDC_USERECYCLEBIN));
}

TEST_F(MainWin32Test, MasksTheModelRefusesOrTheUserDeclinesAreNotAdded)
{
    auto w = Open();
    const HWND window = w->Handle();
    const std::vector<std::string> masks = Tabs(window);
    const struct {
        const wchar_t* mask;
        int answer;
        const char* box;  // the start of the one box shown
        bool only1252 = false;
    } cases[] = {
        {L"*.*", IDOK, "Invalid Mask: "},
        {L"*.OBJ", IDOK, "Invalid Mask: The entered mask already exists"},
        {L"", IDOK, "Invalid Mask: Cannot have an empty mask"},
        {L"*.cpp", IDNO, "Mask Matches Source Files: The mask \"*.cpp\""},
        // Cyrillic, which code page 1252 would turn into "?", a wildcard.
        {L"*.\u0444", IDOK, "Invalid Mask: The mask has characters that the system's code page cannot hold", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(zelcom::WideToAnsi(c.mask));
        if (c.only1252 && GetACP() != 1252)
            continue;
        typedMask = c.mask;
        answer = c.answer;
        Command(window, IDM_ADDMASK);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].rfind(c.box, 0), 0u) << boxes[0];
        boxes.clear();
        EXPECT_EQ(Tabs(window), masks);
    }
    EXPECT_FALSE(w->Session().Model().Modified());
    // Said yes to, the source mask is taken.
    typedMask = L"*.cpp";
    answer = IDYES;
    Command(window, IDM_ADDMASK);
    EXPECT_EQ(Tabs(window).back(), "*.cpp");
}

TEST_F(MainWin32Test, ClosingWithUnsavedChangesAsksAndSavesOnYes)
{
    auto w = Open();
    Click(w->Handle(), IDC_DELETEREADONLY);
    answer = IDCANCEL;
    SendMessageW(w->Handle(), WM_CLOSE, 0, 0);
    ASSERT_FALSE(w->Closed());
    EXPECT_FALSE(fs::exists(settings.File));
    answer = IDYES;
    SendMessageW(w->Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(w->Closed());
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1], "Configuration Modified: Do you want to save the changes ?");
    twstesting::TSettingsFile expected;
    expected.DeleteReadOnly = true;
    EXPECT_EQ(twstesting::ReadFile(settings.File), expected.Text());
}

TEST_F(MainWin32Test, AnUnreadableSettingsFileIsReportedAndNeverReplaced)
{
    twstesting::WriteFile(settings.File, "[Files]\nActiveMasks=\"*\"\n");
    auto w = Open();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("Settings Not Loaded: The settings file cannot be read", 0), 0u) << boxes[0];
    EXPECT_TRUE(Tabs(w->Handle()).empty());
    Command(w->Handle(), IDM_SAVE);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].rfind("Settings Not Saved: The settings file could not be read, so it is not replaced", 0), 0u)
        << boxes[1];
    EXPECT_EQ(twstesting::ReadFile(settings.File), "[Files]\nActiveMasks=\"*\"\n");
}

TEST_F(MainWin32Test, TheFolderButtonsShowTheGlyphsOfTheResourceLibrary)
{
    auto w = Open();
    for (int button : {IDC_BROWSE, IDC_ADD, IDC_REPLACE, IDC_DELETE}) {
        BUTTON_IMAGELIST image{};
        ASSERT_TRUE(SendDlgItemMessageW(w->Handle(), button, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&image)));
        ASSERT_NE(image.himl, nullptr) << button;
        EXPECT_EQ(ImageList_GetImageCount(image.himl), 1) << button;
        // The fuchsia background is the mask's, never a painted colour.
        IMAGEINFO info{};
        ASSERT_TRUE(ImageList_GetImageInfo(image.himl, 0, &info));
        EXPECT_NE(info.hbmMask, nullptr) << button;
    }
    EXPECT_NE(SendMessageW(w->Handle(), WM_GETICON, ICON_SMALL, 0), 0);
}

// The filter's choice reaches the list: folders of another volume are
// greyed with their check fixed, or hidden and counted; nothing changes.
TEST_F(MainWin32Test, TheVolumeFilterFixesOrHidesTheFoldersOfOtherVolumes)
{
    const std::string drive = temp.Path().string().substr(0, 3);  // "C:\"
    auto w = Open({{"Temp", drive}, {"Data (S:)", "S:\\"}});
    const HWND window = w->Handle();
    SelectTab(window, 0);
    for (const char* name : {"keep", "keep\\sub"}) {
        SetDlgItemTextW(window, IDC_FOLDERPATH, zelcom::AnsiToWide(Dir(name)).c_str());
        Click(window, IDC_ADD);
    }
    Command(window, IDM_SAVE);
    ASSERT_FALSE(w->Session().Model().Modified());

    const auto choose = [window](int volume) {
        SendDlgItemMessageW(window, IDC_VOLUMEFILTER, CB_SETCURSEL, volume, 0);
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_VOLUMEFILTER, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_VOLUMEFILTER)));
    };
    const struct {
        int volume;
        bool hide;
        std::vector<std::string> rows;
        const char* hidden;
        bool checkable;
    } cases[] = {
        {1, false, {Dir("keep") + " [x]", Dir("keep\\sub") + " [x]"}, "0", true},
        {2, false, {Dir("keep") + " [x]", Dir("keep\\sub") + " [x]"}, "0", false},
        {2, true, {}, "2", false},
        {0, true, {Dir("keep") + " [x]", Dir("keep\\sub") + " [x]"}, "0", true},
    };
    for (const auto& c : cases) {
        choose(c.volume);
        if (Checked(window, IDC_HIDEFILTERED) != c.hide)
            Click(window, IDC_HIDEFILTERED);
        EXPECT_EQ(Folders(window), c.rows) << c.volume << c.hide;
        EXPECT_EQ(Text(window, IDC_HIDDENCOUNT), c.hidden) << c.volume << c.hide;
        if (c.rows.empty())
            continue;
        // Unchecking the first: taken on the filter's volume, refused off it.
        LVITEMW unchecked{};
        unchecked.stateMask = LVIS_STATEIMAGEMASK;
        unchecked.state = INDEXTOSTATEIMAGEMASK(1);
        SendDlgItemMessageW(window, IDC_FOLDERS, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&unchecked));
        EXPECT_EQ(Folders(window).front() == Dir("keep") + " [ ]", c.checkable) << c.volume;
        EXPECT_EQ(w->Session().Model().Modified(), c.checkable) << c.volume;
        // Put back for the next case.
        if (c.checkable) {
            LVITEMW checked = unchecked;
            checked.state = INDEXTOSTATEIMAGEMASK(2);
            SendDlgItemMessageW(window, IDC_FOLDERS, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&checked));
            Command(window, IDM_SAVE);
        }
    }
}

// The keys a user presses reach the window through its message loop's
// PreTranslate: the menu's accelerators, and the dialog's Tab.
TEST_F(MainWin32Test, ControlSSavesAndTabMovesThroughTheControls)
{
    auto w = Open();
    const HWND window = w->Handle();
    Click(window, IDC_DELETEHIDDEN);
    ASSERT_TRUE(w->Session().Model().Modified());

    BYTE keys[256] = {};
    ASSERT_TRUE(GetKeyboardState(keys));
    keys[VK_CONTROL] = 0x80;
    ASSERT_TRUE(SetKeyboardState(keys));
    MSG control{GetDlgItem(window, IDC_FOLDERPATH), WM_KEYDOWN, 'S', 0x001F0001, 0, {}};
    EXPECT_TRUE(w->PreTranslate(control));
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_FALSE(w->Session().Model().Modified());
    twstesting::TSettingsFile expected;
    expected.DeleteHidden = true;
    EXPECT_EQ(twstesting::ReadFile(settings.File), expected.Text());

    // Tab from the path goes on to the browse button, as the resource orders.
    Show(window);
    SetFocus(GetDlgItem(window, IDC_FOLDERPATH));
    MSG tab{GetDlgItem(window, IDC_FOLDERPATH), WM_KEYDOWN, VK_TAB, 0x000F0001, 0, {}};
    EXPECT_TRUE(w->PreTranslate(tab));
    EXPECT_EQ(GetFocus(), GetDlgItem(window, IDC_BROWSE));
}

// Rename and delete act on the selected tab; a declined deletion keeps the
// mask, and the saved list is the tabs' list.
TEST_F(MainWin32Test, MasksAreRenamedAndDeletedOnTheSelectedTab)
{
    auto w = Open();
    const HWND window = w->Handle();
    SelectTab(window, 1);
    typedMask = L"*.dcu";
    Command(window, IDM_EDITMASK);
    SelectTab(window, 0);
    answer = IDNO;
    Command(window, IDM_DELETEMASK);
    EXPECT_EQ(Tabs(window).front(), "*.map") << "declined";
    answer = IDYES;
    Command(window, IDM_DELETEMASK);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1], "Confirm: Are you sure you want to\ndelete the file mask ?\n\n    *.map");
    EXPECT_EQ(Tabs(window), (std::vector<std::string>{"*.dcu", "*.obj", "*.csm", "*.tds", "*.il*", "*.~*", "*.#*",
                                                      "*.bak"}));
    EXPECT_EQ(SendDlgItemMessageW(window, IDC_MASKTABS, TCM_GETCURSEL, 0, 0), 0);
    Command(window, IDM_SAVE);
    twstesting::TSettingsFile expected;
    expected.ActiveMasks = "*.dcu,*.obj,*.csm,*.tds,*.il*,*.~*,*.#*,*.bak";
    EXPECT_EQ(twstesting::ReadFile(settings.File), expected.Text());
}

// A folder reaches the list, and from there the settings, only when the
// ANSI code page spells its name as itself: a "?" or a best-fit look-alike
// would name another folder or none. Otherwise the user is told and
// nothing is added. (The folder browser's choice crosses the same check.)
TEST_F(MainWin32Test, FolderNamesTheCodePageCannotHoldAreRefused)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "the names below are chosen for code page 1252";
    auto w = Open();
    const HWND window = w->Handle();
    SelectTab(window, 0);
    const auto row = [this](const wchar_t* name) {
        return zelcom::WideToAnsi((temp.Path() / name).wstring().c_str()) + " [x]";
    };
    const struct {
        const wchar_t* name;
        bool kept;
    } cases[] = {
        {L"Mixed Case", true},
        {L"Caf\u00E9 \u00DC", true},                             // Latin letters 1252 holds
        {L"\u041F\u0440\u043E\u0435\u043A\u0442", false},  // Cyrillic
        {L"\uFF46\uFF55\uFF4C\uFF4C", false},                  // fullwidth: best fit gives "full"
        {L"\u5DE5\u7A0B", false},                                // CJK
    };
    for (const auto& c : cases) {
        const fs::path folder = temp.Path() / c.name;
        SCOPED_TRACE(row(c.name));
        fs::create_directories(folder);
        boxes.clear();
        SetDlgItemTextW(window, IDC_FOLDERPATH, folder.wstring().c_str());
        Click(window, IDC_ADD);
        const std::vector<std::string> rows = Folders(window);
        EXPECT_EQ(std::count(rows.begin(), rows.end(), row(c.name)), c.kept ? 1 : 0);
        if (c.kept) {
            EXPECT_TRUE(boxes.empty()) << boxes.front();
        } else {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].rfind("Invalid Folder: The folder's name has characters", 0), 0u) << boxes[0];
        }
    }
    // Listed exactly as typed, case and accents kept, and nothing else.
    const std::vector<std::string> listed = {row(L"Caf\u00E9 \u00DC"), row(L"Mixed Case")};
    EXPECT_EQ(Folders(window), listed);

    // Replacing a listed folder by such a name is refused the same way.
    ListView_SetItemState(GetDlgItem(window, IDC_FOLDERS), 0, LVIS_SELECTED, LVIS_SELECTED);
    boxes.clear();
    SetDlgItemTextW(window, IDC_FOLDERPATH, (temp.Path() / cases[2].name).wstring().c_str());
    Click(window, IDC_REPLACE);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Folders(window), listed);
}

// What the folder browser returns turned into the folder the settings
// name; a folder the file system gives no path for is refused (the window
// tells the user why) and the path given is left as it was. (A folder past
// MAX_PATH is picked in the browser below.)
TEST_F(MainWin32Test, APickedFolderIsNamedOrRefusedWhenItHasNoPath)
{
    wchar_t desktop[MAX_PATH] = {};
    ASSERT_HRESULT_SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop));
    using TPick = std::unique_ptr<ITEMIDLIST, decltype(&ILFree)>;
    const auto special = [](int csidl) {
        PIDLIST_ABSOLUTE pick = nullptr;
        EXPECT_HRESULT_SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &pick)) << csidl;
        return TPick(pick, ILFree);
    };
    const std::string unchanged = "as it was";
    const struct {
        const char* What;
        TPick Pick;
        TFolderRefusal Refusal;
        std::string Path;
    } cases[] = {
        {"a folder", TPick(ILCreateFromPathW((temp / "keep").wstring().c_str()), ILFree), TFolderRefusal::None,
         Dir("keep")},
        {"a drive", TPick(ILCreateFromPathW(L"C:\\"), ILFree), TFolderRefusal::None, "C:\\"},
        {"the desktop", special(CSIDL_DESKTOP), TFolderRefusal::None, zelcom::WideToAnsi(desktop)},
        {"the computer", special(CSIDL_DRIVES), TFolderRefusal::NoPath, unchanged},
        {"the recycle bin", special(CSIDL_BITBUCKET), TFolderRefusal::NoPath, unchanged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        ASSERT_NE(c.Pick, nullptr);
        AnsiString path = unchanged;
        EXPECT_EQ(PickedFolder(c.Pick.get(), path), c.Refusal);
        EXPECT_EQ(path, c.Path);
    }
}

// The shell's folder browser, driven from inside the program as a user
// drives it. Browse opens it as a modal dialog whose own message loop runs
// inside the click; the configurator, its owner, hears from that loop each
// time the dialog has nothing left to do (WM_ENTERIDLE). Only then is the
// dialog looked at, found among the windows the configurator owns by its
// class, and one step taken: check that it opened at the typed folder and
// select the sibling to pick, the tree's own item; at the next idle, with
// the selection taken in, check the tree still shows it and press the
// button. A steady timer keeps the idle calls coming and, past a bound,
// gives up and cancels the dialog.
class TFolderBrowserDriver {
public:
    enum class TButton { Ok, Cancel };

    TFolderBrowserDriver(HWND owner, std::wstring opensAt, std::wstring pick, TButton button)
        : FOwner(owner), FOpensAt(std::move(opensAt)), FPick(std::move(pick)), FButton(button)
    {
        SetWindowSubclass(FOwner, OwnerProc, 1, reinterpret_cast<DWORD_PTR>(this));
        FCurrent = this;
        FTimer = SetTimer(nullptr, 0, 50, Tick);
        FDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    }
    ~TFolderBrowserDriver()
    {
        KillTimer(nullptr, FTimer);
        FCurrent = nullptr;
        RemoveWindowSubclass(FOwner, OwnerProc, 1);
    }

    // What went wrong; empty when the button was pressed as asked.
    std::string Failure() const { return FPressed || !FFailure.empty() ? FFailure : "the browser never showed"; }

private:
    static LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR self)
    {
        if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX)
            reinterpret_cast<TFolderBrowserDriver*>(self)->Idle();
        return DefSubclassProc(window, message, wParam, lParam);
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (FCurrent != nullptr && FCurrent->FFailure.empty() && !FCurrent->FPressed &&
            std::chrono::steady_clock::now() > FCurrent->FDeadline)
            FCurrent->GiveUp("the browser was not ready in time");
    }

    // The visible dialog the configurator owns; null when there is none.
    HWND Dialog() const
    {
        struct TSearch {
            HWND Owner, Found;
        } search{FOwner, nullptr};
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM data) -> BOOL {
                auto* search = reinterpret_cast<TSearch*>(data);
                wchar_t name[16] = {};
                GetClassNameW(window, name, 16);
                if (GetWindow(window, GW_OWNER) != search->Owner || std::wstring(name) != L"#32770" ||
                    !IsWindowVisible(window))
                    return TRUE;
                search->Found = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.Found;
    }
    static HTREEITEM Next(HWND tree, UINT relation, HTREEITEM item)
    {
        const LRESULT next = SendMessageW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item));
        return reinterpret_cast<HTREEITEM>(next);
    }
    static std::wstring Text(HWND tree, HTREEITEM item)
    {
        wchar_t text[MAX_PATH] = {};
        TVITEMW get{};
        get.mask = TVIF_TEXT;
        get.hItem = item;
        get.pszText = text;
        get.cchTextMax = MAX_PATH;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&get));
        return text;
    }

    void Idle()
    {
        if (FPressed || !FFailure.empty())
            return;
        const HWND dialog = Dialog();
        const HWND tree = dialog != nullptr ? FindWindowExW(dialog, nullptr, WC_TREEVIEWW, nullptr) : nullptr;
        const HTREEITEM selected = tree != nullptr ? Next(tree, TVGN_CARET, nullptr) : nullptr;
        if (selected == nullptr)
            return;  // not shown yet
        if (FPicked == nullptr) {
            if (Text(tree, selected) != FOpensAt)
                return GiveUp("the browser opened at " + zelcom::WideToAnsi(Text(tree, selected).c_str()));
            for (HTREEITEM item = Next(tree, TVGN_CHILD, Next(tree, TVGN_PARENT, selected)); item != nullptr;
                 item = Next(tree, TVGN_NEXT, item))
                if (Text(tree, item) == FPick)
                    FPicked = item;
            if (FPicked == nullptr)
                return GiveUp("the folder to pick is not in the tree");
            SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FPicked));
            return;
        }
        if (selected != FPicked)
            return GiveUp("the selection moved to " + zelcom::WideToAnsi(Text(tree, selected).c_str()));
        FPressed = true;
        PostMessageW(GetDlgItem(dialog, FButton == TButton::Ok ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
    }
    void GiveUp(const std::string& why)
    {
        FFailure = why;
        if (const HWND dialog = Dialog())
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }

    static inline TFolderBrowserDriver* FCurrent = nullptr;
    HWND FOwner;
    std::wstring FOpensAt, FPick;
    TButton FButton;
    UINT_PTR FTimer = 0;
    std::chrono::steady_clock::time_point FDeadline;
    HTREEITEM FPicked = nullptr;
    bool FPressed = false;
    std::string FFailure;
};

class FolderBrowserTest : public MainWin32Test {
protected:
    void SetUp() override
    {
        MainWin32Test::SetUp();
        w = Open();
        SelectTab(w->Handle(), 0);
        SetDlgItemTextW(w->Handle(), IDC_FOLDERPATH, (temp / "keep").wstring().c_str());
    }
    void TearDown() override
    {
        w.reset();
        MainWin32Test::TearDown();
    }
    // Browse from the typed folder, pick the folder named pick beside it,
    // press button.
    void Browse(const std::wstring& pick, TFolderBrowserDriver::TButton button)
    {
        fs::create_directories(temp.Path() / pick);
        SettleAccessTimes(temp / "keep");
        TFolderBrowserDriver driver(w->Handle(), L"keep", pick, button);
        Click(w->Handle(), IDC_BROWSE);
        EXPECT_EQ(driver.Failure(), "");
    }
    // Wine's browser finds the folder it is asked to open at by comparing
    // the folders on the way byte for byte with those in its tree, and its
    // record of a folder holds the folder's last access: a folder read for
    // the first time since it changed gets a new one (relatime), the two
    // records differ and the browser opens elsewhere. Reading each folder
    // on the way once, after the last change, fixes their access times.
    static void SettleAccessTimes(const fs::path& folder)
    {
        for (fs::path at = folder;; at = at.parent_path()) {
            for (const fs::directory_entry& entry : fs::directory_iterator(at))
                (void)entry;
            if (at == at.root_path())
                break;
        }
    }
    std::wstring Typed() const
    {
        wchar_t text[1024] = {};
        GetDlgItemTextW(w->Handle(), IDC_FOLDERPATH, text, 1024);
        return text;
    }

    std::unique_ptr<TConfiguratorWindow> w;
};

// OK takes the picked folder into the path box exactly as the disk spells
// it, and Add takes it from there into the list.
TEST_F(FolderBrowserTest, OkPutsThePickedFolderInThePathBox)
{
    Browse(L"Picked Folder", TFolderBrowserDriver::TButton::Ok);
    EXPECT_EQ(Typed(), (temp / "Picked Folder").wstring());
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EXPECT_TRUE(Folders(w->Handle()).empty()) << "nothing is added before Add";
    Click(w->Handle(), IDC_ADD);
    EXPECT_EQ(Folders(w->Handle()), (std::vector<std::string>{Dir("Picked Folder") + " [x]"}));
}

TEST_F(FolderBrowserTest, CancelLeavesTheTypedFolder)
{
    Browse(L"Picked Folder", TFolderBrowserDriver::TButton::Cancel);
    EXPECT_EQ(Typed(), (temp / "keep").wstring());
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

// A picked folder past MAX_PATH reaches the path box whole; where the
// shell cuts its path short it is refused with a word to the user instead,
// and the typed folder stays.
TEST_F(FolderBrowserTest, APickedFolderPastMaxPathIsTakenWholeOrRefused)
{
    const std::wstring name(250, L'L');
    ASSERT_GT((temp.Path() / name).wstring().size(), static_cast<std::size_t>(MAX_PATH));
    Browse(name, TFolderBrowserDriver::TButton::Ok);
    if (boxes.empty()) {
        EXPECT_EQ(Typed(), (temp.Path() / name).wstring());
    } else {
        EXPECT_EQ(Typed(), (temp / "keep").wstring());
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].rfind("Invalid Folder: The system could not give the selected folder's whole path", 0), 0u)
            << boxes[0];
    }
}

// A picked folder whose name the ANSI code page cannot spell is refused
// with a word to the user; the typed folder stays.
TEST_F(FolderBrowserTest, APickedNameTheCodePageCannotHoldIsRefused)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "the name below is chosen for code page 1252";
    Browse(L"\u041F\u0440\u043E\u0435\u043A\u0442", TFolderBrowserDriver::TButton::Ok);
    EXPECT_EQ(Typed(), (temp / "keep").wstring());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("Invalid Folder: The folder's name has characters", 0), 0u) << boxes[0];
}

}  // namespace

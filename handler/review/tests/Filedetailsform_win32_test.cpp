// The Windows review window on hand-made results, shown modally on a thread
// of its own and driven from the test's thread by window messages, as the
// user's clicks and keys would: a tab, a folder's check in the tree, the
// menu's Check All, a column header, the folder depth dialog, Export to
// HTML and OK; the selection table is checked after each.
#include "Filedetailsform_win32.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "ReviewTesting.h"
#include "ReviewTesting_win32.h"
#include "TempFolder.h"

namespace tidewash {
namespace {

using namespace std::chrono_literals;
using reviewtest::AddResult;

// How long a test waits for the window's thread to answer before it fails.
constexpr auto kPatience = 60s;

std::string Volume() { return "C:\\vol\\"; }

// The folder this program is in, where the build puts TWSRES.dll.
std::filesystem::path ProgramFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path();
}

class FiledetailsformWin32Test : public ::testing::Test {
protected:
    FiledetailsformWin32Test()
    {
        AddResult(Search, "*.obj", Volume() + "A\\", "a1.obj", 100);
        AddResult(Search, "*.obj", Volume() + "A\\", "a2.obj", 200);
        AddResult(Search, "*.obj", Volume() + "B\\C\\", "c.obj", 300);
        AddResult(Search, "*.tds", Volume() + "B\\", "b.tds", 50);
        Selection = reviewtest::SelectAll(Search);
        // The installation folder: the resource library, and the reports
        // the window writes.
        std::filesystem::copy_file(ProgramFolder() / "TWSRES.dll", Install / "TWSRES.dll");
    }
    ~FiledetailsformWin32Test() override
    {
        if (Window != nullptr)
            SendMessageW(Window, WM_COMMAND, IDCANCEL, 0);
        if (Thread.joinable())
            Thread.join();
    }

    // Shows the window on its own thread; returns once its views are built.
    void Show()
    {
        std::promise<void> built;
        std::future<void> ready = built.get_future();
        Thread = std::thread([this, &built] {
            try {
                TfrmFileDetails form(Volume(), Search, Selection, nullptr, Install.Slash());
                form.OpenWithShell = [this](const AnsiString& path) {
                    Opened.push_back(path);
                    return true;
                };
                form.ChooseReportFile = [this](const AnsiString&) { return (Install / "chosen.html").string(); };
                form.FolderDepthShown = [this](HWND dialog) { DepthDialog.set_value(dialog); };
                form.CommandDone = [this](int command) {
                    if (command == IDM_FOLDERDEPTH)
                        DepthApplied.set_value();
                };
                form.ViewsBuilt = [&] {
                    Form = &form;
                    Window = form.Handle();
                    built.set_value();
                };
                Result = form.ShowModal();
                Window = nullptr;
                Form = nullptr;
            } catch (...) {
                built.set_exception(std::current_exception());
            }
        });
        ASSERT_EQ(ready.wait_for(kPatience), std::future_status::ready);
        ready.get();
        Tabs = GetDlgItem(Window, IDC_TABS);
        Tree = GetDlgItem(Window, IDC_TREE);
        List = GetDlgItem(Window, IDC_LIST);
    }

    // Closes the window with a button and waits for its thread.
    void Press(int button)
    {
        SendMessageW(Window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(Window, button)));
        Thread.join();
    }

    void Notify(HWND control, UINT code, NMHDR* header)
    {
        header->hwndFrom = control;
        header->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(control));
        header->code = code;
        SendMessageW(Window, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
    }

    // The user picks tab index.
    void SelectTab(int index)
    {
        SendMessageW(Tabs, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
        NMHDR header{};
        Notify(Tabs, TCN_SELCHANGE, &header);
    }

    std::string TreeText(HTREEITEM item) { return reviewtest::TreeText(Tree, item); }
    std::vector<std::string> ChildTexts(HTREEITEM item) { return reviewtest::TreeChildTexts(Tree, item); }
    HTREEITEM ChildNamed(HTREEITEM item, const std::string& text)
    {
        const HTREEITEM child = reviewtest::TreeChildNamed(Tree, item, text);
        EXPECT_NE(child, nullptr) << "no node " << text;
        return child;
    }

    TNodeState TreeState(HTREEITEM item)
    {
        return static_cast<TNodeState>(TreeView_GetItemState(Tree, item, TVIS_STATEIMAGEMASK) >> 12);
    }

    void ClickCheck(HTREEITEM item)
    {
        EXPECT_TRUE(reviewtest::ClickStateImage(Tree, item)) << "no state image left of " << TreeText(item);
    }

    std::string ListText(int row, TListColumn column)
    {
        wchar_t text[MAX_PATH] = {};
        LVITEMW item{};
        item.iSubItem = static_cast<int>(column);
        item.pszText = text;
        item.cchTextMax = MAX_PATH;
        SendMessageW(List, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        return std::string(text, text + wcslen(text));
    }

    bool ListChecked(int row)
    {
        return (SendMessageW(List, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK) >> 12) == 2;
    }

    bool Marked(const char* mask, std::size_t index) { return Selection.at(TResultRef{&Search.Results[mask], index}); }

    twstesting::TTempFolder Install{"tws review"};
    zelutils::TFileSearch Search;
    TFileFlags Selection;
    std::thread Thread;
    TfrmFileDetails* Form = nullptr;
    HWND Window = nullptr, Tabs = nullptr, Tree = nullptr, List = nullptr;
    int Result = 0;
    std::vector<AnsiString> Opened;
    std::promise<HWND> DepthDialog;
    std::promise<void> DepthApplied;
};

TEST_F(FiledetailsformWin32Test, ShowsATabPerMaskWithItsListAndTree)
{
    Show();
    EXPECT_EQ(SendMessageW(Tabs, TCM_GETITEMCOUNT, 0, 0), 3);
    // The whole of each caption reaches the controls.
    wchar_t caption[32] = {};
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = caption;
    tab.cchTextMax = 32;
    SendMessageW(Tabs, TCM_GETITEMW, 1, reinterpret_cast<LPARAM>(&tab));
    EXPECT_STREQ(caption, L"*.obj");
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = caption;
    column.cchTextMax = 32;
    SendMessageW(List, LVM_GETCOLUMNW, static_cast<WPARAM>(TListColumn::Modified), reinterpret_cast<LPARAM>(&column));
    EXPECT_STREQ(caption, L"Last Modified");
    // The resource library's images: the window's icon, the glyphs beside
    // the menu items the Qt window gives one, the tree's state images.
    EXPECT_NE(SendMessageW(Window, WM_GETICON, ICON_SMALL, 0), 0);
    for (int command : {IDM_CHECKALL, IDM_UNCHECKALL, IDM_CLOSE, IDM_EXPORTHTML}) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_BITMAP;
        ASSERT_TRUE(GetMenuItemInfoW(GetMenu(Window), static_cast<UINT>(command), FALSE, &item)) << command;
        EXPECT_EQ(item.hbmpItem, HBMMENU_CALLBACK) << command;
    }
    const auto states = reinterpret_cast<HIMAGELIST>(SendMessageW(Tree, TVM_GETIMAGELIST, TVSIL_STATE, 0));
    EXPECT_EQ(ImageList_GetImageCount(states), 4);
    EXPECT_EQ(SendMessageW(List, LVM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_NE(GetWindowLongW(List, GWL_STYLE) & LVS_OWNERDATA, 0);
    const HTREEITEM root = TreeView_GetRoot(Tree);
    EXPECT_EQ(ChildTexts(root), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(ChildTexts(ChildNamed(root, "A")), (std::vector<std::string>{"a1.obj", "a2.obj"}));

    SelectTab(2);  // *.tds
    EXPECT_EQ(SendMessageW(List, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(ListText(0, TListColumn::Name), Volume() + "B\\b.tds");
    EXPECT_EQ(ChildTexts(ChildNamed(TreeView_GetRoot(Tree), "B")), (std::vector<std::string>{"b.tds"}));
    char status[256] = {};
    SendDlgItemMessageA(Window, IDC_STATUS, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(status));
    EXPECT_EQ(std::string(status), Form->Model().ViewStatus());

    Press(IDOK);
    EXPECT_EQ(Result, IDOK);
}

TEST_F(FiledetailsformWin32Test, AFoldersCheckUnchecksItsFilesEverywhere)
{
    Show();
    const HTREEITEM root = TreeView_GetRoot(Tree);
    const HTREEITEM a = ChildNamed(root, "A");
    ClickCheck(a);
    EXPECT_EQ(TreeState(a), TNodeState::Unchecked);
    EXPECT_EQ(TreeState(root), TNodeState::PartChecked);
    EXPECT_FALSE(Marked("*.obj", 0));
    EXPECT_FALSE(Marked("*.obj", 1));
    EXPECT_TRUE(Marked("*.obj", 2));
    EXPECT_TRUE(Marked("*.tds", 0));
    // The list's checks are the same files'.
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(ListChecked(row), ListText(row, TListColumn::Name).find("\\A\\") == std::string::npos) << row;

    // A second click checks the folder again.
    ClickCheck(a);
    EXPECT_EQ(TreeState(root), TNodeState::Checked);
    EXPECT_TRUE(Marked("*.obj", 0));
    ClickCheck(a);

    Press(IDOK);
    EXPECT_FALSE(Marked("*.obj", 0));
    EXPECT_FALSE(Marked("*.obj", 1));
}

TEST_F(FiledetailsformWin32Test, TheKeyboardReachesEveryPartAndSpaceToggles)
{
    Show();
    // Tab moves from the tabs to the tree, the list and OK, and round.
    const HWND order[] = {Tabs, Tree, List, GetDlgItem(Window, IDOK), Tabs};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        EXPECT_EQ(GetNextDlgTabItem(Window, order[i], FALSE), order[i + 1]) << i;

    // Space on the list's current row toggles its file.
    LVITEMW focus{};
    focus.stateMask = focus.state = LVIS_FOCUSED | LVIS_SELECTED;
    SendMessageW(List, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&focus));
    const std::string first = ListText(0, TListColumn::Name);
    SendMessageW(List, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(List, WM_KEYUP, VK_SPACE, 0);
    EXPECT_FALSE(ListChecked(0));
    EXPECT_EQ(Form->Model().Marked(Form->Model().Rows()[0]), false);
    EXPECT_EQ(ListText(0, TListColumn::Name), first);

    // Space on a folder in the tree is a click on its check.
    const HTREEITEM b = ChildNamed(TreeView_GetRoot(Tree), "B");
    SendMessageW(Tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(b));
    SendMessageW(Tree, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(Tree, WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(TreeState(b), TNodeState::Unchecked);
    EXPECT_FALSE(Marked("*.obj", 2));
    EXPECT_FALSE(Marked("*.tds", 0));
    Press(IDOK);
}

// The key each menu item names after its tab is the key that carries out
// its command, and every key has its menu item.
TEST(FiledetailsformWin32Keys, EachMenuShortcutIsTheAcceleratorOfItsCommand)
{
    const HINSTANCE module = GetModuleHandleW(nullptr);
    const HACCEL keys = LoadAcceleratorsW(module, MAKEINTRESOURCEW(IDR_FILEDETAILS_KEYS));
    ASSERT_NE(keys, nullptr);
    std::vector<ACCEL> table(static_cast<std::size_t>(CopyAcceleratorTableW(keys, nullptr, 0)));
    CopyAcceleratorTableW(keys, table.data(), static_cast<int>(table.size()));
    const HMENU menu = LoadMenuW(module, MAKEINTRESOURCEW(IDR_FILEDETAILS_MENU));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(table.size(), 7u);
    for (const ACCEL& key : table) {
        char text[64] = {};
        ASSERT_GT(GetMenuStringA(menu, key.cmd, text, sizeof text, MF_BYCOMMAND), 0) << key.cmd;
        std::string named = "Ctrl+";
        if ((key.fVirt & FALT) != 0)
            named += "Alt+";
        named += static_cast<char>(key.key);
        const std::string item = text;
        EXPECT_EQ(item.substr(item.find('\t') + 1), named) << item;
    }
    DestroyMenu(menu);
}

TEST_F(FiledetailsformWin32Test, CheckAllAndUncheckAllTakeTheCurrentTab)
{
    Show();
    SelectTab(1);  // *.obj
    SendMessageW(Window, WM_COMMAND, IDM_UNCHECKALL, 0);
    EXPECT_FALSE(Marked("*.obj", 0));
    EXPECT_FALSE(Marked("*.obj", 2));
    EXPECT_TRUE(Marked("*.tds", 0));
    EXPECT_EQ(TreeState(TreeView_GetRoot(Tree)), TNodeState::Unchecked);
    EXPECT_FALSE(ListChecked(0));
    SendMessageW(Window, WM_COMMAND, IDM_CHECKALL, 0);
    EXPECT_TRUE(Marked("*.obj", 0));
    EXPECT_TRUE(Marked("*.obj", 2));
    EXPECT_TRUE(ListChecked(0));
    Press(IDOK);
}

TEST_F(FiledetailsformWin32Test, CheckAllKeepsTheOpenedFoldersAndTheirItemsTakeTheChecks)
{
    Show();
    const HTREEITEM c = ChildNamed(ChildNamed(TreeView_GetRoot(Tree), "B"), "C");
    const HTREEITEM leaf = ChildNamed(c, "c.obj");
    for (const auto& [command, state] :
         {std::pair{IDM_UNCHECKALL, TNodeState::Unchecked}, std::pair{IDM_CHECKALL, TNodeState::Checked}}) {
        SendMessageW(Window, WM_COMMAND, command, 0);
        // The same items, still open, with the new checks.
        EXPECT_EQ(TreeView_GetChild(Tree, c), leaf) << command;
        EXPECT_NE(TreeView_GetItemState(Tree, c, TVIS_EXPANDED) & TVIS_EXPANDED, 0u) << command;
        EXPECT_EQ(TreeState(leaf), state) << command;
        EXPECT_EQ(TreeState(c), state) << command;
        EXPECT_EQ(TreeState(TreeView_GetRoot(Tree)), state) << command;
    }
    // Another tab's tree is another: its items replace these, and back.
    SelectTab(1);  // *.obj
    EXPECT_EQ(ChildTexts(ChildNamed(TreeView_GetRoot(Tree), "B")), std::vector<std::string>{"C"});
    SelectTab(0);
    EXPECT_EQ(ChildTexts(ChildNamed(TreeView_GetRoot(Tree), "B")), (std::vector<std::string>{"b.tds", "C"}));
    Press(IDOK);
}

TEST_F(FiledetailsformWin32Test, AColumnHeaderClickSortsAndTheNextReverses)
{
    Show();
    NMLISTVIEW click{};
    click.iItem = -1;
    click.iSubItem = static_cast<int>(TListColumn::Size);
    Notify(List, LVN_COLUMNCLICK, &click.hdr);
    EXPECT_EQ(ListText(0, TListColumn::Name), Volume() + "B\\b.tds");
    EXPECT_EQ(ListText(3, TListColumn::Name), Volume() + "B\\C\\c.obj");
    HDITEMW header{};
    header.mask = HDI_FORMAT;
    SendMessageW(ListView_GetHeader(List), HDM_GETITEMW, 1, reinterpret_cast<LPARAM>(&header));
    EXPECT_NE(header.fmt & HDF_SORTUP, 0);

    Notify(List, LVN_COLUMNCLICK, &click.hdr);
    EXPECT_EQ(ListText(0, TListColumn::Name), Volume() + "B\\C\\c.obj");
    SendMessageW(ListView_GetHeader(List), HDM_GETITEMW, 1, reinterpret_cast<LPARAM>(&header));
    EXPECT_NE(header.fmt & HDF_SORTDOWN, 0);
    Press(IDOK);
}

TEST_F(FiledetailsformWin32Test, TheFolderDepthDialogSetsTheTreesDepth)
{
    Show();
    std::future<HWND> shown = DepthDialog.get_future();
    std::future<void> applied = DepthApplied.get_future();
    // As Ctrl+F: the dialog is modal on the window's thread.
    PostMessageW(Window, WM_COMMAND, IDM_FOLDERDEPTH, 0);
    ASSERT_EQ(shown.wait_for(kPatience), std::future_status::ready);
    const HWND dialog = shown.get();
    char text[16] = {};
    GetDlgItemTextA(dialog, IDC_DEPTH, text, sizeof text);
    EXPECT_STREQ(text, "0");
    SendDlgItemMessageA(dialog, IDC_DEPTH, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("1"));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    ASSERT_EQ(applied.wait_for(kPatience), std::future_status::ready);

    EXPECT_EQ(Form->Model().FolderDepth(), 1);
    EXPECT_EQ(ChildTexts(ChildNamed(TreeView_GetRoot(Tree), "B")), (std::vector<std::string>{"b.tds", "C\\c.obj"}));
    Press(IDOK);
}

TEST_F(FiledetailsformWin32Test, ExportWritesTheReportAndOpensIt)
{
    Show();
    SendMessageW(Window, WM_COMMAND, IDM_EXPORTHTML, 0);
    const std::filesystem::path report = Install / "chosen.html";
    ASSERT_EQ(Opened, std::vector<AnsiString>{report.string()});
    EXPECT_NE(twstesting::ReadFile(report).find("a1.obj"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(Install / "Reports"));
    Press(IDCANCEL);
    EXPECT_EQ(Result, IDCANCEL);
}

}  // namespace
}  // namespace tidewash

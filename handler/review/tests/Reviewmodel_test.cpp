// The review model without a toolkit, on hand-made results: tabs, the
// tree and its folder depth, the checks in both views, ordering, totals and
// the search report. Built on every platform.
#include "Reviewmodel.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ReviewTesting.h"
#include "SysUtils.hpp"
#include "TempFolder.h"

namespace tidewash {
namespace {

using reviewtest::AddResult;

// The fixture's tree of all masks with every file checked, at folder
// depths 0 and 1.
const char* const kAllChecked =
    "[x] /vol/\n"
    "  [x] lib\n"
    "    [x] c.obj\n"
    "  [x] src\n"
    "    [x] a\n"
    "      [x] b.obj\n"
    "    [x] A.obj\n"
    "    [x] unit.~pas\n";
const char* const kAllCheckedAtDepth1 =
    "[x] /vol/\n"
    "  [x] lib\n"
    "    [x] c.obj\n"
    "  [x] src\n"
    "    [x] A.obj\n"
    "    [x] a/b.obj\n"
    "    [x] unit.~pas\n";

class ReviewmodelTest : public ::testing::Test {
protected:
    ReviewmodelTest()
    {
        // Days since 1899-12-30: 45000 is in 2023.
        AddResult(Search, "*.obj", "/vol/src/a/", "b.obj", 2048, 45000, 45010);
        AddResult(Search, "*.obj", "/vol/src/", "A.obj", 100, 45005, 45001);
        AddResult(Search, "*.obj", "/vol/lib/", "c.obj", 3000, 45002, 45020);
        AddResult(Search, "*.~*", "/vol/src/", "unit.~pas", 10, 45003, 45003);
        Selection = reviewtest::SelectAll(Search);
    }

    TResultRef Ref(const char* mask, std::size_t index) { return TResultRef{&Search.Results[mask], index}; }

    // A model on tab with the reasons the handler gives it: files the
    // settings keep and files left unmarked, none of them marked.
    std::unique_ptr<TReviewModel> ModelWithReasons(const TFileReasons& kept, const TFileReasons& unselected,
                                                   const AnsiString& tab)
    {
        for (const TFileReasons* reasons : {&kept, &unselected})
            for (const auto& [ref, reason] : *reasons)
                Selection[ref] = false;
        auto model = std::make_unique<TReviewModel>("/vol/", Search, Selection, &unselected);
        model->KeptBySettings = &kept;
        model->ShowTab(tab);
        model->BuildTree();
        return model;
    }

    // The list's names in row order (the name column without the path).
    std::vector<std::string> ListedNames(const TReviewModel& model)
    {
        std::vector<std::string> names;
        for (const TViewItem* item : model.Rows())
            names.push_back(item->Ref->Name);
        return names;
    }

    // The tree as text: each node's text indented by its depth, children
    // in their order, with its check.
    std::string Tree(const TReviewModel& model, int node = 0, int depth = 0)
    {
        const auto& n = model.Nodes()[static_cast<std::size_t>(node)];
        static const char* const marks[] = {"", "[ ]", "[x]", "[-]"};
        std::string out = std::string(2 * depth, ' ') + marks[static_cast<int>(n.State)] + " " + n.Text + "\n";
        for (int child : n.Children)
            out += Tree(model, child, depth + 1);
        return out;
    }

    int NodeNamed(const TReviewModel& model, const std::string& text)
    {
        for (std::size_t i = 0; i < model.Nodes().size(); ++i)
            if (model.Nodes()[i].Text == text)
                return static_cast<int>(i);
        ADD_FAILURE() << "no node " << text;
        return 0;
    }

    TNodeState NodeState(const TReviewModel& model, const std::string& text)
    {
        return model.Nodes()[static_cast<std::size_t>(NodeNamed(model, text))].State;
    }

    // A click on a node's check, and what it leaves: the checks of a
    // folder and of the volume, and whether a file is marked.
    struct TClick {
        const char* Node;
        TNodeState Folder;
        TNodeState Root;
        bool Marked;
    };

    // Makes the clicks in turn; after each, also checks what stays the
    // same whatever is clicked.
    void ExpectClicks(TReviewModel& model, const std::string& folder, const TResultRef& file,
                      const std::vector<TClick>& clicks, const std::function<void(const char* node)>& unchanged = {})
    {
        for (const TClick& c : clicks) {
            model.ClickNode(NodeNamed(model, c.Node));
            EXPECT_EQ(NodeState(model, folder), c.Folder) << c.Node;
            EXPECT_EQ(model.Nodes()[0].State, c.Root) << c.Node;
            EXPECT_EQ(Selection[file], c.Marked) << c.Node;
            if (unchanged)
                unchanged(c.Node);
        }
    }

    zelutils::TFileSearch Search;
    TFileFlags Selection;
};

TEST_F(ReviewmodelTest, TabsListTheirMasksFilesAndAllMasksListsEachFileOnce)
{
    AddResult(Search, "*.~pas", "/vol/src/", "unit.~pas", 10);
    Selection = reviewtest::SelectAll(Search);
    const TFileAliases aliases{{Ref("*.~pas", 0), Ref("*.~*", 0)}};
    TReviewModel model("/vol/", Search, Selection, nullptr);
    model.Aliases = &aliases;
    EXPECT_EQ(model.Tabs(), (std::vector<AnsiString>{"*.*", "*.obj", "*.~*", "*.~pas"}));

    const struct {
        const char* Tab;
        std::vector<std::string> Names;
    } cases[] = {
        {"*.*", {"b.obj", "A.obj", "c.obj", "unit.~pas"}},
        {"*.obj", {"b.obj", "A.obj", "c.obj"}},
        {"*.~pas", {"unit.~pas"}},
    };
    for (const auto& c : cases) {
        model.ShowTab(c.Tab);
        EXPECT_EQ(ListedNames(model), c.Names) << c.Tab;
    }
}

TEST_F(ReviewmodelTest, TheTreeSortsByTextAndFolderDepthMovesFoldersIntoTheLeaf)
{
    TReviewModel model("/vol/", Search, Selection, nullptr);
    model.ShowTab(kAllMasksTab);
    const struct {
        int Depth;
        const char* Tree;
    } cases[] = {
        {0, kAllChecked},
        {1, kAllCheckedAtDepth1},
    };
    for (const auto& c : cases) {
        model.SetFolderDepth(c.Depth);
        model.BuildTree();
        EXPECT_EQ(Tree(model), c.Tree) << "depth " << c.Depth;
    }
    EXPECT_EQ(model.NodePath(NodeNamed(model, "a/b.obj")), "/vol/src/a/b.obj");
    // The file's own folder, not its node's parent (src), without the
    // platform's trailing separator.
    EXPECT_EQ(model.ContainingFolder(NodeNamed(model, "a/b.obj")), ExcludeTrailingPathDelimiter("/vol/src/a/"));
    EXPECT_EQ(model.ContainingFolder(NodeNamed(model, "src")), "");
}

TEST_F(ReviewmodelTest, ATabShownAgainHasItsTreeAsBuiltAfreshWithTheChecksMadeMeanwhile)
{
    // What is done on *.obj after all masks were shown, and the tree of all
    // masks shown again; whether that tree is the one kept (a new folder
    // depth builds anew).
    const struct {
        const char* What;
        std::function<void(TReviewModel&)> OnObj;
        const char* AllTree;
        bool Kept;
    } cases[] = {
        {"nothing", [](TReviewModel&) {}, kAllChecked, true},
        {"a file's check", [](TReviewModel& m) { m.Toggle(m.Rows()[1]); },  // A.obj
         "[-] /vol/\n"
         "  [x] lib\n"
         "    [x] c.obj\n"
         "  [-] src\n"
         "    [x] a\n"
         "      [x] b.obj\n"
         "    [ ] A.obj\n"
         "    [x] unit.~pas\n",
         true},
        {"a folder's check", [this](TReviewModel& m) { m.ClickNode(NodeNamed(m, "lib")); },
         "[-] /vol/\n"
         "  [ ] lib\n"
         "    [ ] c.obj\n"
         "  [x] src\n"
         "    [x] a\n"
         "      [x] b.obj\n"
         "    [x] A.obj\n"
         "    [x] unit.~pas\n",
         true},
        {"uncheck all",
         [](TReviewModel& m) {
             m.SetAll(false);
             m.BuildTree();
         },
         "[-] /vol/\n"
         "  [ ] lib\n"
         "    [ ] c.obj\n"
         "  [-] src\n"
         "    [ ] a\n"
         "      [ ] b.obj\n"
         "    [ ] A.obj\n"
         "    [x] unit.~pas\n",
         true},
        {"a folder depth",
         [](TReviewModel& m) {
             m.SetFolderDepth(1);
             m.BuildTree();
         },
         kAllCheckedAtDepth1, false},
        {"a sort", [](TReviewModel& m) { m.SortList(TListColumn::Size); }, kAllChecked, true},
        {"a sort, then a folder depth and back",
         [](TReviewModel& m) {
             m.SortList(TListColumn::Size);
             m.SetFolderDepth(1);
             m.BuildTree();
             m.SetFolderDepth(0);
             m.BuildTree();
         },
         kAllChecked, false},
    };
    for (const auto& c : cases) {
        Selection = reviewtest::SelectAll(Search);
        TReviewModel model("/vol/", Search, Selection, nullptr);
        model.ShowTab(kAllMasksTab);
        model.BuildTree();
        const TReviewModel::TNode* const allNodes = model.Nodes().data();
        model.ShowTab("*.obj");
        model.BuildTree();
        c.OnObj(model);
        model.ShowTab(kAllMasksTab);
        model.BuildTree();
        EXPECT_EQ(Tree(model), c.AllTree) << c.What;
        EXPECT_EQ(model.Nodes().data() == allNodes, c.Kept) << c.What;
        // The list in search order again, each row found in both views.
        EXPECT_EQ(ListedNames(model), (std::vector<std::string>{"b.obj", "A.obj", "c.obj", "unit.~pas"})) << c.What;
        for (std::size_t r = 0; r < model.Rows().size(); ++r) {
            EXPECT_EQ(model.RowOf(model.Rows()[r]), static_cast<int>(r)) << c.What;
            EXPECT_EQ(model.Nodes()[static_cast<std::size_t>(model.NodeOf(model.Rows()[r]))].Item, model.Rows()[r])
                << c.What;
        }

        // A check on all masks reaches the tree *.obj kept: it reads as one
        // built afresh.
        TViewItem* const b = model.Rows()[0];
        const TNodeState before = model.Nodes()[static_cast<std::size_t>(model.NodeOf(b))].State;
        model.Toggle(b);
        model.ShowTab("*.obj");
        model.BuildTree();
        TReviewModel fresh("/vol/", Search, Selection, nullptr);
        fresh.SetFolderDepth(model.FolderDepth());
        fresh.ShowTab("*.obj");
        fresh.BuildTree();
        EXPECT_EQ(Tree(model), Tree(fresh)) << c.What;
        EXPECT_NE(model.Nodes()[static_cast<std::size_t>(model.NodeOf(b))].State, before) << c.What;
    }
}

TEST_F(ReviewmodelTest, TheTreeIsCurrentUntilAnotherTabOrFolderDepthAsksForAnother)
{
    // Done after all masks were shown and their tree built: whether the
    // next BuildTree keeps the nodes.
    const struct {
        const char* What;
        std::function<void(TReviewModel&)> Act;
        bool Current;
    } cases[] = {
        {"nothing", [](TReviewModel&) {}, true},
        {"uncheck all", [](TReviewModel& m) { m.SetAll(false); }, true},
        {"a sort", [](TReviewModel& m) { m.SortList(TListColumn::Name); }, true},
        {"the same folder depth", [](TReviewModel& m) { m.SetFolderDepth(0); }, true},
        {"another folder depth", [](TReviewModel& m) { m.SetFolderDepth(2); }, false},
        {"another tab", [](TReviewModel& m) { m.ShowTab("*.obj"); }, false},
        {"another tab and back",
         [](TReviewModel& m) {
             m.ShowTab("*.obj");
             m.ShowTab(kAllMasksTab);
         },
         true},
    };
    for (const auto& c : cases) {
        TReviewModel model("/vol/", Search, Selection, nullptr);
        EXPECT_FALSE(model.TreeIsCurrent()) << "before any tree";
        model.ShowTab(kAllMasksTab);
        model.BuildTree();
        c.Act(model);
        EXPECT_EQ(model.TreeIsCurrent(), c.Current) << c.What;
        model.BuildTree();
        EXPECT_TRUE(model.TreeIsCurrent()) << c.What;
    }
}

TEST_F(ReviewmodelTest, ChecksReachTheSelectionAndBothViewsAndFoldersAreTriState)
{
    TReviewModel model("/vol/", Search, Selection, nullptr);
    std::vector<int> rows, nodes;
    model.RowChanged = [&](int row) { rows.push_back(row); };
    model.NodeChanged = [&](int node) { nodes.push_back(node); };
    model.ShowTab(kAllMasksTab);
    model.BuildTree();

    // Unchecking one file of src: src and the root are part checked.
    model.Toggle(model.Rows()[1]);  // A.obj
    EXPECT_FALSE(Selection[Ref("*.obj", 1)]);
    EXPECT_EQ(rows, std::vector<int>{1});
    EXPECT_EQ(NodeState(model, "src"), TNodeState::PartChecked);
    EXPECT_EQ(model.Nodes()[0].State, TNodeState::PartChecked);
    EXPECT_EQ(nodes, (std::vector<int>{NodeNamed(model, "A.obj"), NodeNamed(model, "src"), 0}));

    // A part-checked folder's click checks all below it, a checked one's
    // unchecks all; a file's click toggles it.
    // Rows: the node clicked; then src, the volume, and A.obj marked.
    ExpectClicks(model, "src", Ref("*.obj", 1),
                 {
                     {"src", TNodeState::Checked, TNodeState::Checked, true},
                     {"src", TNodeState::Unchecked, TNodeState::PartChecked, false},
                     {"A.obj", TNodeState::PartChecked, TNodeState::PartChecked, true},
                     {"/vol/", TNodeState::Checked, TNodeState::Checked, true},
                     {"/vol/", TNodeState::Unchecked, TNodeState::Unchecked, false},
                 });
    model.SetAll(true);
    for (const auto& [ref, selected] : Selection)
        EXPECT_TRUE(selected) << ref->Name;
}

TEST_F(ReviewmodelTest, AFileTheSettingsKeepShowsWhyAndIsNeverChecked)
{
    const TFileReasons kept{{Ref("*.obj", 2), "hidden"}};
    const TFileReasons unselected{{Ref("*.obj", 0), "linked by Unit.pas"}};
    const auto owned = ModelWithReasons(kept, unselected, "*.obj");
    TReviewModel& model = *owned;
    TViewItem* c = model.Rows()[2];
    model.Toggle(c);
    model.SetAll(true);
    EXPECT_FALSE(Selection[Ref("*.obj", 2)]);
    EXPECT_EQ(model.CellText(2, TListColumn::Name), "/vol/lib/c.obj");
    EXPECT_EQ(model.CellText(2, TListColumn::Reason), "hidden");
    EXPECT_EQ(model.NodeText(model.NodeOf(c)), "c.obj  (hidden)");
    EXPECT_EQ(model.ReasonOf(c), "hidden");
    EXPECT_EQ(model.ReasonOf(model.Rows()[0]), "linked by Unit.pas");
    EXPECT_EQ(model.ReasonOf(model.Rows()[1]), "");
}

TEST_F(ReviewmodelTest, AFolderHoldingAKeptFileNeverShowsItChecked)
{
    // c.obj in lib is hidden: checking lib or the volume leaves it
    // unchecked and the folders part checked; the next click unchecks.
    const TFileReasons kept{{Ref("*.obj", 2), "hidden"}};
    AddResult(Search, "*.obj", "/vol/lib/", "d.obj", 10, 45002, 45020);
    Selection = reviewtest::SelectAll(Search);
    Selection[Ref("*.obj", 2)] = false;
    TReviewModel model("/vol/", Search, Selection, nullptr);
    model.KeptBySettings = &kept;
    model.ShowTab("*.obj");
    model.BuildTree();
    // Rows: the node clicked; then lib, the volume, and d.obj marked.
    ExpectClicks(model, "lib", Ref("*.obj", 3),
                 {
                     {"lib", TNodeState::Unchecked, TNodeState::PartChecked, false},
                     {"lib", TNodeState::PartChecked, TNodeState::PartChecked, true},
                     {"/vol/", TNodeState::Unchecked, TNodeState::Unchecked, false},
                     {"/vol/", TNodeState::PartChecked, TNodeState::PartChecked, true},
                     {"d.obj", TNodeState::Unchecked, TNodeState::PartChecked, false},
                 },
                 [&](const char* node) {
                     EXPECT_EQ(NodeState(model, "c.obj"), TNodeState::Unchecked) << node;
                     EXPECT_FALSE(Selection[Ref("*.obj", 2)]) << node;
                 });
}

TEST_F(ReviewmodelTest, SortingByEachColumnAndBackAgain)
{
    TReviewModel model("/vol/", Search, Selection, nullptr);
    model.ShowTab(kAllMasksTab);
    model.BuildTree();
    const struct {
        TListColumn Column;
        bool FullPath;
        std::vector<std::string> Names;
    } clicks[] = {
        {TListColumn::Name, true, {"c.obj", "A.obj", "b.obj", "unit.~pas"}},      // lib < src/A.obj < src/a/
        {TListColumn::Name, true, {"unit.~pas", "b.obj", "A.obj", "c.obj"}},      // again: descending
        {TListColumn::Name, false, {"A.obj", "b.obj", "c.obj", "unit.~pas"}},     // names only, case ignored
        {TListColumn::Size, false, {"unit.~pas", "A.obj", "b.obj", "c.obj"}},     // by value, not by text
        {TListColumn::Size, false, {"c.obj", "b.obj", "A.obj", "unit.~pas"}},
        {TListColumn::Created, false, {"b.obj", "c.obj", "unit.~pas", "A.obj"}},
        {TListColumn::Modified, false, {"A.obj", "unit.~pas", "b.obj", "c.obj"}},
    };
    bool lastFull = true;
    for (const auto& c : clicks) {
        if (c.FullPath != lastFull) {
            // Changing what the name shows starts the column afresh.
            model.FullPath = c.FullPath;
            model.SortList(TListColumn::Size);
            lastFull = c.FullPath;
        }
        model.SortList(c.Column);
        EXPECT_EQ(ListedNames(model), c.Names) << static_cast<int>(c.Column);
        // The rows are found where they now are, for the views' redraws.
        for (std::size_t r = 0; r < model.Rows().size(); ++r)
            EXPECT_EQ(model.RowOf(model.Rows()[r]), static_cast<int>(r));
    }
}

// What each cell of a row reads: the defined columns, sizes as the status
// line shows bytes, and why a file is kept or left unselected.
TEST_F(ReviewmodelTest, EachColumnReadsAsTheStatusLineAndTheReasonComesLast)
{
    AddResult(Search, "*.obj", "/vol/big/", "huge.obj", 1862730, 45000.25, 45001.75);
    Selection = reviewtest::SelectAll(Search);
    const TFileReasons kept{{Ref("*.obj", 2), "kept: hidden"}};
    const TFileReasons unselected{{Ref("*.obj", 3), "linked by Unit.pas"}};
    TReviewModel model("/vol/", Search, Selection, &unselected);
    model.KeptBySettings = &kept;
    model.ShowTab("*.obj");
    const struct {
        int Row;
        TListColumn Column;
        AnsiString Text;
    } cells[] = {
        {3, TListColumn::Name, "/vol/big/huge.obj"},
        {3, TListColumn::Size, "1.78 MB"},
        {0, TListColumn::Size, "2.00 KB"},
        {1, TListColumn::Size, "100.00 Bytes"},
        {3, TListColumn::Created, DateTimeToStr(45000.25)},
        {3, TListColumn::Modified, DateTimeToStr(45001.75)},
        {3, TListColumn::Reason, "linked by Unit.pas"},
        {2, TListColumn::Reason, "kept: hidden"},
        {0, TListColumn::Reason, ""},
    };
    for (const auto& c : cells)
        EXPECT_EQ(model.CellText(c.Row, c.Column), c.Text) << c.Row << " column " << static_cast<int>(c.Column);
    const char* const titles[] = {"Name", "Size", "Created", "Last Modified", "Reason"};
    for (int c = 0; c < kListColumns; ++c)
        EXPECT_STREQ(TReviewModel::ColumnTitle(static_cast<TListColumn>(c)), titles[c]);

    // Sizes sort by the bytes, not by the text shown ("100.00 Bytes" would
    // come after "1.78 MB"); reasons by their text, files without first.
    const struct {
        TListColumn Column;
        std::vector<std::string> Names;
    } sorts[] = {
        {TListColumn::Size, {"A.obj", "b.obj", "c.obj", "huge.obj"}},
        {TListColumn::Reason, {"A.obj", "b.obj", "c.obj", "huge.obj"}},
        {TListColumn::Reason, {"huge.obj", "c.obj", "A.obj", "b.obj"}},
    };
    for (const auto& s : sorts) {
        model.SortList(s.Column);
        EXPECT_EQ(ListedNames(model), s.Names) << static_cast<int>(s.Column);
    }
}

TEST_F(ReviewmodelTest, TotalsCountTheListedAndTheMarkedFiles)
{
    Search.UnreadableFolders = 2;
    TReviewModel model("/vol/", Search, Selection, nullptr);
    model.ShowTab("*.obj");
    model.BuildTree();
    model.Toggle(model.Rows()[2]);  // c.obj, 3000 bytes
    const TReviewModel::TTotals totals = model.ListTotals();
    EXPECT_EQ(totals.Files, 3u);
    EXPECT_EQ(totals.MarkedFiles, 2u);
    EXPECT_EQ(totals.Bytes, 5148.0);
    EXPECT_EQ(totals.MarkedBytes, 2148.0);
    EXPECT_EQ(model.ViewStatus(), " Current View: 2 (2.10 KB) of 3 (5.03 KB)");
    EXPECT_EQ(model.TotalsStatus(), " Total: 3 (5.03 KB)  :  1KB = 1024 bytes  :  2 folders could not be read");
}

TEST_F(ReviewmodelTest, TheSearchReportListsEachFileByItsMarkAndWhyOneIsExcluded)
{
    const TFileReasons kept{{Ref("*.~*", 0), "kept: hidden"}};
    const TFileReasons unselected{{Ref("*.obj", 2), "linked by Unit.pas"}};
    const auto owned = ModelWithReasons(kept, unselected, kAllMasksTab);
    TReviewModel& model = *owned;
    model.Toggle(model.Rows()[1]);  // A.obj
    twstesting::TTempFolder folder("review");
    const std::string file = (folder / "FileSearch.html").string();
    model.WriteSearchReport(file);
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    const std::string page = text.str();
    const auto excluded = page.rfind("Files excluded from deletion");
    ASSERT_NE(excluded, std::string::npos);
    EXPECT_LT(page.find("/vol/src/a/b.obj"), excluded);
    const struct {
        const char* Row;
    } rows[] = {
        {"/vol/src/A.obj&nbsp;&nbsp;(unchecked)"},
        {"/vol/lib/c.obj&nbsp;&nbsp;(linked by Unit.pas)"},
        {"/vol/src/unit.~pas&nbsp;&nbsp;(kept: hidden)"},
    };
    for (const auto& r : rows)
        EXPECT_GT(page.find(r.Row), excluded) << r.Row;
}

}  // namespace
}  // namespace tidewash

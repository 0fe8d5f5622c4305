// TReviewModel: what the review window shows and does, without a toolkit.
// The tabs (all masks together, then each mask that found files), the list
// of the current tab and its ordering, the folder tree with its folder
// depth, the checks kept in step in both (a folder's check is tri-state),
// what each row and node reads, and the totals. A view draws it and hands
// it the user's clicks; the model tells the view which list rows and tree
// nodes changed (RowChanged, NodeChanged) and the view redraws those.
//
// Every change of a check goes straight into the handler's selection
// table, so the next statistics or purge see it. The model owns neither
// the results nor the table; both must outlive it.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "Resultmodel.h"
#include "Viewtypes.h"
#include "Zelfilesearch.h"

namespace tidewash {

// The first tab: every mask's files together, each file once.
inline const char* const kAllMasksTab = "*.*";

class TReviewModel {
public:
    // One node of the folder tree: 0 is the root (the volume), then the
    // folders and one leaf per listed file. Children always come after
    // their parent; Row is the place among the parent's children, which
    // are in the order of their texts.
    struct TNode {
        int Parent = -1;
        int Row = 0;
        std::vector<int> Children;
        AnsiString Text;
        TViewItem* Item = nullptr;  // null for folders and the root
        TNodeState State = TNodeState::Checked;
    };

    // reasons (may be null) says why the scan left files unselected.
    TReviewModel(const AnsiString& volume, zelutils::TFileSearch& searcher, TFileFlags& selection,
                 const TFileReasons* reasons);

    // Set before the first tab is shown, when the scan has them (may stay
    // null): files found again under another mask -> their first finding,
    // listed once under all masks together and sharing its mark; and the
    // files the settings keep whatever their mark (hidden, read-only), with
    // the reason, shown unchecked with it and never checked.
    const TFileAliases* Aliases = nullptr;
    const TFileReasons* KeptBySettings = nullptr;

    // The view's redraws. Both may stay empty.
    std::function<void(int row)> RowChanged;
    std::function<void(int node)> NodeChanged;
    // Called every so many files while the tree is built, with the files
    // placed so far and their number: a view may show progress and let its
    // window paint.
    std::function<void(int done, int total)> TreeProgress;

    // ---- tabs and list ------------------------------------------------------
    // kAllMasksTab, then each mask with results, in the searcher's order.
    std::vector<AnsiString> Tabs() const;
    // Lists the files of tab (kAllMasksTab: all, each file once), in search
    // order. The tree is built by BuildTree. A tab shown before lists what
    // it listed then, without going through the results again.
    void ShowTab(const AnsiString& tab);
    const std::vector<TViewItem*>& Rows() const { return FRows; }
    // The item's row in the list, -1 when it is not listed.
    int RowOf(const TViewItem* item) const;
    // The name column shows the full path, or only the name.
    bool FullPath = true;
    // What a list cell reads. A size in the byte display of the status line
    // ("1.78 MB"; sorting still goes by the bytes); why a file is kept or
    // left unselected in the Reason column after the defined ones.
    AnsiString CellText(int row, TListColumn column) const;
    // The column headers.
    static const char* ColumnTitle(TListColumn column);
    // As a click on the column's header: the first click on a column sorts
    // ascending, the next on the same column descending, and so on.
    void SortList(TListColumn column);
    std::optional<TListColumn> SortColumn() const { return FSortColumn; }
    bool SortAscending() const { return FSortAscending; }

    // ---- tree ---------------------------------------------------------------
    // Folders below this depth are shown in the leaf's text; 0 = all
    // folders. Takes effect at the next BuildTree.
    void SetFolderDepth(int depth) { FFolderDepth = depth < 0 ? 0 : depth; }
    int FolderDepth() const { return FFolderDepth; }
    // Makes Nodes() the tree of the listed files, in search order whatever
    // the list's ordering. A tab's tree is kept when another tab is shown
    // and taken up again when its tab comes back at the same folder depth,
    // its checks brought up to date with the files' marks; a new folder
    // depth builds afresh. The nodes stay as they were until the new ones
    // are in place (TreeProgress may paint them).
    void BuildTree();
    // Whether BuildTree would keep Nodes() as they are (built for the shown
    // tab at this folder depth), only bringing their checks up to date: a
    // view then redraws the checks and keeps its opened folders.
    bool TreeIsCurrent() const { return FTreeTab == FShownTab && FTreeDepth == FFolderDepth; }
    const std::vector<TNode>& Nodes() const { return FNodes; }
    // The item's leaf, -1 when it is not in the tree.
    int NodeOf(const TViewItem* item) const;
    // What a node reads: a file the settings keep says so.
    AnsiString NodeText(int node) const;
    // The path a node stands for (volume, folders, leaf).
    AnsiString NodePath(int node) const;
    // The folder a file's node is in, on disk: below a folder depth the leaf
    // holds folders of its own. Empty for a folder's node.
    AnsiString ContainingFolder(int node) const;

    // ---- checks -------------------------------------------------------------
    bool Marked(const TViewItem* item) const { return item->Flag != nullptr && *item->Flag; }
    // Flips one file's mark, in the list and the tree.
    void Toggle(TViewItem* item);
    // A click on a folder's check: checked becomes unchecked, anything else
    // checked, with every file below it. On a file's node, Toggle.
    void ClickNode(int node);
    // Marks or unmarks every listed file; the view redraws the list and
    // the tree is built again (BuildTree).
    void SetAll(bool marked);
    // Kept or left unselected: why (empty when neither).
    AnsiString ReasonOf(const TViewItem* item) const;
    // Why the settings keep it, or empty.
    AnsiString KeptReasonOf(const TViewItem* item) const;

    // ---- totals and report --------------------------------------------------
    struct TTotals {
        std::size_t Files = 0;
        std::size_t MarkedFiles = 0;
        double Bytes = 0;
        double MarkedBytes = 0;
    };
    TTotals ListTotals() const;
    // " Current View: 2 (1.00 KB) of 3 (1.50 KB)"
    AnsiString ViewStatus() const;
    // " Total: 3 (1.50 KB)  :  1KB = 1024 bytes", and the folders the scan
    // could not read.
    AnsiString TotalsStatus() const;
    // Writes the search report (every file, by its mark) to fileName.
    // Errors propagate.
    void WriteSearchReport(const AnsiString& fileName) const;

private:
    // What a tab listed in search order and, once built and while the tab
    // is not the tree's, its tree at a folder depth (Depth -1: none).
    struct TTabView {
        bool Listed = false;
        std::vector<TViewItem*> Rows;
        std::vector<TNode> Nodes;
        int Depth = -1;
    };

    std::vector<TViewItem*> ListTab(const AnsiString& tab);
    std::vector<TNode> TreeOf(const std::vector<TViewItem*>& rows) const;
    // Each node's check from the files' marks: leaves as their file, then
    // the folders bottom-up; Reported: with TreeProgress, as a build.
    enum class TProgress { Quiet, Reported };
    void SetStates(std::vector<TNode>& nodes, TProgress progress) const;
    TViewItem* ViewItemOf(const TResultRef& ref, std::vector<TViewItem*>& ofGroup);
    TResultRef EntryOf(const TResultRef& ref) const;
    void SetMarked(TViewItem* item, bool marked);
    void SetFolder(int node, TNodeState state);
    // Whether every file below node that a check can select is checked.
    bool AllCheckableMarked(int node) const;
    void UpdateAncestors(int node);
    void NotifyRow(int row) const;
    void NotifyNode(int node) const;

    AnsiString FVolume;
    zelutils::TFileSearch& FSearcher;
    TFileFlags& FSelection;
    const TFileReasons* FReasons;
    std::deque<TViewItem> FViewItems;
    // Per group, the view item of each position (null until listed).
    std::map<const zelutils::TSearchResults*, std::vector<TViewItem*>> FViewItemOf;
    std::vector<TViewItem*> FRows;
    std::vector<TNode> FNodes;
    std::map<AnsiString, TTabView> FTabViews;
    // The tab of Rows(), and the tab and folder depth of Nodes() (-1 until
    // the first BuildTree): the tree follows the list at BuildTree.
    AnsiString FShownTab;
    AnsiString FTreeTab;
    int FTreeDepth = -1;
    // View item id -> list row / tree node, -1 when not in the current views.
    std::vector<int> FRowOf;
    std::vector<int> FNodeOf;
    int FFolderDepth = 0;
    // None until a column is clicked: the first click on any column sorts
    // ascending.
    std::optional<TListColumn> FSortColumn;
    bool FSortAscending = true;
};

}  // namespace tidewash

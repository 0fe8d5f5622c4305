#include "Reviewmodel.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "Htmlreport.h"
#include "SysUtils.hpp"

namespace tidewash {

namespace {

// The tree's builder reports progress every this many files.
constexpr int kFilesPerProgress = 10;

AnsiString ReasonIn(const TFileReasons* reasons, const TResultRef& entry)
{
    if (reasons == nullptr)
        return {};
    const auto it = reasons->find(entry);
    return it == reasons->end() ? AnsiString() : it->second;
}

AnsiString Bytes(double bytes)
{
    const TByteDisplay shown = DisplayBytes(bytes);
    return shown.Size + " " + shown.Unit;
}

}  // namespace

TReviewModel::TReviewModel(const AnsiString& volume, zelutils::TFileSearch& searcher, TFileFlags& selection,
                           const TFileReasons* reasons)
    : FVolume(volume), FSearcher(searcher), FSelection(selection), FReasons(reasons)
{
    // The root shows the volume from the start.
    FNodes.resize(1);
    FNodes[0].Text = FVolume;
}

std::vector<AnsiString> TReviewModel::Tabs() const
{
    std::vector<AnsiString> tabs{kAllMasksTab};
    for (const auto& [mask, results] : FSearcher.Results)
        if (!results.empty() && mask != kAllMasksTab)
            tabs.push_back(mask);
    return tabs;
}

TResultRef TReviewModel::EntryOf(const TResultRef& ref) const
{
    return Aliases == nullptr ? ref : FirstFinding(*Aliases, ref);
}

TViewItem* TReviewModel::ViewItemOf(const TResultRef& ref, std::vector<TViewItem*>& ofGroup)
{
    if (ofGroup.size() <= ref.Index)
        ofGroup.resize(ref.Group->size(), nullptr);
    TViewItem*& item = ofGroup[ref.Index];
    if (item == nullptr) {
        const auto entry = FSelection.find(EntryOf(ref));
        FViewItems.push_back(TViewItem{ref, static_cast<int>(FViewItems.size()),
                                       entry == FSelection.end() ? nullptr : &entry->second});
        item = &FViewItems.back();
    }
    return item;
}

std::vector<TViewItem*> TReviewModel::ListTab(const AnsiString& tab)
{
    const bool all = tab == kAllMasksTab;
    std::vector<TViewItem*> rows;
    for (const auto& [mask, results] : FSearcher.Results) {
        if (!all && mask != tab)
            continue;
        std::vector<TViewItem*>& ofGroup = FViewItemOf[&results];
        for (std::size_t i = 0; i < results.size(); ++i) {
            const TResultRef ref{&results, i};
            // All masks together list a file once, however many found it.
            if (all && Aliases != nullptr && Aliases->count(ref) > 0)
                continue;
            rows.push_back(ViewItemOf(ref, ofGroup));
        }
    }
    return rows;
}

void TReviewModel::ShowTab(const AnsiString& tab)
{
    TTabView& view = FTabViews[tab];
    if (!view.Listed) {
        view.Rows = ListTab(tab);
        view.Listed = true;
    }
    FRows = view.Rows;
    FShownTab = tab;
    FRowOf.assign(FViewItems.size(), -1);
    for (std::size_t r = 0; r < FRows.size(); ++r)
        FRowOf[static_cast<std::size_t>(FRows[r]->Id)] = static_cast<int>(r);
}

int TReviewModel::RowOf(const TViewItem* item) const
{
    const auto id = static_cast<std::size_t>(item->Id);
    return id < FRowOf.size() ? FRowOf[id] : -1;
}

int TReviewModel::NodeOf(const TViewItem* item) const
{
    const auto id = static_cast<std::size_t>(item->Id);
    return id < FNodeOf.size() ? FNodeOf[id] : -1;
}

AnsiString TReviewModel::CellText(int row, TListColumn column) const
{
    const TViewItem* item = FRows[static_cast<std::size_t>(row)];
    const zelutils::TSearchResult& r = *item->Ref;
    switch (column) {
    case TListColumn::Name:
        // Only the name: a reason after it would take the place the file
        // name needs when a long path is shortened; it has its column.
        return FullPath ? r.GetFullName() : r.Name;
    case TListColumn::Size:
        return Bytes(static_cast<double>(r.Size));
    case TListColumn::Created:
        return DateTimeToStr(r.CreationTime);
    case TListColumn::Modified:
        return DateTimeToStr(r.LastWriteTime);
    case TListColumn::Reason:
        return ReasonOf(item);
    }
    return {};
}

const char* TReviewModel::ColumnTitle(TListColumn column)
{
    static const char* const titles[kListColumns] = {"Name", "Size", "Created", "Last Modified", "Reason"};
    const auto c = static_cast<int>(column);
    return c >= 0 && c < kListColumns ? titles[c] : "";
}

void TReviewModel::SortList(TListColumn column)
{
    if (FSortColumn == column) {
        FSortAscending = !FSortAscending;
    } else {
        FSortColumn = column;
        FSortAscending = true;
    }
    const bool full = FullPath;
    const bool ascending = FSortAscending;
    std::stable_sort(FRows.begin(), FRows.end(), [&](const TViewItem* a, const TViewItem* b) {
        const int c = column == TListColumn::Reason ? CompareNoCase(ReasonOf(a), ReasonOf(b))
                                                    : CompareForList(*a->Ref, *b->Ref, column, full);
        return ascending ? c < 0 : c > 0;
    });
    for (std::size_t r = 0; r < FRows.size(); ++r)
        FRowOf[static_cast<std::size_t>(FRows[r]->Id)] = static_cast<int>(r);
}

void TReviewModel::BuildTree()
{
    TTabView& shown = FTabViews[FShownTab];
    std::vector<TNode> nodes;
    if (TreeIsCurrent()) {
        // The same tree: only the marks may have changed (all checked or
        // unchecked at once).
        SetStates(FNodes, TProgress::Reported);
        return;
    }
    if (shown.Depth == FFolderDepth) {
        nodes = std::move(shown.Nodes);
        shown.Depth = -1;
        // Checks made on other tabs may have reached its files.
        SetStates(nodes, TProgress::Reported);
    } else {
        nodes = TreeOf(shown.Rows);
    }
    if (FTreeDepth == FFolderDepth && FTreeTab != FShownTab) {
        TTabView& left = FTabViews[FTreeTab];
        left.Nodes = std::move(FNodes);
        left.Depth = FTreeDepth;
    } else if (FTreeDepth != FFolderDepth) {
        // Trees of another folder depth will not be shown again as they are.
        for (auto& [tab, view] : FTabViews) {
            view.Nodes = {};
            view.Depth = -1;
        }
    }
    FNodes = std::move(nodes);
    FTreeTab = FShownTab;
    FTreeDepth = FFolderDepth;
    FNodeOf.assign(FViewItems.size(), -1);
    for (std::size_t i = 0; i < FNodes.size(); ++i)
        if (const TViewItem* item = FNodes[i].Item)
            FNodeOf[static_cast<std::size_t>(item->Id)] = static_cast<int>(i);
}

std::vector<TReviewModel::TNode> TReviewModel::TreeOf(const std::vector<TViewItem*>& rows) const
{
    std::vector<TNode> nodes(1);
    nodes[0].Text = FVolume;
    // Folder lookup while building: parent node and text -> folder node.
    std::unordered_map<std::string, int> folders;
    // A result's folder and leaf prefix follow from its path alone, and
    // the files of one folder are many: each path is split once.
    struct TPlaceOfPath {
        int Folder;
        AnsiString LeafPrefix;
    };
    std::unordered_map<std::string, TPlaceOfPath> places;
    nodes.reserve(rows.size() + rows.size() / 8 + 1);
    std::string key;
    const AnsiString* lastPath = nullptr;
    TPlaceOfPath* last = nullptr;
    const int total = static_cast<int>(rows.size());
    int position = 0;
    for (TViewItem* item : rows) {
        if (++position % kFilesPerProgress == 0 && TreeProgress)
            TreeProgress(position, total);
        const zelutils::TSearchResult& result = *item->Ref;
        // Results of one folder mostly come one after another.
        if (lastPath != nullptr && *lastPath == result.Path()) {
            // same place as the previous result
        } else if (auto [place, newPath] = places.try_emplace(result.Path()); !newPath) {
            last = &place->second;
        } else {
            const TTreePlace split = SplitForTree(result.Path() + "x", FVolume, FFolderDepth);
            int parent = 0;
            for (const AnsiString& part : split.Folders) {
                key.assign(reinterpret_cast<const char*>(&parent), sizeof parent);
                key += part;
                auto [it, made] = folders.try_emplace(key, static_cast<int>(nodes.size()));
                if (made) {
                    TNode folder;
                    folder.Parent = parent;
                    folder.Text = part;
                    nodes.push_back(std::move(folder));
                    nodes[static_cast<std::size_t>(parent)].Children.push_back(it->second);
                }
                parent = it->second;
            }
            // The leaf text of the stand-in name "x" less the "x".
            place->second = {parent, split.Leaf.substr(0, split.Leaf.size() - 1)};
            last = &place->second;
        }
        lastPath = &result.Path();
        TNode leaf;
        leaf.Parent = last->Folder;
        leaf.Text = last->LeafPrefix + result.Name;
        leaf.Item = item;
        nodes[static_cast<std::size_t>(leaf.Parent)].Children.push_back(static_cast<int>(nodes.size()));
        nodes.push_back(std::move(leaf));
    }
    // Sorted by text, as a tree sorted by text shows it; rows follow.
    for (TNode& n : nodes) {
        std::stable_sort(n.Children.begin(), n.Children.end(), [&nodes](int a, int b) {
            return CompareNoCase(nodes[static_cast<std::size_t>(a)].Text, nodes[static_cast<std::size_t>(b)].Text) < 0;
        });
        for (std::size_t r = 0; r < n.Children.size(); ++r)
            nodes[static_cast<std::size_t>(n.Children[r])].Row = static_cast<int>(r);
    }
    SetStates(nodes, TProgress::Quiet);
    return nodes;
}

void TReviewModel::SetStates(std::vector<TNode>& nodes, TProgress progress) const
{
    const bool report = progress == TProgress::Reported && TreeProgress;
    const int total = static_cast<int>(FRows.size());
    int files = 0;
    // Children always come after their parent: from the end, a folder's
    // children are done before it.
    std::vector<TNodeState> states;
    for (std::size_t i = nodes.size(); i-- > 0;) {
        TNode& n = nodes[i];
        if (n.Item != nullptr) {
            n.State = StateOf(Marked(n.Item));
            if (++files % kFilesPerProgress == 0 && report)
                TreeProgress(files, total);
            continue;
        }
        states.clear();
        for (int c : n.Children)
            states.push_back(nodes[static_cast<std::size_t>(c)].State);
        n.State = CombinedState(states);
    }
}

AnsiString TReviewModel::NodeText(int node) const
{
    const TNode& n = FNodes[static_cast<std::size_t>(node)];
    if (n.Item != nullptr) {
        const AnsiString kept = KeptReasonOf(n.Item);
        if (!kept.empty())
            return n.Text + "  (" + kept + ")";
    }
    return n.Text;
}

AnsiString TReviewModel::NodePath(int node) const
{
    AnsiString path;
    for (; node > 0; node = FNodes[static_cast<std::size_t>(node)].Parent)
        path = path.empty() ? FNodes[static_cast<std::size_t>(node)].Text
                            : FNodes[static_cast<std::size_t>(node)].Text + "/" + path;
    // The volume ends in the separator already.
    return FNodes[0].Text + path;
}

AnsiString TReviewModel::ContainingFolder(int node) const
{
    const TViewItem* item = node > 0 ? FNodes[static_cast<std::size_t>(node)].Item : nullptr;
    if (item == nullptr)
        return {};
    const AnsiString& folder = item->Ref->Path();
    return folder.size() > FVolume.size() ? ExcludeTrailingPathDelimiter(folder) : folder;
}

void TReviewModel::NotifyRow(int row) const
{
    if (row >= 0 && RowChanged)
        RowChanged(row);
}

void TReviewModel::NotifyNode(int node) const
{
    if (node >= 0 && NodeChanged)
        NodeChanged(node);
}

void TReviewModel::SetMarked(TViewItem* item, bool marked)
{
    // A check the purge would not honour is never shown.
    if (marked && !KeptReasonOf(item).empty())
        return;
    if (item->Flag == nullptr)
        item->Flag = &FSelection[EntryOf(item->Ref)];
    *item->Flag = marked;
}

void TReviewModel::Toggle(TViewItem* item)
{
    SetMarked(item, !Marked(item));
    NotifyRow(RowOf(item));
    const int leaf = NodeOf(item);
    if (leaf < 0)
        return;
    TNode& node = FNodes[static_cast<std::size_t>(leaf)];
    if (node.State != StateOf(Marked(item))) {
        node.State = StateOf(Marked(item));
        NotifyNode(leaf);
        UpdateAncestors(leaf);
    }
}

void TReviewModel::UpdateAncestors(int node)
{
    std::vector<TNodeState> states;
    for (int p = FNodes[static_cast<std::size_t>(node)].Parent; p >= 0; p = FNodes[static_cast<std::size_t>(p)].Parent) {
        states.clear();
        for (int c : FNodes[static_cast<std::size_t>(p)].Children)
            states.push_back(FNodes[static_cast<std::size_t>(c)].State);
        FNodes[static_cast<std::size_t>(p)].State = CombinedState(states);
        NotifyNode(p);
    }
}

void TReviewModel::ClickNode(int node)
{
    TNode& n = FNodes[static_cast<std::size_t>(node)];
    if (n.Item != nullptr) {
        Toggle(n.Item);
        return;
    }
    // A folder holding files the settings keep never shows all checked;
    // its click unchecks once every file that can be checked is.
    SetFolder(node, AllCheckableMarked(node) ? TNodeState::Unchecked : TNodeState::Checked);
    UpdateAncestors(node);
}

bool TReviewModel::AllCheckableMarked(int node) const
{
    const TNode& n = FNodes[static_cast<std::size_t>(node)];
    if (n.Item != nullptr)
        return Marked(n.Item) || !KeptReasonOf(n.Item).empty();
    for (int c : n.Children)
        if (!AllCheckableMarked(c))
            return false;
    return true;
}

void TReviewModel::SetFolder(int node, TNodeState state)
{
    // Files flip without updating their ancestors one by one: the caller
    // updates them once the whole folder is done.
    FNodes[static_cast<std::size_t>(node)].State = state;
    NotifyNode(node);
    const std::vector<int> children = FNodes[static_cast<std::size_t>(node)].Children;
    for (int c : children) {
        TNode& child = FNodes[static_cast<std::size_t>(c)];
        if (child.State == state)
            continue;
        if (child.Item == nullptr) {
            SetFolder(c, state);
            continue;
        }
        SetMarked(child.Item, state == TNodeState::Checked);
        // A kept file refuses the check: its leaf stays as the file is.
        const TNodeState now = StateOf(Marked(child.Item));
        if (child.State != now) {
            child.State = now;
            NotifyNode(c);
        }
        NotifyRow(RowOf(child.Item));
    }
    std::vector<TNodeState> states;
    for (int c : children)
        states.push_back(FNodes[static_cast<std::size_t>(c)].State);
    const TNodeState combined = CombinedState(states);
    if (combined != state) {
        FNodes[static_cast<std::size_t>(node)].State = combined;
        NotifyNode(node);
    }
}

void TReviewModel::SetAll(bool marked)
{
    for (TViewItem* item : FRows)
        SetMarked(item, marked);
}

AnsiString TReviewModel::KeptReasonOf(const TViewItem* item) const
{
    return ReasonIn(KeptBySettings, EntryOf(item->Ref));
}

AnsiString TReviewModel::ReasonOf(const TViewItem* item) const
{
    AnsiString kept = KeptReasonOf(item);
    return kept.empty() ? ReasonIn(FReasons, EntryOf(item->Ref)) : kept;
}

TReviewModel::TTotals TReviewModel::ListTotals() const
{
    TTotals totals;
    totals.Files = FRows.size();
    for (const TViewItem* item : FRows) {
        totals.Bytes += static_cast<double>(item->Ref->Size);
        if (Marked(item)) {
            ++totals.MarkedFiles;
            totals.MarkedBytes += static_cast<double>(item->Ref->Size);
        }
    }
    return totals;
}

AnsiString TReviewModel::ViewStatus() const
{
    const TTotals t = ListTotals();
    return " Current View: " + std::to_string(t.MarkedFiles) + " (" + Bytes(t.MarkedBytes) + ") of " +
           std::to_string(t.Files) + " (" + Bytes(t.Bytes) + ")";
}

AnsiString TReviewModel::TotalsStatus() const
{
    const TTotals t = ListTotals();
    AnsiString text = " Total: " + std::to_string(t.Files) + " (" + Bytes(t.Bytes) + ")  :  1KB = 1024 bytes";
    // What the scan could not read is not in the lists: say so.
    if (const std::size_t unreadable = FSearcher.UnreadableFolders; unreadable > 0)
        text += "  :  " + std::to_string(unreadable) + " folder" + (unreadable == 1 ? "" : "s") + " could not be read";
    return text;
}

void TReviewModel::WriteSearchReport(const AnsiString& fileName) const
{
    // Each file not marked says why: the settings keep it, the scan left it
    // unselected (a project links it), or the user unchecked it.
    TFileReasons reasons = ReasonsForExcluded(FSelection, {KeptBySettings, FReasons});
    TFileFlags listed = FSelection;
    if (Aliases != nullptr) {
        listed = SpreadToAliases(std::move(listed), *Aliases);
        reasons = SpreadToAliases(std::move(reasons), *Aliases);
    }
    THTMLReport report(FSearcher.Results, listed, &reasons);
    report.WriteReport(fileName, "Tidewash Search Results", "Files marked for deletion",
                       "Files excluded from deletion");
}

}  // namespace tidewash

// What the details window shows of one search result, and the small rules
// its views share: check states, how a path is laid out in the folder tree,
// the byte display and the list's ordering.
#pragma once

#include <cstdint>
#include <vector>

#include "Resultmodel.h"
#include "System.hpp"

namespace tidewash {

// One listed search result. Made the first time the result is listed and
// kept by the window, so that switching tabs reuses it; Id numbers the view
// items of one window from 0 and indexes the window's lookup tables.
struct TViewItem {
    TResultRef Ref;
    int Id = 0;
    // The result's entry in the selection table, found once (entries of a
    // map stay put); null when the table has none.
    bool* Flag = nullptr;
};

// The state images of both views. A file is Checked (marked for deletion)
// or Unchecked; a folder is PartChecked when its files differ.
enum class TNodeState : std::uint8_t { Null = 0, Unchecked = 1, Checked = 2, PartChecked = 3 };

inline TNodeState StateOf(bool marked) { return marked ? TNodeState::Checked : TNodeState::Unchecked; }

// The state of a folder from those of its children: Checked or Unchecked
// when they all agree, else PartChecked; Checked when there are none.
TNodeState CombinedState(const std::vector<TNodeState>& children);

// A file's place in the folder tree: the folders from the top down and the
// leaf text. The volume prefix is not a folder. With a depth other than 0,
// the folders below that depth are moved into the leaf text, so that depth
// 1 turns <volume>A/B/f.obj into folder A and leaf B/f.obj.
struct TTreePlace {
    std::vector<AnsiString> Folders;
    AnsiString Leaf;
};
TTreePlace SplitForTree(const AnsiString& fullName, const AnsiString& volume, int folderDepth);

// The folder depth a text names: a non-negative decimal integer, blanks
// around it allowed, or -1. 0 stands for all folders.
int ParseFolderDepth(const AnsiString& text);

// " 12.50 MB" style display of a byte count with the 1024 kilo: the number
// with two decimals and the unit, returned separately.
struct TByteDisplay {
    AnsiString Size;
    AnsiString Unit;
};
TByteDisplay DisplayBytes(double bytes);

// Text order without regard to ASCII case, byte by byte after that: the
// list's names and the tree's siblings. Negative, 0 or positive.
int CompareNoCase(const AnsiString& a, const AnsiString& b);

// The list's columns, in display order: the window's defined four, then
// why a file is kept or left unselected.
enum class TListColumn : int { Name = 0, Size = 1, Created = 2, Modified = 3, Reason = 4 };
constexpr int kListColumns = 5;
// The columns' initial widths in pixels at 96 dpi, in display order.
inline constexpr int kListColumnWidths[kListColumns] = {350, 80, 120, 120, 200};

// The list's ordering of two results by a column, ascending: names without
// regard to case (the caption shown), sizes by value, times by whole days
// between them so that two times less than a day apart compare equal.
// Negative, 0 or positive. The reason is not the result's own: its column
// is ordered by TReviewModel, and here compares equal.
int CompareForList(const zelutils::TSearchResult& a, const zelutils::TSearchResult& b, TListColumn column,
                   bool fullPath);

// One update of the views that their own notifications must not start
// again: sets the view's busy flag for the guard's life, unless it was set
// already, which Entered() then tells (and the flag is left to its owner).
class TUpdateGuard {
public:
    explicit TUpdateGuard(bool& busy) : FBusy(busy), FEntered(!busy) { FBusy = true; }
    ~TUpdateGuard()
    {
        if (FEntered)
            FBusy = false;
    }
    TUpdateGuard(const TUpdateGuard&) = delete;
    TUpdateGuard& operator=(const TUpdateGuard&) = delete;

    bool Entered() const { return FEntered; }

private:
    bool& FBusy;
    const bool FEntered;
};

}  // namespace tidewash

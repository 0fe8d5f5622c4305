// What the Windows review window's tests share: finding the window, and
// reading and clicking its tree view by messages, from any thread of the
// process.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace reviewtest {

// An item's text.
std::string TreeText(HWND tree, HTREEITEM item);
// The texts of an item's children, opening it first (the window inserts
// a folder's children when it opens).
std::vector<std::string> TreeChildTexts(HWND tree, HTREEITEM item);
// The child with that text, opening the item first; null when none.
HTREEITEM TreeChildNamed(HWND tree, HTREEITEM item, const std::string& text);
// A left click on the item's check, where the tree's own hit test finds
// its state image; false when it finds none.
bool ClickStateImage(HWND tree, HTREEITEM item);
// The visible top-level window that owner owns (the review window once it
// is up), or null.
HWND OwnedWindow(HWND owner);

}  // namespace reviewtest

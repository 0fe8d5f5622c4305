#include "ReviewTesting_win32.h"

#include <cstring>
#include <cwchar>
#include <utility>

namespace reviewtest {

std::string TreeText(HWND tree, HTREEITEM item)
{
    wchar_t text[MAX_PATH] = {};
    TVITEMW query{};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = text;
    query.cchTextMax = MAX_PATH;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query));
    char narrow[MAX_PATH * 2] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

std::vector<std::string> TreeChildTexts(HWND tree, HTREEITEM item)
{
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    std::vector<std::string> texts;
    for (HTREEITEM child = TreeView_GetChild(tree, item); child != nullptr; child = TreeView_GetNextSibling(tree, child))
        texts.push_back(TreeText(tree, child));
    return texts;
}

HTREEITEM TreeChildNamed(HWND tree, HTREEITEM item, const std::string& text)
{
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    for (HTREEITEM child = TreeView_GetChild(tree, item); child != nullptr; child = TreeView_GetNextSibling(tree, child))
        if (TreeText(tree, child) == text)
            return child;
    return nullptr;
}

bool ClickStateImage(HWND tree, HTREEITEM item)
{
    // The message takes the item in the rectangle it fills.
    RECT text{};
    std::memcpy(&text, &item, sizeof item);
    if (!SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&text)))
        return false;
    const int y = (text.top + text.bottom) / 2;
    for (int x = 0; x < text.left; ++x) {
        TVHITTESTINFO hit{};
        hit.pt = {x, y};
        SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.hItem == item && (hit.flags & TVHT_ONITEMSTATEICON) != 0) {
            SendMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
            SendMessageW(tree, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
            return true;
        }
    }
    return false;
}

HWND OwnedWindow(HWND owner)
{
    std::pair<HWND, HWND> search{owner, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<std::pair<HWND, HWND>*>(data);
            if (GetWindow(window, GW_OWNER) != s->first || !IsWindowVisible(window))
                return TRUE;
            s->second = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

}  // namespace reviewtest

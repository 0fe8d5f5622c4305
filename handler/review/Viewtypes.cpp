#include "Viewtypes.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>

#include "SysUtils.hpp"
#include "Zelformat.h"

namespace tidewash {

TNodeState CombinedState(const std::vector<TNodeState>& children)
{
    if (children.empty())
        return TNodeState::Checked;
    const TNodeState first = children.front();
    if (first == TNodeState::PartChecked)
        return first;
    for (TNodeState s : children)
        if (s != first)
            return TNodeState::PartChecked;
    return first;
}

TTreePlace SplitForTree(const AnsiString& fullName, const AnsiString& volume, int folderDepth)
{
    // A folder ends at '/' or at the platform's own separator (the same on
    // POSIX; Windows takes both).
    const char separators[] = {'/', PathDelim, '\0'};
    // Paths below the volume start after it; anything else from its root.
    std::size_t start = 0;
    if (!volume.empty() && fullName.compare(0, volume.size(), volume) == 0)
        start = volume.size();
    while (start < fullName.size() && (fullName[start] == '/' || fullName[start] == PathDelim))
        ++start;
    TTreePlace place;
    const std::size_t lastSep = fullName.find_last_of(separators);
    if (lastSep == AnsiString::npos || lastSep < start) {
        place.Leaf = fullName.substr(start);
        return place;
    }
    place.Leaf = fullName.substr(lastSep + 1);
    // Folders below the depth stay in the leaf with their separators as
    // spelled: the leaf then starts where the first of them does.
    std::size_t pos = start;
    while (pos < lastSep) {
        const std::size_t next = fullName.find_first_of(separators, pos);
        if (next > pos) {
            if (folderDepth != 0 && static_cast<int>(place.Folders.size()) == folderDepth) {
                place.Leaf = fullName.substr(pos);
                break;
            }
            place.Folders.push_back(fullName.substr(pos, next - pos));
        }
        pos = next + 1;
    }
    return place;
}

int ParseFolderDepth(const AnsiString& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == AnsiString::npos)
        return -1;
    const std::size_t last = text.find_last_not_of(" \t");
    int value = 0;
    for (std::size_t i = first; i <= last; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        if (value > (std::numeric_limits<int>::max() - (text[i] - '0')) / 10)
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

TByteDisplay DisplayBytes(double bytes)
{
    using namespace zelutils;
    const auto whole = static_cast<std::int64_t>(bytes);
    const TUnitSize unit = ByteMagnitude(whole, TKiloDefinition::kdBinary);
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", BytesToUnits(whole, unit, TKiloDefinition::kdBinary));
    return {text, ByteUnitAsString(unit)};
}

int CompareNoCase(const AnsiString& a, const AnsiString& b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        // ASCII letters fold by hand: the tree sorts every folder's files
        // with this, and the C library's tolower is a call per byte.
        const auto fold = [](char c) { return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c); };
        const int ca = fold(a[i]);
        const int cb = fold(b[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

namespace {

int CompareDays(TDateTime a, TDateTime b)
{
    const double days = std::trunc(a.Val - b.Val);
    return days < 0 ? -1 : (days > 0 ? 1 : 0);
}

}  // namespace

int CompareForList(const zelutils::TSearchResult& a, const zelutils::TSearchResult& b, TListColumn column,
                   bool fullPath)
{
    switch (column) {
    case TListColumn::Name:
        return fullPath ? CompareNoCase(a.GetFullName(), b.GetFullName()) : CompareNoCase(a.Name, b.Name);
    case TListColumn::Size:
        return a.Size < b.Size ? -1 : (a.Size > b.Size ? 1 : 0);
    case TListColumn::Created:
        return CompareDays(a.CreationTime, b.CreationTime);
    case TListColumn::Modified:
        return CompareDays(a.LastWriteTime, b.LastWriteTime);
    case TListColumn::Reason:
        break;
    }
    return 0;
}

}  // namespace tidewash

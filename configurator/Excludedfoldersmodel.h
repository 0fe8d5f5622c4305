// TExcludedFoldersModel: the folders excluded for one file mask, each alone
// or with its sub-folders, and which of them a volume filter lets a view
// show. Both settings windows (Qt and the Windows controls) show this state;
// neither keeps a copy of the set.
#pragma once

#include <deque>
#include <map>
#include <utility>
#include <vector>

#include "System.hpp"

namespace twsconfigurator {

// The volume a folder belongs to: among roots (mount points or drive roots,
// ending in their separator), the longest one that is the folder's path or
// a parent of it. Empty when none is. Paths are compared as they are
// written (case-sensitive).
AnsiString VolumeRootOfFolder(const AnsiString& folder, const std::deque<AnsiString>& roots);

// Sorted as a person reads: ignoring the case of ASCII letters.
bool ReadsBefore(const AnsiString& a, const AnsiString& b);

enum class TSubFolders { Without, With };
enum class THideFiltered { Grey, Hide };

// Why a typed folder cannot be entered. Unspellable: a view holds a name
// that the ANSI code page cannot spell as itself (it would reach the
// settings as "?" or a look-alike, naming another folder). NoPath: the
// folder browser returned a folder whose whole path the system did not
// give (a virtual folder of the shell, or a path cut short).
enum class TFolderRefusal { None, Empty, Missing, Duplicate, Unspellable, NoPath };
struct TRefusalText {
    AnsiString Caption;
    AnsiString Text;
};
// The message a window shows for a refusal other than None (Empty is
// refused silently: its text is empty).
TRefusalText RefusalText(TFolderRefusal refusal);

// One folder as a view lists it.
struct TFolderRow {
    AnsiString Path;
    bool WithSubFolders = false;
    // Of another volume than the filter's: shown greyed, its check fixed.
    bool OtherVolume = false;

    bool operator==(const TFolderRow&) const = default;
};

class TExcludedFoldersModel {
public:
    // Enters the folder with the flag, inserting or overwriting.
    void Put(const AnsiString& path, TSubFolders sub);
    // False when the folder is not in the set.
    bool Remove(const AnsiString& path);
    // The entry of from now under to, keeping its flag; false when from is
    // not in the set.
    bool Rename(const AnsiString& from, const AnsiString& to);
    // False when the folder is unknown or had that flag already.
    bool SetSubFolders(const AnsiString& path, TSubFolders sub);
    bool Contains(const AnsiString& path) const { return FFolders.count(path) != 0; }
    // The whole set, in path order (exact byte order), as the server takes it.
    std::vector<std::pair<AnsiString, bool>> Folders() const { return {FFolders.begin(), FFolders.end()}; }
    int Count() const { return static_cast<int>(FFolders.size()); }

    // Whether a typed folder may be added (or replace a listed one): not
    // empty, an existing folder, not in the set yet.
    TFolderRefusal CheckNew(const AnsiString& path) const;

    // The volumes the filter knows, as roots ending in their separator.
    void SetVolumeRoots(const std::deque<AnsiString>& roots) { FVolumeRoots = roots; }
    // A root of SetVolumeRoots, or empty for no filter.
    void SetVolumeFilter(const AnsiString& root) { FVolumeFilter = root; }
    void SetHideFiltered(THideFiltered hide) { FHide = hide; }
    THideFiltered HideFiltered() const { return FHide; }

    // Of another volume than the filter's (never without a filter).
    bool OtherVolume(const AnsiString& path) const;
    // Whether a view lists the folder.
    bool Listed(const AnsiString& path) const { return !(FHide == THideFiltered::Hide && OtherVolume(path)); }
    // The listed folders, sorted with ReadsBefore (byte order among equals).
    std::vector<TFolderRow> Rows() const;
    // The folders of the set the view leaves out.
    int HiddenCount() const;

    // Set by every change of the set, cleared by the owner once saved or
    // loaded.
    bool Changed() const { return FChanged; }
    void ClearChanged() { FChanged = false; }

private:
    std::map<AnsiString, bool> FFolders;
    std::deque<AnsiString> FVolumeRoots;
    AnsiString FVolumeFilter;
    THideFiltered FHide = THideFiltered::Grey;
    bool FChanged = false;
};

}  // namespace twsconfigurator

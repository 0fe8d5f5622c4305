// TConfiguratorModel: what the settings editor edits, apart from any
// toolkit: the file masks in order, each with its excluded folders, the
// volumes excluded from scanning, the volume filter the folder lists
// share, the deletion options and whether anything changed since the
// settings were read or saved. The Qt window and the Windows window are
// views over it; TConfiguratorSession reads and writes it through the
// configuration server.
#pragma once

#include <deque>
#include <memory>
#include <vector>

#include "Excludedfoldersmodel.h"
#include "System.hpp"

namespace twsconfigurator {

// A fixed volume of the machine: its display name and its root.
struct TVolume {
    AnsiString Name;
    AnsiString Root;
};

// Appended to the root of an excluded volume that is not attached, as its
// caption among the volumes.
inline constexpr const char* kNotAttached = "  (not attached)";

// A volume as the excluded-volumes choice lists it.
struct TVolumeChoice {
    AnsiString Caption;
    AnsiString Root;  // what saving writes when it is excluded
    bool Excluded = false;

    bool operator==(const TVolumeChoice&) const = default;
};

// What becomes of a mask the user typed.
enum class TMaskVerdict {
    Accept,
    Refuse,  // Message says why; the mask is not taken
    Ask,     // Message asks whether to take it; "No" is the safe answer
};
struct TMaskCheck {
    TMaskVerdict Verdict = TMaskVerdict::Accept;
    AnsiString Caption;
    AnsiString Message;
};

struct TDeletionOptions {
    bool DeleteHiddenFiles = false;
    bool DeleteReadOnlyFiles = false;
    bool UseRecycleBin = false;

    bool operator==(const TDeletionOptions&) const = default;
};

class TConfiguratorModel {
public:
    explicit TConfiguratorModel(std::vector<TVolume> volumes = {});

    const std::vector<TVolume>& Volumes() const { return FVolumes; }

    // ---- masks, in the order the user added them ----
    int MaskCount() const { return static_cast<int>(FMasks.size()); }
    const AnsiString& Mask(int index) const { return FMasks.at(static_cast<std::size_t>(index)).Mask; }
    // -1 when no mask is spelled so (exactly).
    int IndexOfMask(const AnsiString& mask) const;
    TExcludedFoldersModel& FoldersOf(int index) { return *FMasks.at(static_cast<std::size_t>(index)).Folders; }
    const TExcludedFoldersModel& FoldersOf(int index) const
    {
        return *FMasks.at(static_cast<std::size_t>(index)).Folders;
    }
    // An empty or repeated mask (ignoring case; editedIndex, the mask being
    // renamed, or -1, is not a repeat of itself) and one that matches every
    // name are refused; one that matches source or project files is asked
    // about, as only the user knows whether such files are temporary where
    // they work.
    TMaskCheck CheckMask(const AnsiString& mask, int editedIndex) const;
    // Appends the mask with no folders, its folder list filtered as the
    // others are; its index. Takes what CheckMask accepted.
    int AddMask(const AnsiString& mask);
    void RenameMask(int index, const AnsiString& mask);
    void DeleteMask(int index);
    // The masks, folders and choices as read: nothing changed.
    void ClearMasks();

    // ---- volumes excluded from scanning ----
    // The machine's volumes, then the excluded ones that are not attached:
    // a volume excluded while it was attached stays excluded while it is
    // not, so that a save writes it back and the user can still remove it.
    const std::vector<TVolumeChoice>& VolumeChoices() const { return FChoices; }
    void SetExcludedRoots(const std::vector<AnsiString>& roots);
    void SetVolumeExcluded(int choice, bool excluded);
    // The roots of the excluded choices, in the choices' order.
    std::vector<AnsiString> ExcludedRoots() const;

    // ---- the volume filter the folder lists share (not a setting) ----
    // 0 for none, else 1 + the index of a volume.
    void SetVolumeFilter(int choice);
    int VolumeFilter() const { return FFilter; }
    AnsiString VolumeFilterRoot() const;
    void SetHideFiltered(THideFiltered hide);
    THideFiltered HideFiltered() const { return FHide; }

    // ---- deletion options ----
    const TDeletionOptions& Options() const { return FOptions; }
    void SetOptions(const TDeletionOptions& options);

    // Anything changed since ClearModified: a mask, a folder, a volume, an
    // option. The filter is a view's choice and changes nothing.
    bool Modified() const;
    void ClearModified();

private:
    struct TMaskEntry {
        AnsiString Mask;
        std::unique_ptr<TExcludedFoldersModel> Folders;  // stable for views holding it
    };
    void FilterFolders(TExcludedFoldersModel& folders) const;

    std::vector<TVolume> FVolumes;
    std::deque<AnsiString> FRoots;
    std::vector<TMaskEntry> FMasks;
    std::vector<TVolumeChoice> FChoices;
    int FFilter = 0;
    THideFiltered FHide = THideFiltered::Grey;
    TDeletionOptions FOptions;
    bool FModified = false;
};

}  // namespace twsconfigurator

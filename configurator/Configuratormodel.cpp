// The settings editor's state: masks and their checks, excluded volumes,
// the shared volume filter, the deletion options and the modified flag.
#include "Configuratormodel.h"

#include <algorithm>

#include "Maskrules.h"
#include "SysUtils.hpp"

namespace twsconfigurator {

TConfiguratorModel::TConfiguratorModel(std::vector<TVolume> volumes) : FVolumes(std::move(volumes))
{
    for (const TVolume& volume : FVolumes)
        FRoots.push_back(volume.Root);
    SetExcludedRoots({});
}

int TConfiguratorModel::IndexOfMask(const AnsiString& mask) const
{
    for (std::size_t i = 0; i < FMasks.size(); ++i)
        if (FMasks[i].Mask == mask)
            return static_cast<int>(i);
    return -1;
}

TMaskCheck TConfiguratorModel::CheckMask(const AnsiString& mask, int editedIndex) const
{
    AnsiString refusal;
    if (mask.empty()) {
        refusal = "Cannot have an empty mask";
    } else {
        for (int i = 0; i < MaskCount(); ++i)
            if (i != editedIndex && SameText(Mask(i), mask))
                refusal = "The entered mask already exists";
    }
    if (refusal.empty())
        refusal = tws::MaskRefusal(mask);
    if (!refusal.empty())
        return {TMaskVerdict::Refuse, "Invalid Mask", refusal};
    const AnsiString sources = tws::SourceExtensionsMatched(mask);
    if (sources.empty())
        return {};
    return {TMaskVerdict::Ask, "Mask Matches Source Files",
            "The mask \"" + mask + "\" matches source or project files (" + sources +
                "): every scan would offer them for removal.\n\nUse this mask anyway?"};
}

void TConfiguratorModel::FilterFolders(TExcludedFoldersModel& folders) const
{
    folders.SetVolumeRoots(FRoots);
    folders.SetVolumeFilter(VolumeFilterRoot());
    folders.SetHideFiltered(FHide);
}

int TConfiguratorModel::AddMask(const AnsiString& mask)
{
    auto folders = std::make_unique<TExcludedFoldersModel>();
    FilterFolders(*folders);
    FMasks.push_back({mask, std::move(folders)});
    FModified = true;
    return MaskCount() - 1;
}

void TConfiguratorModel::RenameMask(int index, const AnsiString& mask)
{
    FMasks.at(static_cast<std::size_t>(index)).Mask = mask;
    FModified = true;
}

void TConfiguratorModel::DeleteMask(int index)
{
    FMasks.at(static_cast<std::size_t>(index));  // out of range throws before erasing
    FMasks.erase(FMasks.begin() + index);
    FModified = true;
}

void TConfiguratorModel::ClearMasks()
{
    FMasks.clear();
    FModified = true;
}

void TConfiguratorModel::SetExcludedRoots(const std::vector<AnsiString>& roots)
{
    const auto excluded = [&roots](const AnsiString& root) {
        return std::find(roots.begin(), roots.end(), root) != roots.end();
    };
    FChoices.clear();
    for (const TVolume& volume : FVolumes)
        FChoices.push_back({volume.Name, volume.Root, excluded(volume.Root)});
    for (const AnsiString& root : roots)
        if (!root.empty() && std::find(FRoots.begin(), FRoots.end(), root) == FRoots.end())
            FChoices.push_back({root + kNotAttached, root, true});
    FModified = true;
}

void TConfiguratorModel::SetVolumeExcluded(int choice, bool excluded)
{
    TVolumeChoice& item = FChoices.at(static_cast<std::size_t>(choice));
    if (item.Excluded == excluded)
        return;
    item.Excluded = excluded;
    FModified = true;
}

std::vector<AnsiString> TConfiguratorModel::ExcludedRoots() const
{
    std::vector<AnsiString> roots;
    for (const TVolumeChoice& choice : FChoices)
        if (choice.Excluded)
            roots.push_back(choice.Root);
    return roots;
}

void TConfiguratorModel::SetVolumeFilter(int choice)
{
    FFilter = choice > 0 && choice <= static_cast<int>(FVolumes.size()) ? choice : 0;
    for (TMaskEntry& entry : FMasks)
        FilterFolders(*entry.Folders);
}

AnsiString TConfiguratorModel::VolumeFilterRoot() const
{
    return FFilter > 0 ? FVolumes[static_cast<std::size_t>(FFilter - 1)].Root : AnsiString();
}

void TConfiguratorModel::SetHideFiltered(THideFiltered hide)
{
    FHide = hide;
    for (TMaskEntry& entry : FMasks)
        FilterFolders(*entry.Folders);
}

void TConfiguratorModel::SetOptions(const TDeletionOptions& options)
{
    if (options == FOptions)
        return;
    FOptions = options;
    FModified = true;
}

bool TConfiguratorModel::Modified() const
{
    return FModified || std::any_of(FMasks.begin(), FMasks.end(),
                                    [](const TMaskEntry& entry) { return entry.Folders->Changed(); });
}

void TConfiguratorModel::ClearModified()
{
    FModified = false;
    for (TMaskEntry& entry : FMasks)
        entry.Folders->ClearChanged();
}

}  // namespace twsconfigurator

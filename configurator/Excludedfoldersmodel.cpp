// The excluded-folders set of one mask and its filtered view.
#include "Excludedfoldersmodel.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace twsconfigurator {

AnsiString VolumeRootOfFolder(const AnsiString& folder, const std::deque<AnsiString>& roots)
{
    AnsiString best;
    for (const AnsiString& root : roots) {
        if (root.empty() || root.size() <= best.size())
            continue;
        // The root itself may be written without its trailing separator.
        const bool holds = folder.compare(0, root.size(), root) == 0 ||
                           ((root.back() == '/' || root.back() == '\\') && folder == root.substr(0, root.size() - 1));
        if (holds)
            best = root;
    }
    return best;
}

bool ReadsBefore(const AnsiString& a, const AnsiString& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

TRefusalText RefusalText(TFolderRefusal refusal)
{
    switch (refusal) {
    case TFolderRefusal::Missing:
        return {"Invalid Folder", "The provided folder does not exist"};
    case TFolderRefusal::Duplicate:
        return {"Folder Duplicate", "The selected folder is already in the list"};
    case TFolderRefusal::Unspellable:
        return {"Invalid Folder", "The folder's name has characters that the system's code page cannot hold, "
                                  "so the settings could not name it. Choose or type another folder."};
    case TFolderRefusal::NoPath:
        return {"Invalid Folder", "The system could not give the selected folder's whole path, so the settings "
                                  "could not name it. Choose or type another folder."};
    default:
        return {};
    }
}

void TExcludedFoldersModel::Put(const AnsiString& path, TSubFolders sub)
{
    FFolders[path] = sub == TSubFolders::With;
    FChanged = true;
}

bool TExcludedFoldersModel::Remove(const AnsiString& path)
{
    if (FFolders.erase(path) == 0)
        return false;
    FChanged = true;
    return true;
}

bool TExcludedFoldersModel::Rename(const AnsiString& from, const AnsiString& to)
{
    const auto it = FFolders.find(from);
    if (it == FFolders.end())
        return false;
    const bool sub = it->second;
    FFolders.erase(it);
    FFolders[to] = sub;
    FChanged = true;
    return true;
}

bool TExcludedFoldersModel::SetSubFolders(const AnsiString& path, TSubFolders sub)
{
    const auto it = FFolders.find(path);
    const bool with = sub == TSubFolders::With;
    if (it == FFolders.end() || it->second == with)
        return false;
    it->second = with;
    FChanged = true;
    return true;
}

TFolderRefusal TExcludedFoldersModel::CheckNew(const AnsiString& path) const
{
    if (path.empty())
        return TFolderRefusal::Empty;
    std::error_code error;
    if (!std::filesystem::is_directory(std::filesystem::path(path), error))
        return TFolderRefusal::Missing;
    if (Contains(path))
        return TFolderRefusal::Duplicate;
    return TFolderRefusal::None;
}

bool TExcludedFoldersModel::OtherVolume(const AnsiString& path) const
{
    return !FVolumeFilter.empty() && VolumeRootOfFolder(path, FVolumeRoots) != FVolumeFilter;
}

std::vector<TFolderRow> TExcludedFoldersModel::Rows() const
{
    std::vector<TFolderRow> rows;
    for (const auto& [path, sub] : FFolders)
        if (Listed(path))
            rows.push_back({path, sub, OtherVolume(path)});
    std::stable_sort(rows.begin(), rows.end(),
                     [](const TFolderRow& a, const TFolderRow& b) { return ReadsBefore(a.Path, b.Path); });
    return rows;
}

int TExcludedFoldersModel::HiddenCount() const
{
    return static_cast<int>(std::count_if(FFolders.begin(), FFolders.end(),
                                          [this](const auto& entry) { return !Listed(entry.first); }));
}

}  // namespace twsconfigurator

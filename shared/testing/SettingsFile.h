// TWS.cfg as the tests of every folder install it: a whole settings file,
// laid out the way the settings object writes one, made from plain values.
// It knows the file's layout on its own (not through the settings object),
// so a test that reads it back checks the reader against the layout.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace twstesting {

// Every field starts at the setting's default.
struct TSettingsFile {
    // The masks as comma text, stored in double quotes as they are.
    std::string ActiveMasks = "*.map,*.dsk,*.obj,*.csm,*.tds,*.il*,*.~*,*.#*,*.bak";
    bool DeleteHidden = false;
    bool DeleteReadOnly = false;
    bool UseRecycleBin = true;
    std::vector<std::string> ExcludedVolumes;
    // Mask -> its entries: a folder followed by "=1" (with its subfolders)
    // or "=0" (that folder alone).
    std::vector<std::pair<std::string, std::vector<std::string>>> ExcludedFolders;

    // The whole file: [Files], [Files/Excluded] (empty when no mask has
    // entries), [Volumes], LF line ends.
    std::string Text() const;
    void WriteTo(const std::filesystem::path& file) const;
};

// A list as TWS.cfg stores it: its comma text (items with blanks, commas or
// double quotes in double quotes) in double quotes.
std::string StoredList(const std::vector<std::string>& items);

}  // namespace twstesting

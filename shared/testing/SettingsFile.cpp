// TSettingsFile: the text of a whole TWS.cfg.
#include "SettingsFile.h"

#include <fstream>

namespace twstesting {

std::string StoredList(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items) {
        if (!text.empty())
            text += ',';
        bool quote = item.empty() && items.size() == 1;
        for (const char c : item)
            quote = quote || static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"';
        if (!quote) {
            text += item;
            continue;
        }
        text += '"';
        for (const char c : item)
            text += c == '"' ? std::string("\"\"") : std::string(1, c);
        text += '"';
    }
    return "\"" + text + "\"";
}

std::string TSettingsFile::Text() const
{
    std::string text = "[Files]\nActiveMasks=\"" + ActiveMasks + "\"\nDeleteHidden=" + (DeleteHidden ? "1" : "0") +
                       "\nDeleteReadOnly=" + (DeleteReadOnly ? "1" : "0") +
                       "\nUseRecycleBin=" + (UseRecycleBin ? "1" : "0") + "\n\n[Files/Excluded]\n";
    for (const auto& [mask, entries] : ExcludedFolders)
        text += mask + "=" + StoredList(entries) + "\n";
    return text + "\n[Volumes]\nExcluded=" + StoredList(ExcludedVolumes) + "\n";
}

void TSettingsFile::WriteTo(const std::filesystem::path& file) const
{
    std::ofstream(file, std::ios::binary | std::ios::trunc) << Text();
}

}  // namespace twstesting

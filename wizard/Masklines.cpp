// MaskLines: the files' records gathered by mask.
#include "Masklines.h"

#include <map>

namespace {

// The masks of a record: "*.~*, *.~dsk" is two.
std::vector<std::string> MasksOf(const std::string& text)
{
    std::vector<std::string> masks;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        const std::size_t first = text.find_first_not_of(' ', start);
        const std::size_t last = text.find_last_not_of(' ', end == 0 ? 0 : end - 1);
        if (first != std::string::npos && first < end && last >= first)
            masks.push_back(text.substr(first, last - first + 1));
        start = end + 1;
    }
    return masks;
}

}  // namespace

std::vector<TMaskLine> MaskLines(const std::vector<cleanuphost::TFileRecord>& files)
{
    std::map<std::string, TMaskLine> byMask;
    for (const cleanuphost::TFileRecord& file : files)
        for (const std::string& mask : MasksOf(file.Mask)) {
            TMaskLine& line = byMask.try_emplace(mask, TMaskLine{mask, {}, {}}).first->second;
            line.Found.Add(file.Size);
            if (file.Plan == cleanuphost::TFilePlan::Remove)
                line.Remove.Add(file.Size);
        }
    std::vector<TMaskLine> lines;
    lines.reserve(byMask.size());
    for (auto& [mask, line] : byMask)
        lines.push_back(std::move(line));
    return lines;
}

// File roles by extension, for the parsers and the link guard.
#include "Linkrefs.h"

#include <algorithm>
#include <array>

namespace tidewash {

std::string LowerExtension(std::string_view fileName)
{
    const auto slash = fileName.find_last_of("\\/");
    if (slash != std::string_view::npos)
        fileName.remove_prefix(slash + 1);
    const auto dot = fileName.rfind('.');
    if (dot == std::string_view::npos)
        return std::string();
    std::string ext(fileName.substr(dot + 1));
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return ext;
}

TFileRole RoleOf(std::string_view fileName)
{
    static constexpr std::array<std::string_view, 4> linked = {"obj", "o", "lib", "a"};
    static constexpr std::array<std::string_view, 14> sources = {
        "c", "cc", "cpp", "cxx", "c++", "asm", "pas", "pp", "dpr", "dpk", "bpr", "bpk", "cbproj", "mak"};
    const std::string ext = LowerExtension(fileName);
    if (std::find(linked.begin(), linked.end(), ext) != linked.end())
        return TFileRole::frLinked;
    if (std::find(sources.begin(), sources.end(), ext) != sources.end())
        return TFileRole::frSource;
    return TFileRole::frOther;
}

}  // namespace tidewash

// File roles by extension, for the parsers and the link guard.
#include "Linkrefs.h"

#include <algorithm>

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

std::uint64_t PackedExtension(std::string_view fileName)
{
    // From the end back to the dot: a separator first means the last
    // component has no extension.
    std::size_t dot = fileName.size();
    while (dot > 0 && fileName[dot - 1] != '.') {
        const char c = fileName[dot - 1];
        if (c == '/' || c == '\\' || fileName.size() - dot >= 8)
            return 0;
        --dot;
    }
    if (dot == 0)
        return 0;
    std::uint64_t packed = 0;
    for (std::size_t i = dot, shift = 0; i < fileName.size(); ++i, shift += 8) {
        const char c = fileName[i];
        if (c == '\0')
            return 0;  // would read as a shorter extension
        packed |= std::uint64_t{static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c)} << shift;
    }
    return packed;
}

TFileRole RoleOfPacked(std::uint64_t extension)
{
    switch (extension) {
    case PackExtension("obj"):
    case PackExtension("o"):
    case PackExtension("lib"):
    case PackExtension("a"):
        return TFileRole::frLinked;
    case PackExtension("c"):
    case PackExtension("cc"):
    case PackExtension("cpp"):
    case PackExtension("cxx"):
    case PackExtension("c++"):
    case PackExtension("asm"):
    case PackExtension("pas"):
    case PackExtension("pp"):
    case PackExtension("dpr"):
    case PackExtension("dpk"):
    case PackExtension("bpr"):
    case PackExtension("bpk"):
    case PackExtension("cbproj"):
    case PackExtension("mak"):
        return TFileRole::frSource;
    default:
        return TFileRole::frOther;
    }
}

TFileRole RoleOf(std::string_view fileName) { return RoleOfPacked(PackedExtension(fileName)); }

}  // namespace tidewash

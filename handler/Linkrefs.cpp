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

namespace {

// For each byte: what PackedExtension makes of it. kStop ends the name's
// extension without one (a separator or a null), kDot is the dot, any
// other value is the byte in lower case.
constexpr std::uint16_t kStop = 0x100, kDot = 0x200;
constexpr std::array<std::uint16_t, 256> kExtensionBytes = [] {
    std::array<std::uint16_t, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<std::size_t>(c)] = static_cast<std::uint16_t>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    table['/'] = table['\\'] = table[0] = kStop;
    table['.'] = kDot;
    return table;
}();

}  // namespace

std::uint64_t PackedExtension(std::string_view fileName)
{
    // From the end back to the dot, packing on the way: each character read
    // moves the ones after it up a byte.
    std::uint64_t packed = 0;
    const std::size_t last = std::min<std::size_t>(fileName.size(), 9);
    for (std::size_t k = 1; k <= last; ++k) {
        const std::uint16_t c = kExtensionBytes[static_cast<unsigned char>(fileName[fileName.size() - k])];
        if (c == kDot)
            return packed;
        if (c == kStop || k == 9)
            return 0;  // no extension, a null that would read as a shorter one, or too long
        packed = packed << 8 | c;
    }
    return 0;
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

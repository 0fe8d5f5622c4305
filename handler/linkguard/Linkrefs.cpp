// File roles by extension, for the parsers and the link guard.
#include "Linkrefs.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tidewash {

std::string LowerExtension(std::string_view fileName)
{
    const auto slash = fileName.find_last_of("\\/");
    if (slash != std::string_view::npos)
        fileName.remove_prefix(slash + 1);
    const auto dot = fileName.rfind('.');
    if (dot == std::string_view::npos)
        return std::string();
    const std::string_view ext = fileName.substr(dot + 1);
    std::string lower(ext.size(), '\0');
    LowerAsciiCopy(ext, lower.data());
    return lower;
}

namespace {

// For each byte: what PackedExtension makes of it. kStop ends the name's
// extension without one (a separator or a null), kDot is the dot, any
// other value is the byte in lower case.
constexpr std::uint16_t kStop = 0x100, kDot = 0x200;
constexpr std::array<std::uint16_t, 256> kExtensionBytes = [] {
    std::array<std::uint16_t, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<std::size_t>(c)] = static_cast<unsigned char>(LowerAscii(static_cast<char>(c)));
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

TFileRole RoleOf(std::string_view fileName) { return RoleOfPacked(PackedExtension(fileName)); }

void LowerAsciiCopy(std::string_view from, char* to)
{
    constexpr std::uint64_t ones = 0x0101010101010101u, high = 0x8080808080808080u;
    std::size_t i = 0;
    for (; i + 8 <= from.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, from.data() + i, 8);
        // Per byte, from its low seven bits: the high bit set when it is at
        // least 'A', and when it is more than 'Z'; only ASCII bytes count.
        const std::uint64_t low = word & ~high;
        const std::uint64_t atLeastA = low + ones * (0x80 - 'A');
        const std::uint64_t aboveZ = low + ones * (0x7f - 'Z');
        const std::uint64_t upper = (atLeastA ^ aboveZ) & ~word & high;
        word |= upper >> 2;  // 0x80 >> 2 is the 0x20 between the cases
        std::memcpy(to + i, &word, 8);
    }
    for (; i < from.size(); ++i)
        to[i] = LowerAscii(from[i]);
}

bool EqualsLowerAscii(std::string_view text, std::string_view lower)
{
    return text.size() == lower.size() &&
           std::equal(text.begin(), text.end(), lower.begin(), [](char t, char l) { return LowerAscii(t) == l; });
}

}  // namespace tidewash

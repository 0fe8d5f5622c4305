// What a project or source file says it links, as its parsers return it:
// the names exactly as written (relative to the file, "\" or "/" as
// separator), and the kinds of file names the link guard tells apart.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tidewash {

struct TProjectRefs {
    // Object and library files the file links.
    std::vector<std::string> Links;
    // Other files the project lists as its own (its sources among them).
    std::vector<std::string> Sources;
};

// What a file name's extension (ignoring case) makes of the file.
//   frLinked  an object or library a linker takes:  .obj .o .lib .a
//   frSource  a file that a build turns into an object or library of the
//             same stem: .c .cc .cpp .cxx .c++ .asm .pas .pp .dpr .dpk
//             (a unit or a program), .bpr .bpk .cbproj .mak (a project
//             builds the library or the object of its own name)
//   frOther   anything else
enum class TFileRole : unsigned char { frOther, frLinked, frSource };
TFileRole RoleOf(std::string_view fileName);

// The extension of the last component of a name written with "\" or "/",
// without the dot, in lower case; empty when there is none.
std::string LowerExtension(std::string_view fileName);

// The same extension packed into a number, one byte per character with the
// first lowest, so that it compares as one integer and costs no allocation
// (the guard asks for every file of the volume); 0 when there is none or
// it is longer than eight characters or holds a null character.
std::uint64_t PackedExtension(std::string_view fileName);

// A lower-case extension packed as PackedExtension does.
constexpr std::uint64_t PackExtension(std::string_view lowerExtension)
{
    std::uint64_t packed = 0;
    for (std::size_t i = 0; i < lowerExtension.size() && i < 8; ++i)
        packed |= std::uint64_t{static_cast<unsigned char>(lowerExtension[i])} << (8 * i);
    return lowerExtension.size() > 8 ? 0 : packed;
}

// RoleOf for an extension packed by PackedExtension; inline, for the
// guard asks it of every file of the volume.
constexpr TFileRole RoleOfPacked(std::uint64_t extension)
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


// The guard's one case rule: A-Z as a-z and every other byte as it is, as
// Windows compares ASCII names; a byte of a UTF-8 sequence never changes.
constexpr char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Copies from into to (from.size() bytes) by LowerAscii; eight bytes at a
// time, for the many paths the guard lowers.
void LowerAsciiCopy(std::string_view from, char* to);

// Whether text is lower (written in lower case) but for the case of its
// ASCII letters: the guard's keywords, names and stems are compared so.
bool EqualsLowerAscii(std::string_view text, std::string_view lower);

}  // namespace tidewash

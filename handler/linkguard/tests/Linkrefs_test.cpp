// File roles by extension: the packed form the guard uses for every listed
// file must agree with the plain lower-case extension on awkward names.
#include "Linkrefs.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using tidewash::LowerExtension;
using tidewash::PackedExtension;
using tidewash::PackExtension;
using tidewash::RoleOf;
using tidewash::TFileRole;

TEST(Linkrefs, PackedExtensionAgreesWithLowerExtension)
{
    const std::string withNull("unit.ob\0j", 9);
    const struct {
        std::string Name;
        std::uint64_t Packed;  // 0: no extension a role could name
    } cases[] = {
        {"Unit1.CPP", PackExtension("cpp")},
        {"a.b.Obj", PackExtension("obj")},
        {"lib\\zlib.OBJ", PackExtension("obj")},
        {"dir.x/noext", 0},
        {"dir.x\\noext", 0},
        {"name.c\\pp", 0},  // the backslash ends the extension's component
        {"trailing.", 0},
        {".cpp", PackExtension("cpp")},
        {"x.abcdefgh", PackExtension("abcdefgh")},  // eight: the longest packed
        {"x.abcdefghi", 0},
        {withNull, 0},
        {"unit\x01obj", 0},  // a control character is no dot
        {"UNIT.O\x01", PackExtension("o\x01")},
        {"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(PackedExtension(c.Name), c.Packed);
        if (c.Packed != 0) {
            EXPECT_EQ(PackExtension(LowerExtension(c.Name)), c.Packed);
        }
    }
}

TEST(Linkrefs, RoleOfIgnoresCaseAndPaths)
{
    const struct {
        const char* Name;
        TFileRole Role;
    } cases[] = {
        {"x.OBJ", TFileRole::frLinked},  {"x.o", TFileRole::frLinked},       {"x.Lib", TFileRole::frLinked},
        {"x.a", TFileRole::frLinked},    {"x.C++", TFileRole::frSource},     {"x.CbProj", TFileRole::frSource},
        {"..\\src\\x.pas", TFileRole::frSource}, {"x.mak", TFileRole::frSource}, {"x.inc", TFileRole::frOther},
        {"x.objx", TFileRole::frOther},  {"x.ob", TFileRole::frOther},       {"obj", TFileRole::frOther},
        {"x.obj\\y", TFileRole::frOther}, {"x.cbprojx", TFileRole::frOther},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RoleOf(c.Name), c.Role) << c.Name;
}

// Lowering eight bytes at a time gives what lowering each byte gives: for
// every byte value, at every place in the words and in the tail after them.
TEST(Linkrefs, LowerAsciiCopyLowersOnlyAsciiCapitals)
{
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    for (std::size_t shift = 0; shift < 8; ++shift) {
        const std::string text = all.substr(shift) + all.substr(0, shift) + "MiXeD.OBJ";
        for (std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{8}, std::size_t{9},
                                   std::size_t{17}, text.size()}) {
            const std::string_view from = std::string_view(text).substr(0, length);
            std::string lowered(from.size(), '#');
            tidewash::LowerAsciiCopy(from, lowered.data());
            for (std::size_t i = 0; i < from.size(); ++i) {
                const auto c = static_cast<unsigned char>(from[i]);
                const auto expected = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
                ASSERT_EQ(static_cast<unsigned char>(tidewash::LowerAscii(from[i])), expected) << int(c);
                ASSERT_EQ(static_cast<unsigned char>(lowered[i]), expected) << "byte " << int(c) << " at " << i;
            }
        }
    }
}

// The guard's keywords and stems match whatever the case of their ASCII
// letters, and nothing else: not another length, not a byte outside ASCII
// that a case rule for another code page would fold.
TEST(Linkrefs, EqualsLowerAsciiIgnoresOnlyAsciiCase)
{
    const struct {
        std::string_view Text, Lower;
        bool Equal;
    } cases[] = {
        {"OBJFILES", "objfiles", true},  {"ObjFiles", "objfiles", true}, {"objfiles", "objfiles", true},
        {"OBJFILE", "objfiles", false},  {"OBJFILESX", "objfiles", false}, {"", "", true},
        {"L", "l", true},                {"LINK", "l", false},           {"_link", "_link", true},
        {"\xC3\x89T\xC3\x89", "\xC3\xA9t\xC3\xA9", false}, {"\xC3\x89T", "\xC3\x89t", true},
        {"[", "{", false},               {"@", "`", false},              {"Z", "z", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tidewash::EqualsLowerAscii(c.Text, c.Lower), c.Equal) << c.Text << " / " << c.Lower;
}

// The word-at-a-time packing agrees with packing by the definition, on
// names of every length made of the characters that decide it.
TEST(Linkrefs, PackedExtensionAgreesWithItsDefinitionOnManyNames)
{
    const auto byDefinition = [](std::string_view name) -> std::uint64_t {
        const auto slash = name.find_last_of("\\/");
        if (slash != std::string_view::npos)
            name.remove_prefix(slash + 1);
        const auto dot = name.rfind('.');
        if (dot == std::string_view::npos)
            return 0;
        const std::string_view extension = name.substr(dot + 1);
        if (extension.size() > 8 || extension.find('\0') != std::string_view::npos)
            return 0;
        std::uint64_t packed = 0;
        for (std::size_t i = 0; i < extension.size(); ++i) {
            const auto c = static_cast<unsigned char>(extension[i]);
            packed |= std::uint64_t{static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c)} << (8 * i);
        }
        return packed;
    };
    const std::string alphabet("aZ./\\\0o\xc9@[`{Bj", 15);
    std::mt19937 random(5);
    for (int n = 0; n < 200000; ++n) {
        std::string name(random() % 22, ' ');
        for (char& c : name)
            c = alphabet[random() % alphabet.size()];
        ASSERT_EQ(PackedExtension(name), byDefinition(name)) << name;
    }
}

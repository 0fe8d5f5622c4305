// File roles by extension: the packed form the guard uses for every listed
// file must agree with the plain lower-case extension on awkward names.
#include "Linkrefs.h"

#include <gtest/gtest.h>
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

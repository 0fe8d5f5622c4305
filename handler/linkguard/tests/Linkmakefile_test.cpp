// The link variables of C++Builder make files.
#include "Linkmakefile.h"

#include <gtest/gtest.h>

using tidewash::ParseMakeFile;
using Links = std::vector<std::string>;

TEST(Linkmakefile, LinkVariablesWithContinuationsAndMacros)
{
    const struct {
        const char* Text;
        Links Expected;
    } cases[] = {
        {"OBJFILES = Project1.obj Unit1.obj vendor.obj\n", {"Project1.obj", "Unit1.obj", "vendor.obj"}},
        {"OBJFILES = obj\\Project1.obj \\\r\n    obj\\Unit1.obj \\\n  ..\\vendor\\v.obj\nRESFILES = a.res\n",
         {"obj\\Project1.obj", "obj\\Unit1.obj", "..\\vendor\\v.obj"}},
        {"LIBFILES = mylib.lib\nLIBRARIES = $(BCB)\\lib\\vcl50.lib other.lib\n", {"mylib.lib", "other.lib"}},
        {"objfiles=a.obj\nLibFiles := b.lib\nLIBRARIES += c.lib\n", {"a.obj", "b.lib", "c.lib"}},
        {"# OBJFILES = commented.obj\nOBJFILES = a.obj # b.obj\n", {"a.obj"}},
        {"PROJECT = Project1.exe\nPACKAGES = vcl50.bpi\nOBJFILESX = no.obj\nXOBJFILES = no.obj\n", {}},
        {"!if $d(DEBUG)\nOBJFILES = d.obj\n!endif\n", {"d.obj"}},
        {"OBJFILES = last.obj \\", {"last.obj"}},
        {"OBJFILES = nolf.obj", {"nolf.obj"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        const tidewash::TProjectRefs refs = ParseMakeFile(c.Text);
        EXPECT_EQ(refs.Links, c.Expected) << c.Text;
        EXPECT_TRUE(refs.Sources.empty()) << c.Text;
    }
}

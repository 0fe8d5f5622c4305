// The XML projects of C++Builder: .bpr/.bpk macros and file lists, .cbproj
// items, and documents that are cut short, malformed or hostile.
#include "Linkprojectxml.h"

#include <gtest/gtest.h>

using tidewash::ParseProjectXml;
using Names = std::vector<std::string>;

namespace {

const char* const kBpr = R"(<?xml version='1.0' encoding='utf-8' ?>
<!-- C++Builder XML Project -->
<PROJECT>
  <MACROS>
    <VERSION value="BCB.06.00"/>
    <PROJECT value="Project1.exe"/>
    <OBJFILES value="Project1.obj Unit1.obj
      vendor.obj"/>
    <RESFILES value="Project1.res"/>
    <LIBFILES value="..\lib\crypt.lib $(BCB)\lib\x.lib"/>
    <LIBRARIES value="vcl.lib"/>
  </MACROS>
  <FILELIST>
    <FILE FILENAME="Project1.res" FORMNAME="" UNITNAME="Project1.res" CONTAINERID="ResTool"/>
    <FILE FILENAME="Project1.cpp" FORMNAME="" UNITNAME="Project1" CONTAINERID="CCompiler"/>
    <FILE FILENAME="Unit1.cpp" FORMNAME="Form1" UNITNAME="Unit1" CONTAINERID="CCompiler"/>
    <FILE FILENAME="vendor.obj" FORMNAME="" UNITNAME="vendor" CONTAINERID="OBJTool"/>
  </FILELIST>
  <!-- <OBJFILES value="commented.obj"/> -->
</PROJECT>
)";

const char* const kCbproj = R"(<?xml version="1.0" encoding="utf-8"?>
<Project xmlns="http://schemas.microsoft.com/developer/msbuild/2003">
  <PropertyGroup><AllPackageLibs>rtl.lib;vcl.lib</AllPackageLibs></PropertyGroup>
  <ItemGroup>
    <CppCompile Include="Unit1.cpp"><Form>Form1</Form></CppCompile>
    <DelphiCompile Include="src\Helper.pas"/>
    <ObjFiles Include="lib\vendor.obj"/>
    <LibFiles Include="crypt.lib; $(BDS)\lib\rtl.lib ;zip.a"/>
    <None Include="readme.txt"/>
  </ItemGroup>
</Project>
)";

}  // namespace

TEST(Linkprojectxml, ProjectFormsAndCutShortDocuments)
{
    const std::string bpr = kBpr;
    const struct {
        std::string Text;
        Names Links, Sources;
    } cases[] = {
        {bpr,
         {"Project1.obj", "Unit1.obj", "vendor.obj", "..\\lib\\crypt.lib", "vcl.lib", "vendor.obj"},
         {"Project1.res", "Project1.cpp", "Unit1.cpp"}},
        {kCbproj, {"lib\\vendor.obj", "crypt.lib", "zip.a"}, {"Unit1.cpp", "src\\Helper.pas", "readme.txt"}},
        // Cut by the read cap inside the file list: what came before counts.
        {bpr.substr(0, bpr.find("<FILE FILENAME=\"Unit1.cpp\"")),
         {"Project1.obj", "Unit1.obj", "vendor.obj", "..\\lib\\crypt.lib", "vcl.lib"},
         {"Project1.res", "Project1.cpp"}},
        {"<PROJECT><OBJFILES value=\"a.obj\"/><broken", {"a.obj"}, {}},
        {"not xml at all {$L x.obj}", {}, {}},
        {"", {}, {}},
        // Any single-byte code page reads: the ASCII names come out right.
        {"<?xml version='1.0' encoding='windows-1252'?><PROJECT><OBJFILES value=\"a\xe9.obj b.obj\"/></PROJECT>",
         {"a\xc3\xa9.obj", "b.obj"}, {}},
    };
    for (const auto& c : cases) {
        const tidewash::TProjectRefs refs = ParseProjectXml(c.Text);
        EXPECT_EQ(refs.Links, c.Links) << c.Text;
        EXPECT_EQ(refs.Sources, c.Sources) << c.Text;
    }
}

TEST(Linkprojectxml, UtfSixteenAndHostileDocuments)
{
    // A UTF-16 project with its byte-order mark, as newer IDEs may save it.
    const std::string ascii = "<PROJECT><OBJFILES value=\"w.obj\"/></PROJECT>";
    std::string utf16 = "\xff\xfe";
    for (char c : ascii)
        utf16 += std::string{c, '\0'};
    EXPECT_EQ(ParseProjectXml(utf16).Links, Names{"w.obj"});

    // Entity expansion is bounded by the parser, external entities never load.
    std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE p [<!ENTITY a \"aaaaaaaaaa\">";
    for (char e = 'b'; e <= 'k'; ++e) {
        laughs += std::string("<!ENTITY ") + e + " \"";
        for (int i = 0; i < 10; ++i)
            laughs += std::string("&") + static_cast<char>(e - 1) + ";";
        laughs += "\">";
    }
    laughs += "]><PROJECT><OBJFILES value=\"&k;.obj\"/></PROJECT>";
    const auto bomb = ParseProjectXml(laughs);
    EXPECT_TRUE(bomb.Links.empty()) << "expanded " << (bomb.Links.empty() ? 0 : bomb.Links[0].size());

    const std::string external =
        "<?xml version=\"1.0\"?><!DOCTYPE p [<!ENTITY x SYSTEM \"/etc/hostname\">]>"
        "<PROJECT><OBJFILES value=\"&x;.obj\"/><OBJFILES value=\"after.obj\"/></PROJECT>";
    for (const std::string& link : ParseProjectXml(external).Links)
        EXPECT_EQ(link.find('\n'), std::string::npos) << link;
}

// The XML projects of C++Builder: .bpr/.bpk macros and file lists, .cbproj
// items, and documents that are cut short, malformed or hostile.
#include "Linkprojectxml.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

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
        // Any single-byte code page reads: the ASCII names come out right
        // (the byte above ASCII sends the document to the system's parser).
        {"<?xml version='1.0' encoding='windows-1252'?><!-- caf\xe9 --><PROJECT>"
         "<OBJFILES value=\"a.obj b.obj\"/></PROJECT>",
         {"a.obj", "b.obj"}, {}},
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

namespace {

// Documents at the edges of the plain-markup subset, each inside it or
// just outside.
std::vector<std::string> EdgeDocuments()
{
    return {
        kBpr,
        kCbproj,
        "<project><objfiles Value='a.obj'/><ObjFiles VALUE=\"b.obj\" value='c.obj'/></project>",
        "<PROJECT><OBJFILES value=\"a.obj\tb.obj\r\nc.obj\rd.obj\"/><X Include='e.obj;\tf.lib\r\n;g.a\n'/></PROJECT>",
        "<P><OBJFILES value = 'x.obj' /><FILE\tFILENAME\r\n=\n\"x.cpp\"></FILE ></P>",
        "<?xml version=\"1.0\"?><P><LIBFILES value=\"a.lib\"/></P>",
        "<?xml version='1.0' encoding='US-ASCII' standalone='yes' ?><P><LIBFILES value=\"a.lib\"/></P>",
        "<?xml version='1.0' encoding='ISO-8859-1'?><P><LIBFILES value=\"a.lib\"/></P>",
        "<?xml version='1.0' encoding='UTF-16'?><P><LIBFILES value=\"a.lib\"/></P>",
        "<?xml version='1.1'?><P><LIBFILES value=\"a.lib\"/></P>",
        "<?xml version='1.0'encoding='utf-8'?><P><LIBFILES value=\"a.lib\"/></P>",
        " <?xml version='1.0'?><P><LIBFILES value=\"a.lib\"/></P>",
        "<!-- c --><!----><P><!-- <OBJFILES value='no.obj'/> --><OBJFILES value='a.obj'/></P><!-- end -->\n",
        "<P><!-- a -- b --><OBJFILES value='a.obj'/></P>",
        "<P><!-- a ---><OBJFILES value='a.obj'/></P>",
        "<P>text ]] > ]]> more<OBJFILES value='a.obj'/></P>",
        "<P><OBJFILES value='a.obj'/></Q><OBJFILES value='b.obj'/></P>",
        "<P><OBJFILES value='a.obj' value='b.obj'/><OBJFILES value='c.obj'/></P>",
        "<P><OBJFILES value='a<.obj'/><OBJFILES value='c.obj'/></P>",
        "<P><OBJFILES value='a.obj'b='1'/><OBJFILES value='c.obj'/></P>",
        "<P><x:OBJFILES value='a.obj'/><OBJFILES x:value='b.obj' value='c.obj'/></P>",
        "<P><OBJFILES value='&#97;.obj'/><OBJFILES value='b&amp;.obj'/></P>",
        "<P><![CDATA[<OBJFILES value='no.obj'/>]]><OBJFILES value='a.obj'/></P>",
        "<P><?pi <OBJFILES value='no.obj'/>?><OBJFILES value='a.obj'/></P>",
        "<!DOCTYPE P [<!ENTITY e \"<OBJFILES value='e.obj'/>\">]><P>&e;<OBJFILES value='a.obj'/></P>",
        "<P><OBJFILES value='a.obj'/></P><P><OBJFILES value='b.obj'/></P>",
        "<P><OBJFILES value='a.obj'/></P>junk",
        "<P><OBJFILES value='\xe9.obj'/><OBJFILES value='b.obj'/></P>",
        std::string("<P><OBJFILES value='a.obj'/>\0<OBJFILES value='b.obj'/></P>", 57),
        "<P><OBJFILES value='a.obj'/><1 value='b.obj'/></P>",
        "<P/>",
        "<OBJFILES value='only.obj'/>",
        // Well-formed, but Wine's XmlLite refuses a tab or line end in the
        // declaration: left to the system's parser.
        "<?xml version='1.0'\n encoding='utf-8'?><P><LIBFILES value=\"a.lib\"/></P>",
    };
}

}  // namespace

// The scanner either declines a document or reads from it what the system's
// parser reads:
// on documents inside and just outside its subset, on every cut of them
// (as the guard's read cap cuts), and on each with bytes changed to markup
// characters.
TEST(Linkprojectxml, PlainReaderReadsWhatTheParserReads)
{
    const auto same = [](const std::string& text, int& accepted) {
        const std::optional<tidewash::TProjectRefs> plain = tidewash::ReadPlainProjectXml(text);
        const tidewash::TProjectRefs parsed = tidewash::ReadProjectXmlWithParser(text);
        const tidewash::TProjectRefs chosen = ParseProjectXml(text);
        EXPECT_EQ(chosen.Links, parsed.Links) << text;
        EXPECT_EQ(chosen.Sources, parsed.Sources) << text;
        if (plain) {
            ++accepted;
            EXPECT_EQ(plain->Links, parsed.Links) << text;
            EXPECT_EQ(plain->Sources, parsed.Sources) << text;
        }
        return !::testing::Test::HasFailure();
    };

    // Which documents the scanner must take: those inside its subset.
    const std::vector<std::string> documents = EdgeDocuments();
    const std::vector<bool> plain = {true,  true,  true,  true,  true,  true,  true,  true,  false, false, false,
                                     false, true,  false, false, false, false, false, false, false, false, false,
                                     false, false, false, false, false, false, false, false, true,  true,
                                     false};
    ASSERT_EQ(plain.size(), documents.size());
    for (std::size_t d = 0; d < documents.size(); ++d)
        EXPECT_EQ(tidewash::ReadPlainProjectXml(documents[d]).has_value(), plain[d]) << documents[d];

    int accepted = 0;
    std::mt19937 random(7);
    const std::string markup = "<>/=\"' \t\r\n!-?&]:xX";
    for (const std::string& document : documents) {
        for (std::size_t cut = 0; cut <= document.size(); ++cut)
            ASSERT_TRUE(same(document.substr(0, cut), accepted));
        for (int change = 0; change < 300; ++change) {
            std::string changed = document;
            for (int n = 1 + static_cast<int>(random() % 3); n > 0; --n)
                changed[random() % changed.size()] = markup[random() % markup.size()];
            ASSERT_TRUE(same(changed, accepted));
        }
    }
    // The changed documents and the cuts include many the scanner takes.
    EXPECT_GT(accepted, 400);
}

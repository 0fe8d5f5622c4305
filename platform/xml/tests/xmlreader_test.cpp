// The system's XML parser as the link guard uses it: start tags and their
// attributes, where a fault stops the reading, and documents that try to
// reach outside their bytes.
#include "xmlreader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "TempFolder.h"

using twsplatform::ReadXmlStartTags;
using twsplatform::TXmlAttribute;
using twsplatform::TXmlEnd;
using Tags = std::vector<std::string>;

namespace {

// Each start tag as "name a=v b=w".
Tags Read(const std::string& bytes, TXmlEnd& end)
{
    Tags tags;
    end = ReadXmlStartTags(bytes, [&](std::string_view name, std::span<const TXmlAttribute> attributes) {
        std::string tag(name);
        for (const TXmlAttribute& a : attributes)
            tag.append(" ").append(a.Name).append("=").append(a.Value);
        tags.push_back(tag);
    });
    return tags;
}

std::string Utf16(const std::string& ascii)
{
    std::string out = "\xff\xfe";
    for (const char c : ascii)
        out += std::string{c, '\0'};
    return out;
}

}  // namespace

TEST(XmlReader, StartTagsAndWhereAFaultStops)
{
    // Lax: Wine's XmlLite (8.0) lets an undeclared entity pass and reads
    // on. There only what came before the fault is checked: the tags read
    // begin with those expected. (Real XmlLite and expat stop there.)
    enum TCheck { Exact, Lax };
    const struct {
        std::string Text;
        Tags Expected;
        TXmlEnd End;
        TCheck Check = Exact;
    } cases[] = {
        {"<?xml version='1.0' encoding='utf-8'?>\n<!-- c --><a x=\"1\" y='2'><b/>text<x:c x:e='&amp;&#65;&lt;' "
         "xmlns:x='urn:x'>t</x:c></a>\n",
         {"a x=1 y=2", "b", "x:c x:e=&A< xmlns:x=urn:x"},
         TXmlEnd::xeWellFormed},
        // Attribute values read line ends and tabs as blanks.
        {"<a v=\"p\tq\r\nr\ns\rt\"/>", {"a v=p q r s t"}, TXmlEnd::xeWellFormed},
        {"<a><![CDATA[<no/>]]><?pi <no/>?><b/></a>", {"a", "b"}, TXmlEnd::xeWellFormed},
        {Utf16("<?xml version='1.0' encoding='UTF-16'?><a v='w'/>"), {"a v=w"}, TXmlEnd::xeWellFormed},
        {Utf16("<a v='w'><b/></a>"), {"a v=w", "b"}, TXmlEnd::xeWellFormed},
        {"<?xml version='1.0' encoding='ISO-8859-1'?><a v='w.obj'/>", {"a v=w.obj"}, TXmlEnd::xeWellFormed},
        // A fault ends the reading; what came before it stays read.
        {"<a><b/></x><c/></a>", {"a", "b"}, TXmlEnd::xeFault},
        {"<a><b v='1'/><c v='2", {"a", "b v=1"}, TXmlEnd::xeFault},
        {"<a><b/><c v='1' v='2'/><d/></a>", {"a", "b"}, TXmlEnd::xeFault},
        {"<a><b/>&undeclared;<c/></a>", {"a", "b"}, TXmlEnd::xeFault, Lax},
        {"<a><b/></a><c/>", {"a", "b"}, TXmlEnd::xeFault},
        {"<a><b/>", {"a", "b"}, TXmlEnd::xeFault},
        {"<a>\n<b/>text", {"a", "b"}, TXmlEnd::xeFault},
        {"<a><b/><!-- c", {"a", "b"}, TXmlEnd::xeFault},
        {"<a><b v='1' w", {"a"}, TXmlEnd::xeFault},
        {"<a/><b/>", {"a"}, TXmlEnd::xeFault},
        {"not xml", {}, TXmlEnd::xeFault},
        // Cut inside the declaration or right after it (Wine's reader
        // aborted the process there).
        {"<?x", {}, TXmlEnd::xeFault},
        {"\xef\xbb\xbf<?xml", {}, TXmlEnd::xeFault},
        {"<?xml version='1.0'?>", {}, TXmlEnd::xeFault},
        {"<?xml version='1.0'?><a/>", {"a"}, TXmlEnd::xeWellFormed},
        {"", {}, TXmlEnd::xeFault},
        {std::string("<a><b/>\0<c/></a>", 16), {"a", "b"}, TXmlEnd::xeFault},
    };
    for (const auto& c : cases) {
        TXmlEnd end;
        const Tags tags = Read(c.Text, end);
        if (c.Check == Lax) {
            EXPECT_EQ(Tags(tags.begin(), tags.begin() + std::min(tags.size(), c.Expected.size())), c.Expected)
                << c.Text;
            continue;
        }
        EXPECT_EQ(tags, c.Expected) << c.Text;
        EXPECT_EQ(end, c.End) << c.Text;
    }
}

// A single-byte code page the parser may not know still reads its ASCII
// text; the byte above ASCII comes out as some character, never as none.
TEST(XmlReader, UnknownSingleByteEncodingReadsAscii)
{
    TXmlEnd end;
    const Tags tags = Read("<?xml version='1.0' encoding='windows-1252'?><a v='b\xe9.obj'><c v='d.obj'/></a>", end);
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0].substr(0, 5), "a v=b");
    EXPECT_GT(tags[0].size(), std::string("a v=b.obj").size());
    EXPECT_EQ(tags[1], "c v=d.obj");
    EXPECT_EQ(end, TXmlEnd::xeWellFormed);
}

// Nothing outside the bytes is read: neither an external entity nor an
// external DTD (whose default attribute would add itself to the tag), and
// no internal entity is expanded. Each file holds a secret that must not
// show up.
TEST(XmlReader, NoDocumentTypeNorEntityIsProcessed)
{
    twstesting::TTempFolder temp("twsxml");
    const std::string entity = (temp / "entity.txt").generic_string();
    const std::string dtd = (temp / "project.dtd").generic_string();
    twstesting::WriteFile(entity, "SECRET");
    twstesting::WriteFile(dtd, "<!ATTLIST a s CDATA \"SECRET\"><!ENTITY e \"SECRET\">");
    std::string laughs = "<!DOCTYPE a [<!ENTITY l0 \"lol\">";
    for (int i = 1; i < 10; ++i) {
        laughs += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j)
            laughs += "&l" + std::to_string(i - 1) + ";";
        laughs += "\">";
    }
    laughs += "]><a v='&l9;'/>";

    const std::string documents[] = {
        "<!DOCTYPE a [<!ENTITY x SYSTEM \"" + entity + "\">]><a v='&x;'>&x;<b/></a>",
        "<!DOCTYPE a [<!ENTITY x SYSTEM \"file:///" + entity + "\">]><a v='&x;'>&x;<b/></a>",
        "<!DOCTYPE a SYSTEM \"" + dtd + "\"><a v='&e;'><b/></a>",
        "<!DOCTYPE a [<!ENTITY % p SYSTEM \"" + dtd + "\">%p;]><a/>",
        "<!DOCTYPE a [<!ENTITY e \"SECRET\">]><a v='&e;'/>",
        laughs,
    };
    for (const std::string& document : documents) {
        TXmlEnd end;
        const Tags tags = Read(document, end);
        EXPECT_EQ(tags, Tags{}) << document;
        EXPECT_EQ(end, TXmlEnd::xeFault) << document;
    }
}

// What the callback throws leaves the reader, which stops there.
TEST(XmlReader, CallbackExceptionEndsTheReading)
{
    int calls = 0;
    EXPECT_THROW(ReadXmlStartTags("<a><b/><c/><d/></a>",
                                  [&](std::string_view name, std::span<const TXmlAttribute>) {
                                      ++calls;
                                      if (name == "b")
                                          throw std::runtime_error("enough");
                                  }),
                 std::runtime_error);
    EXPECT_EQ(calls, 2);
}

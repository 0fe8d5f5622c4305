// The files a C++Builder XML project links and lists, read with an XML
// parser: the system's (xmlreader.h: expat on Linux, XmlLite on Windows).
//
// Two forms are understood:
//   .bpr/.bpk  <PROJECT><MACROS><OBJFILES value="a.obj b.obj"/>, the same
//              for LIBFILES and LIBRARIES (words separated by blanks), and
//              <FILELIST><FILE FILENAME="Unit1.cpp" .../>
//   .cbproj    MSBuild items: <CppCompile Include="Unit1.cpp"/>,
//              <ObjFiles Include="vendor.obj"/>, <LibFiles Include=.../>,
//              any item's Include attribute, ";" between names
// A listed file whose role (Linkrefs.h) is frLinked is a link, any other
// listed file belongs to Sources. Element and attribute names are compared
// ignoring case. Names using a macro ("$(BDS)\lib\x.lib") are left out.
// A document cut short or malformed yields what was read before the fault;
// a document type declaration is a fault, so nothing outside the bytes is
// loaded and no entity expanded. Single-byte encodings the parser does not
// know (windows-1252, ...) are read as Latin-1 where it lets them: only
// ASCII names need to come out right.
//
// Most projects are plain ASCII markup; those are read by a scanner of our
// own that accepts only documents it can prove well-formed and hands every
// start tag over exactly as a conforming parser does (attribute values with
// line ends and tabs read as blanks). Any byte, construct or fault outside that small
// subset (a reference, a DTD, a processing instruction other than the XML
// declaration, CDATA, a name with a colon, a document cut short, ...) sends
// the whole document to the system's parser instead, so the scanner never
// gives names that parser would not.
#pragma once

#include <optional>
#include <string_view>

#include "Linkrefs.h"

namespace tidewash {

// The plain-markup scanner where it accepts the document, else the
// system's parser.
TProjectRefs ParseProjectXml(std::string_view bytes);

// The two readers alone. The scanner gives nothing for a document outside
// its subset; where it gives something, the system's parser gives the same.
std::optional<TProjectRefs> ReadPlainProjectXml(std::string_view bytes);
TProjectRefs ReadProjectXmlWithParser(std::string_view bytes);

}  // namespace tidewash

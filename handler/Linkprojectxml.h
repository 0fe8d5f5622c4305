// The files a C++Builder XML project links and lists, read with an XML
// parser (expat).
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
// external entities are never loaded, and expat bounds entity expansion.
// Single-byte encodings the parser does not know (windows-1252, ...) are
// read as Latin-1: only ASCII names need to come out right.
#pragma once

#include <string_view>

#include "Linkrefs.h"

namespace tidewash {

TProjectRefs ParseProjectXml(std::string_view bytes);

}  // namespace tidewash

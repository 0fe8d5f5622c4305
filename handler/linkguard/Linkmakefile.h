// The files a C++Builder make file links: the words of its OBJFILES,
// LIBFILES and LIBRARIES variables.
//
// A line ending in "\" goes on on the next line; "#" starts a comment.
// Words that use a macro ("$(BCB)\lib\vcl.lib") name files of the tools,
// not of the project, and cannot be resolved without the tools' settings:
// they are left out. Make files list no sources: Sources stays empty.
#pragma once

#include <string_view>

#include "Linkrefs.h"

namespace tidewash {

TProjectRefs ParseMakeFile(std::string_view text);

}  // namespace tidewash

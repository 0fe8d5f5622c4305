// The object files a Pascal source links: the {$L name} and {$LINK name}
// directives of a unit, program, package or include file.
//
// Directives are read where the compiler reads them: in a "{$...}" or
// "(*$...*)" comment. Text inside other comments ("{ }", "(* *)", "//" to
// the end of the line) and inside string literals ('...', '' for a quote)
// is not looked at. "{$L+}" and "{$L-}" switch local symbols and name no
// file. The name is the first word after the directive, or the whole text
// of a quoted name ('name with blanks.obj'); a name without an extension
// is an object file, as the compiler takes it (".obj" is added).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tidewash {

// The names linked, in the order they stand, as written.
std::vector<std::string> ParsePascalLinks(std::string_view text);

// False only for a text from which ParsePascalLinks reads no name: one
// without "{$L" or "(*$L" (either case of the L) anywhere. A cheap look
// before the parse, for the many sources that link nothing.
bool MayHoldPascalLink(std::string_view text);

}  // namespace tidewash

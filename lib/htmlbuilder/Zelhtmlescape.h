// Text made safe to stand in a UTF-8 page.
//
// The builder writes texts exactly as they are given (it adds no escaping),
// so callers that put foreign text into a page - file names, configuration
// values - pass it through one of these first. Both always give valid
// UTF-8, whatever bytes they are handed; valid UTF-8 text that is not a
// control character passes unchanged but for the markup characters.
#pragma once

#include <string_view>

#include "System.hpp"

namespace zelhtmlbuilder {

// For a quoted attribute value, or text where no markup may be added: &, <,
// > and " as the entities &amp; &lt; &gt; &quot;; each byte that is not part
// of valid UTF-8 as U+FFFD; a control character other than tab, line feed
// and carriage return as its Unicode control picture (U+2401 for 0x01,
// U+2421 for DEL).
AnsiString EscapeMarkup(const AnsiString& text);

// For text between tags that must identify what it names (a file name):
// markup characters as above; each control character (C0, DEL and C1, tab
// and line feed included) and each byte that is not part of valid UTF-8 as
// a visibly marked escape, a span holding \x01, \xFF or \u0085; and a
// backslash as the marked escape \\, so that a backslash in plain text never
// begins an escape - except where the backslash is the path separator
// (Windows): no name holds one there, and it stands for itself. Two
// different texts never give the same result.
AnsiString EscapeVisible(const AnsiString& text);
// The same, appended to out: a report of many names reuses one buffer
// instead of allocating a string per name.
void AppendEscapedVisible(AnsiString& out, std::string_view text);

}  // namespace zelhtmlbuilder

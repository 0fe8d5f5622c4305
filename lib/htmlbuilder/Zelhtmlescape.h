// Text made safe to stand between tags or inside a quoted attribute value.
//
// The builder writes texts exactly as they are given (it adds no escaping),
// so callers that put foreign text into a page - file names, configuration
// values - pass it through EscapeMarkup first.
#pragma once

#include "System.hpp"

namespace zelhtmlbuilder {

// &, <, > and " as the entities &amp; &lt; &gt; &quot;; every other byte
// unchanged.
AnsiString EscapeMarkup(const AnsiString& text);

}  // namespace zelhtmlbuilder

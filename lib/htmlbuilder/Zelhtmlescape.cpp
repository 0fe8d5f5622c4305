#include "Zelhtmlescape.h"

namespace zelhtmlbuilder {

AnsiString EscapeMarkup(const AnsiString& text)
{
    AnsiString out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c; break;
        }
    }
    return out;
}

}  // namespace zelhtmlbuilder

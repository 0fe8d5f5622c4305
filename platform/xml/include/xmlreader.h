// The system's XML parser, reduced to what a reader of start tags needs:
// expat on POSIX, XmlLite on Windows.
//
// ReadXmlStartTags reads a whole document from its bytes and hands each
// start tag (an empty-element tag too) to a callback, in document order:
// the element's name and its attributes in the order they are written,
// their values normalized as XML normalizes CDATA attributes (a tab, line
// feed, carriage return or carriage return and line feed reads as one
// blank; character and predefined entity references replaced). Names are
// qualified names as written ("x:Item"); no namespace processing is done.
//
// The reading stops at the first fault (malformed or cut short) and what
// was handed over before it stays handed over. Documents come from files
// anyone may have written, so nothing outside the bytes is ever loaded:
// a document type declaration is itself a fault, whether or not it names
// external entities, and so no entity is ever declared or expanded.
//
// The encoding is taken from a byte-order mark or the XML declaration,
// UTF-8 when there is neither. Text is handed over in the runtime's
// AnsiString code page: UTF-8 on POSIX; on Windows the ANSI code page,
// where a character it lacks comes out as "?", which no file name there
// holds. A single-byte encoding the parser does not know (windows-1252 on
// expat, most on Wine's XmlLite) is read as Latin-1, so that ASCII text
// always comes out right.
#pragma once

#include <functional>
#include <span>
#include <string_view>

namespace twsplatform {

struct TXmlAttribute {
    std::string_view Name, Value;
};

// A start tag. The views are valid during the call only. An exception
// thrown here ends the reading and leaves ReadXmlStartTags.
using TXmlStartTag = std::function<void(std::string_view name, std::span<const TXmlAttribute> attributes)>;

enum class TXmlEnd : unsigned char {
    xeWellFormed,  // read to its end
    xeFault        // stopped at a fault; the start tags before it were handed over
};

// Reads bytes as one XML document. Throws std::bad_alloc when the parser
// cannot be made.
TXmlEnd ReadXmlStartTags(std::string_view bytes, const TXmlStartTag& startTag);

}  // namespace twsplatform

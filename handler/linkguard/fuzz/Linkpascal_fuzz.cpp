// Fuzzer for ParsePascalLinks. Properties: every name is as written in the
// input (an unquoted word, or what follows an opening quote, with '' for a
// quote), possibly
// with ".obj" added to a name without an extension; no name is empty or
// lacks an extension; no more names than "$" in the text; the same text
// gives the same names; a text MayHoldPascalLink turns away gives none.
#include "Linkfuzzsupport.h"
#include "Linkpascal.h"
#include "Linkrefs.h"

using namespace linkfuzz;

namespace {

std::string DoubledQuotes(std::string_view name)
{
    std::string out;
    for (char c : name) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out;
}

bool Written(std::string_view text, std::string_view name)
{
    // A quoted name may run to the directive's end without its closing quote.
    return Contains(text, name) || Contains(text, "'" + DoubledQuotes(name));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 16384)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> links = tidewash::ParsePascalLinks(text);
    Require(links == tidewash::ParsePascalLinks(text), "the same text gives other names");
    Require(links.empty() || tidewash::MayHoldPascalLink(text), "the look before the parse turned away a link");
    std::size_t dollars = 0;
    for (char c : text)
        dollars += c == '$';
    Require(links.size() <= dollars, "more names than directives");
    for (const std::string& link : links) {
        Require(!link.empty(), "an empty name");
        Require(!tidewash::LowerExtension(link).empty(), "a name without an extension");
        const std::string_view name(link);
        const bool added = name.size() > 4 && name.substr(name.size() - 4) == ".obj" &&
                           tidewash::LowerExtension(name.substr(0, name.size() - 4)).empty();
        Require(Written(text, name) || (added && Written(text, name.substr(0, name.size() - 4))),
                "a name that the text does not hold");
    }
    return 0;
}

// Fuzzer for ParseMakeFile. Properties: every link is a word of the input
// (no blank, "#" or "$" in it, as written); make files list no sources; the
// same text gives the same names; a blank line and a comment line added at
// the end change nothing.
#include "Linkfuzzsupport.h"
#include "Linkmakefile.h"

using namespace linkfuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 16384)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const tidewash::TProjectRefs refs = tidewash::ParseMakeFile(text);
    Require(refs.Sources.empty(), "a make file listed sources");
    RequireTidy(refs.Links);
    for (const std::string& link : refs.Links) {
        Require(link.find_first_of(" \t\r\n\f#$") == std::string::npos, "a name with a blank, # or $");
        Require(Contains(text, link), "a name that the text does not hold");
    }
    const tidewash::TProjectRefs again = tidewash::ParseMakeFile(text);
    Require(again.Links == refs.Links, "the same text gives other names");
    // A blank line ends any continued line; a comment line after it adds nothing.
    const std::string more = std::string(text) + "\n\n# OBJFILES = extra.obj\n";
    Require(tidewash::ParseMakeFile(more).Links == refs.Links, "a comment line changed the names");
    return 0;
}

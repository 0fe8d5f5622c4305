// Fuzzer for ParseProjectXml. Properties: links are object or library
// names and sources are not; no name is empty, has blanks around it or
// uses a macro; in ASCII text without entity or character references every
// name is as written in the input (line ends and tabs read as blanks); the
// same bytes give the same names; the names read from a document cut short
// are the first names of the whole document; where the plain-markup scanner
// takes the bytes, the system's parser (expat here) reads the same names
// from them.
#include <algorithm>

#include "Linkfuzzsupport.h"
#include "Linkprojectxml.h"

using namespace linkfuzz;

namespace {

// The text as an attribute value reads it: a line end or tab is a blank.
std::string BlanksNormalized(std::string_view bytes)
{
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        out += bytes[i] == '\r' || bytes[i] == '\n' || bytes[i] == '\t' ? ' ' : bytes[i];
    }
    return out;
}

bool StartsWith(const std::vector<std::string>& all, const std::vector<std::string>& first)
{
    return first.size() <= all.size() && std::equal(first.begin(), first.end(), all.begin());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 16384)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const tidewash::TProjectRefs refs = tidewash::ParseProjectXml(bytes);
    RequireTidy(refs.Links);
    RequireTidy(refs.Sources);
    for (const std::string& link : refs.Links)
        Require(tidewash::RoleOf(link) == tidewash::TFileRole::frLinked, "a link that is no object or library");
    for (const std::string& source : refs.Sources)
        Require(tidewash::RoleOf(source) != tidewash::TFileRole::frLinked, "an object or library among the sources");
    for (const auto* names : {&refs.Links, &refs.Sources})
        for (const std::string& name : *names)
            Require(name.find('$') == std::string::npos, "a name using a macro");

    const bool plain = std::all_of(bytes.begin(), bytes.end(), [](char c) {
        return c != '&' && static_cast<unsigned char>(c) < 0x80;
    });
    const std::string normalized = BlanksNormalized(bytes);
    if (plain)
        for (const auto* names : {&refs.Links, &refs.Sources})
            for (const std::string& name : *names)
                Require(Contains(normalized, name), "a name that the text does not hold");

    if (const auto plain = tidewash::ReadPlainProjectXml(bytes)) {
        const tidewash::TProjectRefs parsed = tidewash::ReadProjectXmlWithParser(bytes);
        Require(plain->Links == parsed.Links && plain->Sources == parsed.Sources,
                "the plain-markup scanner and the system's parser read other names");
    }

    const tidewash::TProjectRefs again = tidewash::ParseProjectXml(bytes);
    Require(again.Links == refs.Links && again.Sources == refs.Sources, "the same bytes give other names");

    if (size > 1) {
        const std::size_t cut = static_cast<unsigned char>(bytes[0]) * size / 256;
        const tidewash::TProjectRefs part = tidewash::ParseProjectXml(bytes.substr(0, cut));
        Require(StartsWith(refs.Links, part.Links) && StartsWith(refs.Sources, part.Sources),
                "a document cut short gives names the whole one does not start with");
    }
    return 0;
}

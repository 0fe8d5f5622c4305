// Expat callbacks collecting the link and source names of a project.
#include "Linkprojectxml.h"

#include <climits>
#include <cstring>
#include <expat.h>
#include <memory>
#include <string>

namespace tidewash {

namespace {

bool SameName(const XML_Char* name, std::string_view upper)
{
    const std::size_t length = std::strlen(name);
    if (length != upper.size())
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = name[i] >= 'a' && name[i] <= 'z' ? static_cast<char>(name[i] - 'a' + 'A') : name[i];
        if (c != upper[i])
            return false;
    }
    return true;
}

const XML_Char* Attribute(const XML_Char** attributes, std::string_view upper)
{
    for (int i = 0; attributes[i] != nullptr; i += 2)
        if (SameName(attributes[i], upper))
            return attributes[i + 1];
    return nullptr;
}

void AddName(std::string_view name, TProjectRefs& refs)
{
    while (!name.empty() && (name.front() == ' ' || name.front() == '\t' || name.front() == '\r' ||
                             name.front() == '\n'))
        name.remove_prefix(1);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t' || name.back() == '\r' ||
                             name.back() == '\n'))
        name.remove_suffix(1);
    if (name.empty() || name.find('$') != std::string_view::npos)
        return;
    (RoleOf(name) == TFileRole::frLinked ? refs.Links : refs.Sources).emplace_back(name);
}

void AddSeparated(std::string_view list, std::string_view separators, TProjectRefs& refs)
{
    while (!list.empty()) {
        const auto end = list.find_first_of(separators);
        AddName(list.substr(0, end), refs);
        list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
    }
}

void XMLCALL StartElement(void* data, const XML_Char* name, const XML_Char** attributes)
{
    auto& refs = *static_cast<TProjectRefs*>(data);
    const XML_Char* value = Attribute(attributes, "VALUE");
    if (value != nullptr &&
        (SameName(name, "OBJFILES") || SameName(name, "LIBFILES") || SameName(name, "LIBRARIES"))) {
        AddSeparated(value, " \t\r\n", refs);
    } else if (SameName(name, "FILE")) {
        if (const XML_Char* file = Attribute(attributes, "FILENAME"))
            AddName(file, refs);
    } else if (const XML_Char* include = Attribute(attributes, "INCLUDE")) {
        AddSeparated(include, ";", refs);
    }
}

// Any single-byte encoding expat lacks: every byte is the code point of
// the same number.
int XMLCALL SingleByteEncoding(void*, const XML_Char*, XML_Encoding* info)
{
    for (int i = 0; i < 256; ++i)
        info->map[i] = i;
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

struct TParserFree {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

}  // namespace

TProjectRefs ParseProjectXml(std::string_view bytes)
{
    TProjectRefs refs;
    std::unique_ptr<XML_ParserStruct, TParserFree> parser(XML_ParserCreate(nullptr));
    if (!parser)
        throw std::bad_alloc();
    XML_SetUserData(parser.get(), &refs);
    XML_SetStartElementHandler(parser.get(), StartElement);
    XML_SetUnknownEncodingHandler(parser.get(), SingleByteEncoding, nullptr);
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    // The caller bounds what it reads far below INT_MAX; a larger input is
    // read up to that much.
    const int length = static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX));
    XML_Parse(parser.get(), bytes.data(), length, XML_TRUE);  // a fault ends the reading: keep what came
    return refs;
}

}  // namespace tidewash

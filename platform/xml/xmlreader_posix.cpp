// ReadXmlStartTags over expat, the system's XML parser on Linux.
#include "xmlreader.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <expat.h>
#include <memory>
#include <new>
#include <vector>

namespace twsplatform {

namespace {

struct TReading {
    XML_Parser Parser = nullptr;
    const TXmlStartTag* StartTag = nullptr;
    std::vector<TXmlAttribute> Attributes;
    // What the callback threw, carried past expat's C frames.
    std::exception_ptr Thrown;
};

void XMLCALL StartElement(void* data, const XML_Char* name, const XML_Char** attributes)
{
    auto& reading = *static_cast<TReading*>(data);
    try {
        // Expat gives null-terminated strings; no XML character is null.
        reading.Attributes.clear();
        for (int i = 0; attributes[i] != nullptr; i += 2)
            reading.Attributes.push_back({attributes[i], attributes[i + 1]});
        (*reading.StartTag)(name, reading.Attributes);
    } catch (...) {
        reading.Thrown = std::current_exception();
        XML_StopParser(reading.Parser, XML_FALSE);
    }
}

// Expat would read the internal subset and expand the entities it
// declares; XmlLite, told to prohibit DTDs, stops at the declaration.
// Stopping here too makes both platforms read the same documents.
void XMLCALL StartDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int)
{
    XML_StopParser(static_cast<TReading*>(data)->Parser, XML_FALSE);
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

TXmlEnd ReadXmlStartTags(std::string_view bytes, const TXmlStartTag& startTag)
{
    TReading reading;
    std::unique_ptr<XML_ParserStruct, TParserFree> parser(XML_ParserCreate(nullptr));
    if (!parser)
        throw std::bad_alloc();
    reading.Parser = parser.get();
    reading.StartTag = &startTag;
    XML_SetUserData(parser.get(), &reading);
    XML_SetStartElementHandler(parser.get(), StartElement);
    XML_SetStartDoctypeDeclHandler(parser.get(), StartDoctype);
    XML_SetUnknownEncodingHandler(parser.get(), SingleByteEncoding, nullptr);
    // No external entity handler is set, so none is ever loaded; nor is
    // an external DTD subset.
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    // Callers bound what they read far below INT_MAX; a larger input is
    // read up to that much, which ends it as a document cut short.
    const int length = static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX));
    const XML_Status status = XML_Parse(parser.get(), bytes.data(), length, XML_TRUE);
    if (reading.Thrown)
        std::rethrow_exception(reading.Thrown);
    return status == XML_STATUS_OK && static_cast<std::size_t>(length) == bytes.size() ? TXmlEnd::xeWellFormed
                                                                                           : TXmlEnd::xeFault;
}

}  // namespace twsplatform

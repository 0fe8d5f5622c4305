// ReadXmlStartTags over XmlLite, the system's XML reader on Windows.
//
// XmlLite is linked through an import library the build makes from
// xmllite.def (mingw-w64 ships the header but no import library): the DLL
// is part of every Windows the product runs on, so a load-time import
// costs nothing and keeps the calls typed, where GetProcAddress would
// need a cast and a failure path that never happens.
#include <windows.h>

#include "xmlreader.h"
#include "comref.h"

#include <objbase.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <algorithm>
#include <climits>
#include <new>
#include <string>
#include <vector>

namespace twsplatform {

namespace {

// A bound for a document that declares no entities (none can be declared:
// DTDs are prohibited); it holds should a later reader allow them.
constexpr LONG_PTR kMaxEntityExpansion = 1000;

// Appends text, converted to the ANSI code page, to out. No best-fit
// mapping: a character the code page lacks becomes "?" rather than a
// look-alike that could name another file.
void AppendAnsi(const WCHAR* text, UINT length, std::string& out)
{
    if (length == 0)
        return;
    const int wide = static_cast<int>(std::min<UINT>(length, INT_MAX));
    const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, wide, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(n));
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, wide, out.data() + at, n, nullptr, nullptr);
}

// One start tag's text, converted into one buffer reused for every tag.
struct TTagText {
    std::string Text;
    // Where each part ends in Text: the name, then name and value of each
    // attribute.
    std::vector<std::size_t> Ends;
    std::vector<TXmlAttribute> Attributes;
};

// The qualified name (and with value, the value) of the node the reader
// is on, appended to tag. False on a fault.
bool AppendNode(IXmlReader& reader, bool value, TTagText& tag)
{
    const WCHAR* text = nullptr;
    UINT length = 0;
    if (FAILED(reader.GetQualifiedName(&text, &length)))
        return false;
    AppendAnsi(text, length, tag.Text);
    tag.Ends.push_back(tag.Text.size());
    if (!value)
        return true;
    if (FAILED(reader.GetValue(&text, &length)))
        return false;
    AppendAnsi(text, length, tag.Text);
    tag.Ends.push_back(tag.Text.size());
    return true;
}

// Hands the element the reader is on to startTag. False on a fault.
bool StartTag(IXmlReader& reader, TTagText& tag, const TXmlStartTag& startTag)
{
    tag.Text.clear();
    tag.Ends.clear();
    if (!AppendNode(reader, false, tag))
        return false;
    for (HRESULT hr = reader.MoveToFirstAttribute(); hr == S_OK; hr = reader.MoveToNextAttribute())
        if (!AppendNode(reader, true, tag))
            return false;
    // The views are made once the buffer has stopped growing.
    const std::string_view text(tag.Text);
    tag.Attributes.clear();
    for (std::size_t i = 1; i + 1 < tag.Ends.size(); i += 2) {
        const std::string_view name = text.substr(tag.Ends[i - 1], tag.Ends[i] - tag.Ends[i - 1]);
        // A repeated attribute is a fault, which Wine's reader lets pass.
        for (const TXmlAttribute& seen : tag.Attributes)
            if (seen.Name == name)
                return false;
        tag.Attributes.push_back({name, text.substr(tag.Ends[i], tag.Ends[i + 1] - tag.Ends[i])});
    }
    startTag(text.substr(0, tag.Ends[0]), tag.Attributes);
    return true;
}

// The document read as Latin-1, for a reader that refused its declared
// encoding: UTF-16 with its byte-order mark, each byte the code point of
// the same number, and without the XML declaration, whose encoding would
// contradict the mark.
std::string AsLatin1(std::string_view bytes)
{
    if (bytes.substr(0, 5) == "<?xml") {
        const std::size_t end = bytes.find("?>");
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 2);
    }
    std::string wide = "\xff\xfe";
    wide.reserve(2 + 2 * bytes.size());
    for (const char c : bytes) {
        wide += c;
        wide += '\0';
    }
    return wide;
}

enum class TRead : unsigned char { rDone, rFault, rEncodingRefused };

TRead Read(std::string_view bytes, const TXmlStartTag& startTag)
{
    // Callers bound what they read far below UINT_MAX; a larger input is
    // read up to that much, which ends it as a document cut short.
    const UINT length = static_cast<UINT>(std::min<std::size_t>(bytes.size(), UINT_MAX));
    const twscom::TComRef<IStream> stream(
        ::SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), length));
    IXmlReader* made = nullptr;
    const HRESULT created = ::CreateXmlReader(__uuidof(IXmlReader), reinterpret_cast<void**>(&made), nullptr);
    const twscom::TComRef<IXmlReader> reader(made);
    if (stream == nullptr || FAILED(created) || reader == nullptr)
        throw std::bad_alloc();
    if (FAILED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
        FAILED(reader->SetInput(stream.get())))
        return TRead::rFault;
    // Wine's reader does not know this property; with DTDs prohibited no
    // entity can be declared, so there is nothing for it to bound there.
    reader->SetProperty(XmlReaderProperty_MaxEntityExpansion, kMaxEntityExpansion);

    TTagText tag;
    XmlNodeType type = XmlNodeType_None;
    UINT line = 0, position = 0;
    std::size_t nodes = 0, depth = 0;
    bool root = false;
    for (;;) {
        const XmlNodeType before = type;
        const UINT beforeLine = line, beforePosition = position;
        const HRESULT hr = reader->Read(&type);
        if (hr == S_FALSE)
            return root && depth == 0 && length == bytes.size() ? TRead::rDone : TRead::rFault;
        if (hr != S_OK) {
            const bool encoding = hr == static_cast<HRESULT>(WC_E_ENCNAME) || hr == static_cast<HRESULT>(MX_E_ENCODING);
            return nodes == 0 && encoding ? TRead::rEncodingRefused : TRead::rFault;
        }
        // Wine's reader, its input ended inside the document, hands the
        // last node over again and again: a node that starts where the one
        // before did is the end of the input. Each node takes at least one
        // byte, which bounds their number should positions be missing.
        if (FAILED(reader->GetLineNumber(&line)) || FAILED(reader->GetLinePosition(&position)))
            line = position = 0;
        if ((nodes > 0 && type == before && line == beforeLine && position == beforePosition) ||
            ++nodes > bytes.size())
            return TRead::rFault;
        if (type == XmlNodeType_Element) {
            if (root && depth == 0)
                return TRead::rFault;  // a second element at the top
            root = true;
            if (!reader->IsEmptyElement())
                ++depth;
            if (!StartTag(*reader, tag, startTag))
                return TRead::rFault;
        } else if (type == XmlNodeType_EndElement) {
            if (depth == 0)
                return TRead::rFault;
            --depth;
        }
    }
}

// Whether Wine's reader (8.0) would stop the process on bytes: it fails an
// assertion on a document of 8-bit text that ends inside the "<?xml" that
// opens it, or right after the declaration's "?>". Such a document holds
// no element, so not reading it loses nothing.
bool EndsWhereWineAborts(std::string_view bytes)
{
    if (bytes.substr(0, 3) == "\xef\xbb\xbf")
        bytes.remove_prefix(3);
    if (bytes.size() <= 5)
        return std::string_view("<?xml").substr(0, bytes.size()) == bytes;
    return bytes.substr(0, 5) == "<?xml" && bytes.find("?>") == bytes.size() - 2;
}

}  // namespace

TXmlEnd ReadXmlStartTags(std::string_view bytes, const TXmlStartTag& startTag)
{
    if (EndsWhereWineAborts(bytes))
        return TXmlEnd::xeFault;
    TRead read = Read(bytes, startTag);
    // A single-byte encoding the reader does not know (Wine's knows
    // hardly any) is read as Latin-1, so that ASCII text comes out right.
    if (read == TRead::rEncodingRefused)
        read = Read(AsLatin1(bytes), startTag);
    return read == TRead::rDone ? TXmlEnd::xeWellFormed : TXmlEnd::xeFault;
}

}  // namespace twsplatform

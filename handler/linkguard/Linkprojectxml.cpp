// The link and source names of a project, from its start tags as the
// plain-markup scanner or the system's XML parser hands them over.
#include "Linkprojectxml.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "xmlreader.h"

namespace tidewash {

namespace {

using TAttribute = twsplatform::TXmlAttribute;

const std::string_view* Attribute(std::span<const TAttribute> attributes, std::string_view lower)
{
    for (const TAttribute& attribute : attributes)
        if (EqualsLowerAscii(attribute.Name, lower))
            return &attribute.Value;
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

template <typename TSeparates>
void AddSeparated(std::string_view list, TSeparates separates, TProjectRefs& refs)
{
    while (!list.empty()) {
        std::size_t end = 0;
        while (end < list.size() && !separates(list[end]))
            ++end;
        AddName(list.substr(0, end), refs);
        list.remove_prefix(std::min(end + 1, list.size()));
    }
}

// A start tag, its attributes in the order they are written.
void Element(std::string_view name, std::span<const TAttribute> attributes, TProjectRefs& refs)
{
    const bool list = EqualsLowerAscii(name, "objfiles") || EqualsLowerAscii(name, "libfiles") ||
                      EqualsLowerAscii(name, "libraries");
    if (const std::string_view* value = list ? Attribute(attributes, "value") : nullptr) {
        AddSeparated(*value, [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }, refs);
    } else if (EqualsLowerAscii(name, "file")) {
        if (const std::string_view* file = Attribute(attributes, "filename"))
            AddName(*file, refs);
    } else if (const std::string_view* include = Attribute(attributes, "include")) {
        AddSeparated(*include, [](char c) { return c == ';'; }, refs);
    }
}

// The plain-markup scanner. It accepts a document only when every byte is
// printable ASCII, a tab or a line end, and the document is, in this order:
// an optional XML declaration at its very start (its parts separated by
// spaces only; version 1.0; encoding UTF-8, US-ASCII, ISO-8859-1 or
// windows-1252, which read ASCII alike; standalone yes or no), blanks and comments, one element, blanks and
// comments. Elements hold elements, comments and text; names are made of
// ASCII letters, digits, "_", "." and "-" (no colon); attribute values are
// quoted and hold neither "<" nor "&"; text holds no "&" and no "]]>"; no
// start tag names an attribute twice; every end tag closes the element
// open. Such a document is well-formed XML without a DTD, so the system's
// parser, as any conforming one, reports each of its start tags, in order,
// with the attributes in the order they are written, and with each tab,
// line feed, carriage return or carriage return and line feed in a value
// read as one blank (attribute-value normalization of CDATA attributes);
// no default attributes exist. The scanner gives Element exactly that, as
// views of the text where nothing needed normalizing. For anything else it
// gives up, and the caller discards what it collected.
class TPlainReader {
public:
    TPlainReader(std::string_view text, TProjectRefs& refs) : FText(text), FRefs(refs) {}

    bool Read()
    {
        if (!PlainBytes())
            return false;
        FValues.reserve(FText.size());
        if (Ahead("<?xml") && !Declaration())
            return false;
        if (!Miscellany() || At() != '<')
            return false;
        std::vector<std::string_view> open;
        for (;;) {
            if (At() != '<') {
                // Text: up to the next tag.
                const std::size_t lt = FText.find('<', FPos);
                if (lt == std::string_view::npos)
                    return false;  // cut short inside an element
                if (FText.substr(FPos, lt - FPos).find("]]>") != std::string_view::npos)
                    return false;
                FPos = lt;
                continue;
            }
            if (Ahead("</")) {
                FPos += 2;
                std::string_view name;
                if (open.empty() || !Name(name) || name != open.back())
                    return false;
                Blanks();
                if (At() != '>')
                    return false;
                ++FPos;
                open.pop_back();
                if (open.empty())
                    break;
            } else if (Ahead("<!--")) {
                if (!Comment())
                    return false;
            } else {
                std::string_view name;
                bool empty = false;
                if (!StartTag(name, empty))
                    return false;
                if (!empty)
                    open.push_back(name);
                else if (open.empty())
                    break;
            }
        }
        return Miscellany() && FPos == FText.size();
    }

private:
    char At() const { return FPos < FText.size() ? FText[FPos] : '\0'; }
    bool Ahead(std::string_view s) const { return FText.substr(FPos, s.size()) == s; }
    static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    static constexpr bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
    static bool IsNameChar(char c)
    {
        static constexpr std::array<bool, 256> name = [] {
            std::array<bool, 256> table{};
            for (int c = 0; c < 256; ++c)
                table[static_cast<std::size_t>(c)] = IsNameStart(static_cast<char>(c)) || (c >= '0' && c <= '9') ||
                                                     c == '.' || c == '-';
            return table;
        }();
        return name[static_cast<unsigned char>(c)];
    }

    bool PlainBytes() const
    {
        static constexpr std::array<bool, 256> plain = [] {
            std::array<bool, 256> table{};
            for (int c = 0x20; c < 0x7f; ++c)
                table[static_cast<std::size_t>(c)] = c != '&';
            table['\t'] = table['\n'] = table['\r'] = true;
            return table;
        }();
        bool all = true;
        for (const char c : FText)
            all &= plain[static_cast<unsigned char>(c)];
        return all;
    }

    std::size_t Blanks()
    {
        const std::size_t from = FPos;
        while (FPos < FText.size() && IsBlank(FText[FPos]))
            ++FPos;
        return FPos - from;
    }

    bool Name(std::string_view& name)
    {
        const std::size_t from = FPos;
        if (!IsNameStart(At()))
            return false;
        while (FPos < FText.size() && IsNameChar(FText[FPos]))
            ++FPos;
        name = FText.substr(from, FPos - from);
        return true;
    }

    // A quoted value, its content returned as written.
    bool Quoted(std::string_view& value)
    {
        const char quote = At();
        if (quote != '"' && quote != '\'')
            return false;
        const std::size_t end = FText.find(quote, FPos + 1);
        if (end == std::string_view::npos)
            return false;
        value = FText.substr(FPos + 1, end - FPos - 1);
        FPos = end + 1;
        return value.find('<') == std::string_view::npos;
    }

    // Blanks, "=", blanks and a quoted value: an attribute after its name.
    bool Assigned(std::string_view& value)
    {
        Blanks();
        if (At() != '=')
            return false;
        ++FPos;
        Blanks();
        return Quoted(value);
    }

    // <?xml version="1.0" encoding="..." standalone="..."?>, the last two
    // optional, at the start of the document.
    bool Declaration()
    {
        // Only spaces separate its parts here: XML allows tabs and line
        // ends too, but Wine's XmlLite refuses them, and the scanner must
        // not read names from a document the system's parser rejects.
        const std::size_t end = FText.find("?>", FPos);
        if (end == std::string_view::npos ||
            FText.substr(FPos, end - FPos).find_first_of("\t\r\n") != std::string_view::npos)
            return false;
        FPos += 5;
        std::string_view name, value;
        if (Blanks() == 0 || !Name(name) || name != "version" || !Assigned(value) || value != "1.0")
            return false;
        bool blank = Blanks() > 0;
        if (blank && Ahead("encoding")) {
            if (!Name(name) || name != "encoding" || !Assigned(value))
                return false;
            if (!EqualsLowerAscii(value, "utf-8") && !EqualsLowerAscii(value, "us-ascii") &&
                !EqualsLowerAscii(value, "iso-8859-1") && !EqualsLowerAscii(value, "windows-1252"))
                return false;
            blank = Blanks() > 0;
        }
        if (blank && Ahead("standalone")) {
            if (!Name(name) || name != "standalone" || !Assigned(value) || (value != "yes" && value != "no"))
                return false;
            Blanks();
        }
        if (!Ahead("?>"))
            return false;
        FPos += 2;
        return true;
    }

    // "<!--" up to the first "--", which must be followed by ">".
    bool Comment()
    {
        const std::size_t dashes = FText.find("--", FPos + 4);
        if (dashes == std::string_view::npos || dashes + 2 >= FText.size() || FText[dashes + 2] != '>')
            return false;
        FPos = dashes + 3;
        return true;
    }

    // Blanks and comments outside the element.
    bool Miscellany()
    {
        for (;;) {
            Blanks();
            if (!Ahead("<!--"))
                return true;
            if (!Comment())
                return false;
        }
    }

    bool StartTag(std::string_view& name, bool& empty)
    {
        ++FPos;
        if (!Name(name))
            return false;
        FAttributes.clear();
        for (;;) {
            const bool blank = Blanks() > 0;
            if (At() == '>' || Ahead("/>")) {
                empty = At() == '/';
                FPos += empty ? 2 : 1;
                break;
            }
            std::string_view attribute, value;
            if (!blank || !Name(attribute) || !Assigned(value))
                return false;
            for (const TAttribute& seen : FAttributes)
                if (seen.Name == attribute)
                    return false;
            if (std::any_of(value.begin(), value.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; })) {
                // Normalized into FValues, whose room (the size of the
                // text) never runs out, so the values kept stay valid.
                const std::size_t from = FValues.size();
                for (std::size_t i = 0; i < value.size(); ++i) {
                    const char c = value[i];
                    if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n')
                        continue;  // read with its line feed as one blank
                    FValues.push_back(c == '\t' || c == '\n' || c == '\r' ? ' ' : c);
                }
                value = std::string_view(FValues).substr(from);
            }
            FAttributes.push_back({attribute, value});
        }
        Element(name, FAttributes, FRefs);
        return true;
    }

    std::string_view FText;
    std::size_t FPos = 0;
    TProjectRefs& FRefs;
    std::vector<TAttribute> FAttributes;
    std::string FValues;
};

}  // namespace

std::optional<TProjectRefs> ReadPlainProjectXml(std::string_view bytes)
{
    std::optional<TProjectRefs> refs(std::in_place);
    if (!TPlainReader(bytes, *refs).Read())
        refs.reset();
    return refs;
}

TProjectRefs ParseProjectXml(std::string_view bytes)
{
    std::optional<TProjectRefs> refs = ReadPlainProjectXml(bytes);
    return refs ? std::move(*refs) : ReadProjectXmlWithParser(bytes);
}

TProjectRefs ReadProjectXmlWithParser(std::string_view bytes)
{
    TProjectRefs refs;
    // A fault ends the reading: what came before it counts.
    twsplatform::ReadXmlStartTags(bytes, [&refs](std::string_view name, std::span<const TAttribute> attributes) {
        Element(name, attributes, refs);
    });
    return refs;
}

}  // namespace tidewash

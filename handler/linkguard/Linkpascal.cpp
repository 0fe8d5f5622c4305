// A small scanner of Pascal comments, strings and compiler directives.
#include "Linkpascal.h"

#include "Linkrefs.h"

#include <array>
#include <cstring>

namespace tidewash {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool IsWordChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// body: the directive's text after "$", without the closing bracket.
void Directive(std::string_view body, std::vector<std::string>& links)
{
    std::size_t i = 0;
    while (i < body.size() && IsWordChar(body[i]))
        ++i;
    const std::string_view name = body.substr(0, i);
    if (!EqualsLowerAscii(name, "l") && !EqualsLowerAscii(name, "link"))
        return;
    if (i >= body.size() || !IsBlank(body[i]))
        return;  // {$L+}, {$L-}, {$LINK}
    while (i < body.size() && IsBlank(body[i]))
        ++i;
    std::string file;
    if (i < body.size() && body[i] == '\'') {
        for (++i; i < body.size(); ++i) {
            if (body[i] == '\'') {
                if (i + 1 < body.size() && body[i + 1] == '\'') {
                    file += '\'';
                    ++i;
                    continue;
                }
                break;
            }
            file += body[i];
        }
    } else {
        while (i < body.size() && !IsBlank(body[i]))
            file += body[i++];
    }
    if (file.empty())
        return;
    if (LowerExtension(file).empty())
        file += ".obj";
    links.push_back(std::move(file));
}

}  // namespace

std::vector<std::string> ParsePascalLinks(std::string_view text)
{
    std::vector<std::string> links;
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const char c = text[i];
        const char next = i + 1 < n ? text[i + 1] : '\0';
        if (c == '/' && next == '/') {
            const auto end = text.find('\n', i);
            i = end == std::string_view::npos ? n : end + 1;
        } else if (c == '\'') {
            // A string ends at its closing quote or, unterminated, at the line's end.
            for (++i; i < n && text[i] != '\n'; ++i) {
                if (text[i] == '\'') {
                    if (i + 1 < n && text[i + 1] == '\'') {
                        ++i;
                        continue;
                    }
                    break;
                }
            }
            ++i;
        } else if (c == '{') {
            const auto end = text.find('}', i + 1);
            const std::string_view body =
                text.substr(i + 1, end == std::string_view::npos ? std::string_view::npos : end - i - 1);
            if (!body.empty() && body.front() == '$')
                Directive(body.substr(1), links);
            i = end == std::string_view::npos ? n : end + 1;
        } else if (c == '(' && next == '*') {
            const auto end = text.find("*)", i + 2);
            const std::string_view body =
                text.substr(i + 2, end == std::string_view::npos ? std::string_view::npos : end - i - 2);
            if (!body.empty() && body.front() == '$')
                Directive(body.substr(1), links);
            i = end == std::string_view::npos ? n : end + 2;
        } else {
            // Only these four begin anything the scanner looks at.
            static constexpr std::array<bool, 256> begins = [] {
                std::array<bool, 256> table{};
                table['/'] = table['\''] = table['{'] = table['('] = true;
                return table;
            }();
            for (++i; i < n && !begins[static_cast<unsigned char>(text[i])]; ++i) {
            }
        }
    }
    return links;
}

bool MayHoldPascalLink(std::string_view text)
{
    // A name comes only from Directive, which is handed the text after
    // "{$" or "(*$" and names a file only when its word is L or LINK: the
    // "$" then stands right after "{" or "(*" and right before an "L" or
    // "l". Any "$" so placed says yes, wherever it stands; comments and
    // strings are not told apart here, so this never says no for a text
    // the parser would read a name from.
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    for (const char* p = begin; p < end;) {
        const void* found = std::memchr(p, '$', static_cast<std::size_t>(end - p));
        if (found == nullptr)
            return false;
        const char* const dollar = static_cast<const char*>(found);
        const std::size_t at = static_cast<std::size_t>(dollar - begin);
        const bool letter = at + 1 < text.size() && (text[at + 1] == 'L' || text[at + 1] == 'l');
        const bool opened = (at >= 1 && text[at - 1] == '{') || (at >= 2 && text[at - 2] == '(' && text[at - 1] == '*');
        if (letter && opened)
            return true;
        p = dollar + 1;
    }
    return false;
}

}  // namespace tidewash

// Logical lines of a make file, and the assignments of the link variables.
#include "Linkmakefile.h"

#include <array>
#include <string>

namespace tidewash {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool IsLinkVariable(std::string_view name)
{
    return EqualsLowerAscii(name, "objfiles") || EqualsLowerAscii(name, "libfiles") ||
           EqualsLowerAscii(name, "libraries");
}

void Assignment(std::string_view line, TProjectRefs& refs)
{
    const auto equals = line.find('=');
    if (equals == std::string_view::npos)
        return;
    std::string_view name = Trim(line.substr(0, equals));
    if (!name.empty() && (name.back() == ':' || name.back() == '+'))
        name = Trim(name.substr(0, name.size() - 1));  // := and += assign too
    if (!IsLinkVariable(name))
        return;
    std::string_view value = line.substr(equals + 1);
    while (!value.empty()) {
        while (!value.empty() && IsBlank(value.front()))
            value.remove_prefix(1);
        std::size_t end = 0;
        while (end < value.size() && !IsBlank(value[end]))
            ++end;
        const std::string_view word = value.substr(0, end);
        if (!word.empty() && word.find('$') == std::string_view::npos)
            refs.Links.emplace_back(word);
        value.remove_prefix(end);
    }
}

}  // namespace

TProjectRefs ParseMakeFile(std::string_view text)
{
    TProjectRefs refs;
    std::string logical;
    while (!text.empty()) {
        const auto newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        const auto hash = line.find('#');
        if (hash != std::string_view::npos)
            line = line.substr(0, hash);
        line = Trim(line);
        const bool continued = !line.empty() && line.back() == '\\';
        if (continued)
            line.remove_suffix(1);
        logical.append(line).append(1, ' ');
        if (continued && !text.empty())
            continue;
        Assignment(logical, refs);
        logical.clear();
    }
    return refs;
}

}  // namespace tidewash

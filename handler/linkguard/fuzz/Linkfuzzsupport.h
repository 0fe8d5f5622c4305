// What the link guard's parser fuzzers check of every name a parser returns.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace linkfuzz {

inline void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "link parser fuzz check failed: %s\n", what);
        std::abort();
    }
}

inline bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// Names that are not empty and carry no blank at either end.
inline void RequireTidy(const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        Require(!name.empty(), "an empty name");
        Require(name.front() != ' ' && name.front() != '\t' && name.back() != ' ' && name.back() != '\t',
                "a name with blanks around it");
    }
}

}  // namespace linkfuzz

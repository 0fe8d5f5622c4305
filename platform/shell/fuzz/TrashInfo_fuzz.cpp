// Fuzzer for ParseTrashInfo. The first byte picks the trash's top folder.
// Properties: a path taken lies below the top folder, has no empty, "." or
// ".." component and no NUL byte, and is the decoding of a Path= line of
// the text (relative to the top folder or absolute); the same bytes give
// the same result.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "TrashInfo.h"

using namespace twsplatform;

namespace {

void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "trashinfo fuzz check failed: %s\n", what);
        std::abort();
    }
}

// Every byte of the path as %XX: one spelling of each path to compare by.
std::string FullyEncoded(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        out += '%';
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
    return out;
}

// A Path= value in the same spelling: decoded as the reader does, then encoded.
std::string Respelled(std::string_view value)
{
    std::string plain;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '%' && i + 2 < value.size() && std::isxdigit(static_cast<unsigned char>(value[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(value[i + 2]))) {
            plain += static_cast<char>(std::stoi(std::string(value.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            plain += value[i];
        }
    }
    return FullyEncoded(plain);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || size > 4096)
        return 0;
    static const char* const kTops[] = {"/", "/mnt/usb/", "/home/user/"};
    const AnsiString top = kTops[data[0] % 3];
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto info = ParseTrashInfo(text, top);
    const auto again = ParseTrashInfo(text, top);
    Require(info.has_value() == again.has_value() &&
                (!info || (info->Path == again->Path && info->DeletionDate == again->DeletionDate)),
            "the same bytes read differently");
    if (!info)
        return 0;
    const AnsiString& path = info->Path;
    Require(path.size() > top.size() && path.compare(0, top.size(), top) == 0, "a path outside the top folder");
    const std::string below = path.substr(top.size());
    Require(below.find('\0') == std::string::npos, "a path with a NUL byte");
    for (std::string_view bad : {"//", "/./", "/../"})
        Require(("/" + below + "/").find(bad) == std::string::npos, "a path with an empty, . or .. component");

    // The Path= line the path came from, in one spelling.
    bool found = false;
    for (std::size_t at = text.find("Path="); at != std::string_view::npos; at = text.find("Path=", at + 1)) {
        if (at != 0 && text[at - 1] != '\n')
            continue;
        std::string_view value = text.substr(at + 5, text.find('\n', at) - at - 5);
        if (!value.empty() && value.back() == '\r')
            value.remove_suffix(1);
        const std::string spelled = Respelled(value);
        found |= spelled == FullyEncoded(path) || spelled == FullyEncoded(below);
    }
    Require(found, "the path is not the decoding of a Path= line");
    return 0;
}

// The .trashinfo reader: a strict line reader and percent-decoding.
#include "TrashInfo.h"

#include "Hexdigit.h"

namespace twsplatform {

namespace {

std::optional<AnsiString> PercentDecoded(std::string_view text)
{
    AnsiString out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const int high = i + 2 < text.size() ? HexDigitValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexDigitValue(text[i + 2]) : -1;
        if (low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

// No empty, "." or ".." component and no NUL byte: the path names one place.
bool PlainComponents(std::string_view path)
{
    if (path.find('\0') != std::string_view::npos)
        return false;
    while (true) {
        const auto slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        if (part.empty() || part == "." || part == "..")
            return false;
        if (slash == std::string_view::npos)
            return true;
        path.remove_prefix(slash + 1);
    }
}

}  // namespace

std::optional<TTrashInfo> ParseTrashInfo(std::string_view bytes, const AnsiString& topFolder)
{
    if (topFolder.empty() || topFolder.front() != '/' || topFolder.back() != '/')
        return std::nullopt;
    std::optional<std::string_view> path, date;
    bool inGroup = false;
    while (!bytes.empty()) {
        const auto newline = bytes.find('\n');
        std::string_view line = bytes.substr(0, newline);
        bytes = newline == std::string_view::npos ? std::string_view() : bytes.substr(newline + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            if (inGroup)
                break;  // a later group says nothing about the file
            if (line != "[Trash Info]")
                return std::nullopt;
            inGroup = true;
            continue;
        }
        if (!inGroup)
            return std::nullopt;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos)
            return std::nullopt;
        const std::string_view key = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        std::optional<std::string_view>* slot = key == "Path" ? &path : key == "DeletionDate" ? &date : nullptr;
        if (slot == nullptr)
            continue;
        if (slot->has_value())
            return std::nullopt;  // which of two would the reader mean?
        *slot = value;
    }
    if (!path || !date || path->empty())
        return std::nullopt;
    const std::optional<AnsiString> decoded = PercentDecoded(*path);
    if (!decoded)
        return std::nullopt;
    AnsiString full;
    if (decoded->front() == '/') {
        if (decoded->compare(0, topFolder.size(), topFolder) != 0)
            return std::nullopt;
        full = *decoded;
    } else {
        full = topFolder + *decoded;
    }
    if (full.size() <= topFolder.size() || !PlainComponents(std::string_view(full).substr(topFolder.size())))
        return std::nullopt;
    return TTrashInfo{full, AnsiString(*date)};
}

AnsiString TrashTopFolder(const AnsiString& trashFolder)
{
    std::string_view folder = trashFolder;
    while (!folder.empty() && folder.back() == '/')
        folder.remove_suffix(1);
    const auto last = folder.rfind('/');
    if (last == std::string_view::npos)
        return "/";
    const std::string_view name = folder.substr(last + 1);
    std::string_view parent = folder.substr(0, last);
    if (name.rfind(".Trash-", 0) == 0)
        return AnsiString(parent) + "/";
    const auto above = parent.rfind('/');
    if (above != std::string_view::npos && parent.substr(above + 1) == ".Trash")
        return AnsiString(parent.substr(0, above)) + "/";
    return "/";
}

}  // namespace twsplatform

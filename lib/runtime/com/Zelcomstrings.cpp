// Text conversions through the code-page functions, and GUID text through
// the COM library's.
#include "Zelcomstrings.h"

#include <cstring>

#include <windows.h>

#include "SysUtils.hpp"

namespace zelcom {

// Lengths are passed explicitly, so embedded zeros convert as characters.
OleString AnsiToWide(const AnsiString& text)
{
    OleString wide;
    if (text.empty())
        return wide;
    const int size = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(DefaultSystemCodePage, 0, text.data(), size, nullptr, 0);
    if (needed > 0) {
        wide.resize(static_cast<std::size_t>(needed));
        MultiByteToWideChar(DefaultSystemCodePage, 0, text.data(), size, wide.data(), needed);
    }
    return wide;
}

void AnsiToWide(std::string_view text, OleString& into)
{
    if (text.empty()) {
        into.clear();
        return;
    }
    // A character takes at least one byte and at most as many UTF-16 units
    // as bytes: a buffer of the text's length fits it, measured otherwise.
    // Only what the string lacks of that length is filled before.
    const int size = static_cast<int>(text.size());
    if (into.size() < text.size())
        into.resize(text.size());
    int written = MultiByteToWideChar(DefaultSystemCodePage, 0, text.data(), size, into.data(), size);
    if (written == 0) {
        written = MultiByteToWideChar(DefaultSystemCodePage, 0, text.data(), size, nullptr, 0);
        into.resize(static_cast<std::size_t>(written > 0 ? written : 0));
        if (written > 0)
            MultiByteToWideChar(DefaultSystemCodePage, 0, text.data(), size, into.data(), written);
    }
    into.resize(static_cast<std::size_t>(written > 0 ? written : 0));
}

AnsiString WideToAnsi(const OLECHAR* text)
{
    return text == nullptr ? AnsiString() : WideToAnsi(text, static_cast<std::size_t>(lstrlenW(text)));
}

AnsiString WideToAnsi(const OLECHAR* text, std::size_t length)
{
    AnsiString narrow;
    if (text == nullptr || length == 0)
        return narrow;
    const int size = static_cast<int>(length);
    const int needed =
        WideCharToMultiByte(DefaultSystemCodePage, 0, text, size, nullptr, 0, nullptr, nullptr);
    if (needed > 0) {
        narrow.resize(static_cast<std::size_t>(needed));
        WideCharToMultiByte(DefaultSystemCodePage, 0, text, size, narrow.data(), needed, nullptr, nullptr);
    }
    return narrow;
}

bool WideToAnsiExact(const OLECHAR* text, std::size_t length, AnsiString& narrow)
{
    narrow.clear();
    if (length == 0)
        return true;
    if (text == nullptr)
        return false;
    const int size = static_cast<int>(length);
    // UTF-8 spells everything but unpaired surrogates and takes no default
    // character; other code pages are asked not to substitute.
    const bool utf8 = DefaultSystemCodePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL substituted = FALSE;
    BOOL* used = utf8 ? nullptr : &substituted;
    const int needed = WideCharToMultiByte(DefaultSystemCodePage, flags, text, size, nullptr, 0, nullptr, used);
    if (needed <= 0 || substituted)
        return false;
    AnsiString result(static_cast<std::size_t>(needed), '\0');
    if (WideCharToMultiByte(DefaultSystemCodePage, flags, text, size, result.data(), needed, nullptr, used) != needed ||
        substituted)
        return false;
    // A code page may still fold a character into another one without
    // calling it a substitution: only a round trip proves the name is kept.
    if (AnsiToWide(result) != OleString(text, length))
        return false;
    narrow = std::move(result);
    return true;
}

BSTR AnsiToBSTR(const AnsiString& text) { return AnsiToBSTR(text, std::string_view()); }

BSTR AnsiToBSTR(std::string_view head, std::string_view tail)
{
    // Text of one byte per character (every listed path, nearly) is
    // converted straight into the BSTR, each part on its own; other text,
    // or a part that is not valid alone (a character cut in two), through
    // a wide copy of the whole.
    const std::size_t size = head.size() + tail.size();
    BSTR direct = SysAllocStringLen(nullptr, static_cast<UINT>(size));
    if (direct == nullptr || size == 0)
        return direct;
    const auto exact = [](std::string_view part, OLECHAR* into) {
        const int length = static_cast<int>(part.size());
        return part.empty() ||
               MultiByteToWideChar(DefaultSystemCodePage, MB_ERR_INVALID_CHARS, part.data(), length, into, length) ==
                   length;
    };
    if (exact(head, direct) && exact(tail, direct + head.size()))
        return direct;
    SysFreeString(direct);
    AnsiString whole;
    whole.reserve(size);
    whole.append(head).append(tail);
    const OleString wide = AnsiToWide(whole);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

AnsiString BSTRToAnsi(BSTR text) { return WideToAnsi(text, SysStringLen(text)); }

LPWSTR AnsiToCoTaskMemWide(const AnsiString& text)
{
    const OleString wide = AnsiToWide(text);
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((wide.size() + 1) * sizeof(WCHAR)));
    if (copy == nullptr)
        return nullptr;
    std::memcpy(copy, wide.c_str(), (wide.size() + 1) * sizeof(WCHAR));
    return copy;
}

AnsiString GUIDToString(const GUID& guid)
{
    OLECHAR text[39];
    StringFromGUID2(guid, text, 39);
    return WideToAnsi(text, 38);
}

GUID StringToGUID(const AnsiString& text)
{
    const OleString wide = AnsiToWide(text);
    GUID guid{};
    if (wide.size() != 38 || IIDFromString(wide.c_str(), &guid) != S_OK)
        throw EConvertError("Invalid GUID text: " + text);
    return guid;
}

}  // namespace zelcom

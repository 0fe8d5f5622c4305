// Text conversions through the code-page functions, and GUID text through
// the COM library's.
#include "Zelcomstrings.h"

#include <climits>
#include <cstring>

#include "objbase.h"
#include "stringapiset.h"

namespace zelcom {

std::u16string AnsiToWide(const AnsiString& text)
{
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX))
        return std::u16string();
    const int size = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::u16string wide(static_cast<std::size_t>(needed), u'\0');
    if (needed > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), needed);
    return wide;
}

AnsiString WideToAnsi(const char16_t* text)
{
    return WideToAnsi(text, static_cast<std::size_t>(lstrlenW(text)));
}

AnsiString WideToAnsi(const char16_t* text, std::size_t length)
{
    if (text == nullptr || length == 0 || length > static_cast<std::size_t>(INT_MAX))
        return AnsiString();
    const int size = static_cast<int>(length);
    const int needed = WideCharToMultiByte(CP_ACP, 0, text, size, nullptr, 0, nullptr, nullptr);
    AnsiString narrow(static_cast<std::size_t>(needed), '\0');
    if (needed > 0)
        WideCharToMultiByte(CP_ACP, 0, text, size, narrow.data(), needed, nullptr, nullptr);
    return narrow;
}

BSTR AnsiToBSTR(const AnsiString& text)
{
    const std::u16string wide = AnsiToWide(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

AnsiString BSTRToAnsi(BSTR text) { return WideToAnsi(text, SysStringLen(text)); }

LPWSTR AnsiToCoTaskMemWide(const AnsiString& text)
{
    const std::u16string wide = AnsiToWide(text);
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
    const std::u16string wide = AnsiToWide(text);
    GUID guid{};
    if (wide.size() != 38 || IIDFromString(wide.c_str(), &guid) != S_OK)
        throw EConvertError("Invalid GUID text: " + text);
    return guid;
}

}  // namespace zelcom

// Text conversions through the code-page functions, and GUID text through
// the COM library's.
#include "Zelcomstrings.h"

#include <cstring>

#include "objbase.h"
#include "stringapiset.h"
#include "textconv.h"

namespace zelcom {

// The 8-bit code page is UTF-8 here.
std::u16string AnsiToWide(const AnsiString& text) { return twscom::Utf8ToUtf16(text); }

AnsiString WideToAnsi(const char16_t* text) { return twscom::Utf16ToUtf8(text); }

AnsiString WideToAnsi(const char16_t* text, std::size_t length)
{
    return text == nullptr ? AnsiString() : twscom::Utf16ToUtf8(std::u16string_view(text, length));
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

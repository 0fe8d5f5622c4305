// MultiByteToWideChar, WideCharToMultiByte and lstrlenW where every 8-bit
// code page the product uses is UTF-8, as on POSIX systems.
//
// Invalid input is replaced one maximal invalid part at a time (the Unicode
// recommendation that Windows also follows), so that a damaged byte never
// swallows the valid text after it.
#include "stringapiset.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "handle.h"
#include "textconv.h"
#include "winerror.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsUtf8CodePage(UINT codePage)
{
    return codePage == CP_ACP || codePage == CP_OEMCP || codePage == CP_THREAD_ACP ||
           codePage == CP_UTF8;
}

int Fail(DWORD error)
{
    SetLastError(error);
    return 0;
}

// Decodes one code point from [p, end). Returns the bytes consumed (at
// least 1); valid is false for a maximal invalid part.
std::size_t DecodeUtf8(const unsigned char* p, const unsigned char* end, char32_t& cp, bool& valid)
{
    const unsigned char b0 = p[0];
    valid = false;
    if (b0 < 0x80) {
        cp = b0;
        valid = true;
        return 1;
    }
    int need;
    unsigned char lower = 0x80, upper = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        need = 1;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        need = 2;
        cp = b0 & 0x0F;
        if (b0 == 0xE0)
            lower = 0xA0;  // overlong
        if (b0 == 0xED)
            upper = 0x9F;  // UTF-16 surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        need = 3;
        cp = b0 & 0x07;
        if (b0 == 0xF0)
            lower = 0x90;  // overlong
        if (b0 == 0xF4)
            upper = 0x8F;  // beyond U+10FFFF
    } else {
        return 1;
    }
    std::size_t used = 1;
    for (int k = 0; k < need; ++k) {
        if (p + used >= end || p[used] < lower || p[used] > upper)
            return used;
        cp = (cp << 6) | (p[used] & 0x3F);
        ++used;
        lower = 0x80;
        upper = 0xBF;
    }
    valid = true;
    return used;
}

}  // namespace

extern "C" {

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar)
{
    if (!IsUtf8CodePage(CodePage))
        return Fail(ERROR_INVALID_PARAMETER);
    const DWORD allowed = CodePage == CP_UTF8
                              ? DWORD{MB_ERR_INVALID_CHARS}
                              : DWORD{MB_PRECOMPOSED | MB_COMPOSITE | MB_USEGLYPHCHARS |
                                      MB_ERR_INVALID_CHARS};
    if ((dwFlags & ~allowed) != 0 || ((dwFlags & MB_PRECOMPOSED) && (dwFlags & MB_COMPOSITE)))
        return Fail(ERROR_INVALID_FLAGS);
    if (lpMultiByteStr == nullptr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (lpWideCharStr == nullptr && cchWideChar > 0))
        return Fail(ERROR_INVALID_PARAMETER);

    const std::size_t length =
        cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<std::size_t>(cbMultiByte);
    const auto* p = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
    const auto* end = p + length;
    const bool strict = (dwFlags & MB_ERR_INVALID_CHARS) != 0;
    const bool measure = cchWideChar == 0;

    std::size_t written = 0;
    auto put = [&](char16_t unit) {
        if (!measure) {
            if (written >= static_cast<std::size_t>(cchWideChar))
                return false;
            lpWideCharStr[written] = unit;
        }
        ++written;
        return true;
    };
    while (p < end) {
        // Paths are mostly ASCII: a run of it is copied without decoding,
        // which the scan's status text and every listed path go through.
        // Eight bytes are tested at once, and copied as eight units.
        if (*p < 0x80) {
            const std::size_t room = measure ? SIZE_MAX : static_cast<std::size_t>(cchWideChar) - written;
            std::size_t count = 0;
            std::uint64_t word = 0;
            while (static_cast<std::size_t>(end - p) - count >= 8 && room - count >= 8 &&
                   (std::memcpy(&word, p + count, 8), (word & 0x8080808080808080u) == 0)) {
                if (!measure) {
                    // Eight units from a local copy: no aliasing to fear, so
                    // the compiler widens them together.
                    unsigned char bytes[8];
                    std::memcpy(bytes, p + count, 8);
                    char16_t units[8];
                    for (std::size_t k = 0; k < 8; ++k)
                        units[k] = bytes[k];
                    std::memcpy(lpWideCharStr + written + count, units, sizeof units);
                }
                count += 8;
            }
            for (; p + count < end && p[count] < 0x80; ++count) {
                if (count >= room)
                    return Fail(ERROR_INSUFFICIENT_BUFFER);
                if (!measure)
                    lpWideCharStr[written + count] = static_cast<char16_t>(p[count]);
            }
            written += count;
            p += count;
            continue;
        }
        char32_t cp = 0;
        bool valid = false;
        p += DecodeUtf8(p, end, cp, valid);
        if (!valid) {
            if (strict)
                return Fail(ERROR_NO_UNICODE_TRANSLATION);
            cp = kReplacement;
        }
        bool fits;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            fits = put(static_cast<char16_t>(0xD800 + (cp >> 10))) &&
                   put(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            fits = put(static_cast<char16_t>(cp));
        }
        if (!fits)
            return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    if (written > static_cast<std::size_t>(INT_MAX))
        return Fail(ERROR_INVALID_PARAMETER);
    return static_cast<int>(written);
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCCH lpDefaultChar,
                        LPBOOL lpUsedDefaultChar)
{
    if (!IsUtf8CodePage(CodePage))
        return Fail(ERROR_INVALID_PARAMETER);
    const DWORD allowed =
        CodePage == CP_UTF8 ? DWORD{WC_ERR_INVALID_CHARS}
                            : DWORD{WC_COMPOSITECHECK | WC_DISCARDNS | WC_SEPCHARS |
                                    WC_DEFAULTCHAR | WC_ERR_INVALID_CHARS | WC_NO_BEST_FIT_CHARS};
    if ((dwFlags & ~allowed) != 0)
        return Fail(ERROR_INVALID_FLAGS);
    if (CodePage == CP_UTF8 && (lpDefaultChar != nullptr || lpUsedDefaultChar != nullptr))
        return Fail(ERROR_INVALID_PARAMETER);
    if (lpWideCharStr == nullptr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (lpMultiByteStr == nullptr && cbMultiByte > 0))
        return Fail(ERROR_INVALID_PARAMETER);

    std::size_t length;
    if (cchWideChar == -1)
        length = static_cast<std::size_t>(lstrlenW(lpWideCharStr)) + 1;
    else
        length = static_cast<std::size_t>(cchWideChar);
    const bool strict = (dwFlags & WC_ERR_INVALID_CHARS) != 0;
    const bool measure = cbMultiByte == 0;
    const bool useDefault = CodePage != CP_UTF8;
    const char defaultChar = lpDefaultChar != nullptr ? *lpDefaultChar : '?';
    if (lpUsedDefaultChar != nullptr)
        *lpUsedDefaultChar = FALSE;

    std::size_t written = 0;
    auto put = [&](const char* bytes, std::size_t count) {
        if (!measure) {
            if (written + count > static_cast<std::size_t>(cbMultiByte))
                return false;
            std::memcpy(lpMultiByteStr + written, bytes, count);
        }
        written += count;
        return true;
    };
    for (std::size_t i = 0; i < length; ++i) {
        // A run of ASCII is copied as it is (see MultiByteToWideChar).
        if (lpWideCharStr[i] < 0x80) {
            std::size_t run = i;
            while (run < length && lpWideCharStr[run] < 0x80)
                ++run;
            const std::size_t count = run - i;
            if (!measure) {
                if (written + count > static_cast<std::size_t>(cbMultiByte))
                    return Fail(ERROR_INSUFFICIENT_BUFFER);
                for (std::size_t k = 0; k < count; ++k)
                    lpMultiByteStr[written + k] = static_cast<char>(lpWideCharStr[i + k]);
            }
            written += count;
            if (written > static_cast<std::size_t>(INT_MAX))
                return Fail(ERROR_INVALID_PARAMETER);
            i = run - 1;
            continue;
        }
        char32_t cp = lpWideCharStr[i];
        bool valid = true;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 1 < length && lpWideCharStr[i + 1] >= 0xDC00 && lpWideCharStr[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (lpWideCharStr[i + 1] - 0xDC00);
                ++i;
            } else {
                valid = false;
            }
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            valid = false;
        }
        char bytes[4];
        std::size_t count;
        if (!valid) {
            if (strict)
                return Fail(ERROR_NO_UNICODE_TRANSLATION);
            if (useDefault && (lpDefaultChar != nullptr || lpUsedDefaultChar != nullptr)) {
                if (lpUsedDefaultChar != nullptr)
                    *lpUsedDefaultChar = TRUE;
                if (!put(&defaultChar, 1))
                    return Fail(ERROR_INSUFFICIENT_BUFFER);
                continue;
            }
            cp = kReplacement;
        }
        if (cp < 0x80) {
            bytes[0] = static_cast<char>(cp);
            count = 1;
        } else if (cp < 0x800) {
            bytes[0] = static_cast<char>(0xC0 | (cp >> 6));
            bytes[1] = static_cast<char>(0x80 | (cp & 0x3F));
            count = 2;
        } else if (cp < 0x10000) {
            bytes[0] = static_cast<char>(0xE0 | (cp >> 12));
            bytes[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            bytes[2] = static_cast<char>(0x80 | (cp & 0x3F));
            count = 3;
        } else {
            bytes[0] = static_cast<char>(0xF0 | (cp >> 18));
            bytes[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            bytes[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            bytes[3] = static_cast<char>(0x80 | (cp & 0x3F));
            count = 4;
        }
        if (!put(bytes, count))
            return Fail(ERROR_INSUFFICIENT_BUFFER);
        if (written > static_cast<std::size_t>(INT_MAX))
            return Fail(ERROR_INVALID_PARAMETER);
    }
    return static_cast<int>(written);
}

int lstrlenW(LPCWSTR lpString)
{
    if (lpString == nullptr)
        return 0;
    std::size_t n = 0;
    while (lpString[n] != 0)
        ++n;
    return n > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
}
}

namespace twscom {

std::u16string Utf8ToUtf16(std::string_view text)
{
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX))
        return {};
    const int size = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::u16string result(static_cast<std::size_t>(needed > 0 ? needed : 0), u'\0');
    if (needed > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), size, result.data(), needed);
    return result;
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX))
        return {};
    const int size = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
    if (needed > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, result.data(), needed, nullptr, nullptr);
    return result;
}

std::string Utf16ToUtf8(const char16_t* text)
{
    return text == nullptr ? std::string() : Utf16ToUtf8(std::u16string_view(text));
}

}  // namespace twscom

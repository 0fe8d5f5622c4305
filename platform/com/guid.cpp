// The standard interface identifiers, GUID text both ways, ProgID lookup and
// random GUIDs.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>

#include "Hexdigit.h"
#include "cominternal.h"
#include "oaidl.h"
#include "objbase.h"
#include "ocidl.h"
#include "stringapiset.h"

#define TWS_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    extern "C" const GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}

TWS_GUID(GUID_NULL, 0x00000000, 0x0000, 0x0000, 0, 0, 0, 0, 0, 0, 0, 0);
TWS_GUID(IID_NULL, 0x00000000, 0x0000, 0x0000, 0, 0, 0, 0, 0, 0, 0, 0);
TWS_GUID(CLSID_NULL, 0x00000000, 0x0000, 0x0000, 0, 0, 0, 0, 0, 0, 0, 0);
TWS_GUID(IID_IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
TWS_GUID(IID_IClassFactory, 0x00000001, 0x0000, 0x0000, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
TWS_GUID(IID_IDispatch, 0x00020400, 0x0000, 0x0000, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
TWS_GUID(IID_ITypeInfo, 0x00020401, 0x0000, 0x0000, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
TWS_GUID(IID_ITypeLib, 0x00020402, 0x0000, 0x0000, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
TWS_GUID(IID_ITypeComp, 0x00020403, 0x0000, 0x0000, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
TWS_GUID(IID_IErrorInfo, 0x1CF2B120, 0x547D, 0x101B, 0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1,
         0x19);
TWS_GUID(IID_ICreateErrorInfo, 0x22F03340, 0x547D, 0x101B, 0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B,
         0xD1, 0x19);
TWS_GUID(IID_ISupportErrorInfo, 0xDF0B3D60, 0x548F, 0x101B, 0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B,
         0xD1, 0x19);
TWS_GUID(IID_IConnectionPointContainer, 0xB196B284, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00,
         0x34, 0x1D, 0x07);
TWS_GUID(IID_IEnumConnectionPoints, 0xB196B285, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00,
         0x34, 0x1D, 0x07);
TWS_GUID(IID_IConnectionPoint, 0xB196B286, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34,
         0x1D, 0x07);
TWS_GUID(IID_IEnumConnections, 0xB196B287, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34,
         0x1D, 0x07);

namespace twscom::detail {

std::string GuidToText(REFGUID guid)
{
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                  guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return text;
}

namespace {
// Reads digits hex digits at text[pos]; false on any other character.
bool ReadHex(const char16_t* text, std::size_t pos, int digits, std::uint32_t& value)
{
    value = 0;
    for (int i = 0; i < digits; ++i) {
        const int v = twsplatform::HexDigitValue(text[pos + i]);
        if (v < 0)
            return false;
        value = (value << 4) | static_cast<std::uint32_t>(v);
    }
    return true;
}
}  // namespace

bool TextToGuid(const char16_t* text, std::size_t length, GUID& guid)
{
    // {01234567-0123-0123-0123-012345678901}
    if (text == nullptr || length != 38 || text[0] != u'{' || text[37] != u'}' || text[9] != u'-' ||
        text[14] != u'-' || text[19] != u'-' || text[24] != u'-')
        return false;
    std::uint32_t v;
    GUID result{};
    if (!ReadHex(text, 1, 8, v))
        return false;
    result.Data1 = v;
    if (!ReadHex(text, 10, 4, v))
        return false;
    result.Data2 = static_cast<WORD>(v);
    if (!ReadHex(text, 15, 4, v))
        return false;
    result.Data3 = static_cast<WORD>(v);
    static constexpr std::size_t kBytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!ReadHex(text, kBytePos[i], 2, v))
            return false;
        result.Data4[i] = static_cast<BYTE>(v);
    }
    guid = result;
    return true;
}

}  // namespace twscom::detail

using namespace twscom::detail;
using twscom::Utf16ToUtf8;
using twscom::Utf8ToUtf16;

extern "C" {

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax)
{
    if (lpsz == nullptr || cchMax < 39)
        return 0;
    const std::string text = GuidToText(rguid);
    for (std::size_t i = 0; i < text.size(); ++i)
        lpsz[i] = static_cast<OLECHAR>(text[i]);
    lpsz[text.size()] = 0;
    return 39;
}

HRESULT StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz)
{
    if (lplpsz == nullptr)
        return E_INVALIDARG;
    *lplpsz = static_cast<LPOLESTR>(CoTaskMemAlloc(39 * sizeof(OLECHAR)));
    if (*lplpsz == nullptr)
        return E_OUTOFMEMORY;
    StringFromGUID2(rclsid, *lplpsz, 39);
    return S_OK;
}

HRESULT StringFromIID(REFIID rclsid, LPOLESTR* lplpsz) { return StringFromCLSID(rclsid, lplpsz); }

HRESULT IIDFromString(LPCOLESTR lpsz, LPIID lpiid)
{
    if (lpiid == nullptr)
        return E_INVALIDARG;
    if (lpsz == nullptr) {
        *lpiid = IID_NULL;
        return S_OK;
    }
    return TextToGuid(lpsz, static_cast<std::size_t>(lstrlenW(lpsz)), *lpiid) ? S_OK : E_INVALIDARG;
}

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid)
{
    if (pclsid == nullptr)
        return E_INVALIDARG;
    if (lpsz == nullptr) {
        *pclsid = CLSID_NULL;
        return S_OK;
    }
    const std::size_t length = static_cast<std::size_t>(lstrlenW(lpsz));
    if (TextToGuid(lpsz, length, *pclsid))
        return S_OK;
    if (length > 0 && lpsz[0] != u'{' && SUCCEEDED(CLSIDFromProgID(lpsz, pclsid)))
        return S_OK;
    *pclsid = CLSID_NULL;
    return CO_E_CLASSSTRING;
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid)
{
    if (lpszProgID == nullptr || lpclsid == nullptr)
        return E_INVALIDARG;
    const std::string progId = Utf16ToUtf8(lpszProgID);
    std::string text;
    if (progId.empty() || !ReadRegistryString(HKEY_CLASSES_ROOT, progId + "\\CLSID", "", text))
        return CO_E_CLASSSTRING;
    const std::u16string wide = Utf8ToUtf16(text);
    if (!TextToGuid(wide.data(), wide.size(), *lpclsid))
        return CO_E_CLASSSTRING;
    return S_OK;
}

HRESULT CoCreateGuid(GUID* pguid)
{
    if (pguid == nullptr)
        return E_INVALIDARG;
    try {
        std::random_device device;
        BYTE bytes[16];
        for (int i = 0; i < 16; i += 4) {
            const std::uint32_t r = device();
            std::memcpy(bytes + i, &r, 4);
        }
        bytes[6] = static_cast<BYTE>((bytes[6] & 0x0F) | 0x40);  // version 4
        bytes[8] = static_cast<BYTE>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
        pguid->Data1 = static_cast<DWORD>(bytes[0]) << 24 | static_cast<DWORD>(bytes[1]) << 16 |
                       static_cast<DWORD>(bytes[2]) << 8 | bytes[3];
        pguid->Data2 = static_cast<WORD>(bytes[4] << 8 | bytes[5]);
        pguid->Data3 = static_cast<WORD>(bytes[6] << 8 | bytes[7]);
        std::memcpy(pguid->Data4, bytes + 8, 8);
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}
}

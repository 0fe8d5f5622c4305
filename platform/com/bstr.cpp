// BSTRs: a 32-bit byte length, the characters, and a zero character, in one
// task-allocated block; the BSTR points at the characters.
#include <cstdint>
#include <cstring>

#include "objbase.h"
#include "oleauto.h"
#include "stringapiset.h"

namespace {

constexpr std::size_t kPrefix = sizeof(std::uint32_t);

// A block for byteLength bytes of text plus two zero bytes; null when the
// length does not fit the 32-bit prefix or memory runs out.
BSTR AllocateBytes(const void* source, std::size_t byteLength)
{
    if (byteLength > UINT32_MAX - kPrefix - sizeof(OLECHAR))
        return nullptr;
    auto* block = static_cast<unsigned char*>(
        CoTaskMemAlloc(kPrefix + byteLength + sizeof(OLECHAR) + 1));
    if (block == nullptr)
        return nullptr;
    const auto prefix = static_cast<std::uint32_t>(byteLength);
    std::memcpy(block, &prefix, kPrefix);
    unsigned char* text = block + kPrefix;
    if (source != nullptr)
        std::memcpy(text, source, byteLength);
    else
        std::memset(text, 0, byteLength);
    // An odd byte length still ends in a whole zero character.
    text[byteLength] = 0;
    text[byteLength + 1] = 0;
    text[byteLength + 2] = 0;
    return reinterpret_cast<BSTR>(text);
}

std::uint32_t ByteLength(BSTR bstr)
{
    std::uint32_t length;
    std::memcpy(&length, reinterpret_cast<const unsigned char*>(bstr) - kPrefix, kPrefix);
    return length;
}

}  // namespace

extern "C" {

BSTR SysAllocString(const OLECHAR* psz)
{
    if (psz == nullptr)
        return nullptr;
    return SysAllocStringLen(psz, static_cast<UINT>(lstrlenW(psz)));
}

BSTR SysAllocStringLen(const OLECHAR* psz, UINT len)
{
    return AllocateBytes(psz, static_cast<std::size_t>(len) * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len) { return AllocateBytes(psz, len); }

INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz)
{
    if (pbstr == nullptr)
        return FALSE;
    if (psz == nullptr) {
        SysFreeString(*pbstr);
        *pbstr = nullptr;
        return TRUE;
    }
    return SysReAllocStringLen(pbstr, psz, static_cast<UINT>(lstrlenW(psz)));
}

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len)
{
    if (pbstr == nullptr)
        return FALSE;
    // The new string is made before the old one is freed: the source may
    // lie inside it.
    BSTR fresh = SysAllocStringLen(psz, len);
    if (fresh == nullptr)
        return FALSE;
    SysFreeString(*pbstr);
    *pbstr = fresh;
    return TRUE;
}

void SysFreeString(BSTR bstrString)
{
    if (bstrString != nullptr)
        CoTaskMemFree(reinterpret_cast<unsigned char*>(bstrString) - kPrefix);
}

UINT SysStringLen(BSTR pbstr)
{
    return pbstr == nullptr ? 0 : ByteLength(pbstr) / sizeof(OLECHAR);
}

UINT SysStringByteLen(BSTR bstr) { return bstr == nullptr ? 0 : ByteLength(bstr); }
}

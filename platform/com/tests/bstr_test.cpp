// BSTRs and the task allocator: the length prefix and terminator, embedded
// zeros, reallocation from the string itself, and the limits.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "objbase.h"
#include "oleauto.h"

namespace {
std::uint32_t Prefix(BSTR b)
{
    std::uint32_t n;
    std::memcpy(&n, reinterpret_cast<const char*>(b) - 4, 4);
    return n;
}
}  // namespace

TEST(ComBstr, CarriesItsByteLengthBeforeAndAZeroAfterTheCharacters)
{
    BSTR b = SysAllocString(u"Tide\U0001F600");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(SysStringLen(b), 6u);
    EXPECT_EQ(SysStringByteLen(b), 12u);
    EXPECT_EQ(Prefix(b), 12u);
    EXPECT_EQ(b[6], 0);
    EXPECT_EQ(std::u16string(b, 6), u"Tide\U0001F600");
    SysFreeString(b);
}

TEST(ComBstr, KeepsEmbeddedZerosAndZeroFillsWithoutSource)
{
    const char16_t text[] = {u'a', 0, u'b', 0, u'c'};
    BSTR b = SysAllocStringLen(text, 5);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(SysStringLen(b), 5u);
    EXPECT_EQ(std::u16string(b, 5), std::u16string(text, 5));

    BSTR blank = SysAllocStringLen(nullptr, 3);
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(std::u16string(blank, 4), std::u16string(4, u'\0'));
    SysFreeString(blank);
    SysFreeString(b);
}

TEST(ComBstr, NullIsTheEmptyString)
{
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);
    BSTR empty = SysAllocString(u"");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    SysFreeString(empty);
}

TEST(ComBstr, ByteLengthMayBeOddAndStillEndsInAWholeZeroCharacter)
{
    BSTR b = SysAllocStringByteLen("abc", 3);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(SysStringByteLen(b), 3u);
    EXPECT_EQ(SysStringLen(b), 1u);
    EXPECT_EQ(std::memcmp(b, "abc\0\0", 5), 0);
    SysFreeString(b);
}

TEST(ComBstr, ReallocationMayTakeItsSourceFromTheStringItself)
{
    BSTR b = SysAllocString(u"Hello world");
    ASSERT_TRUE(SysReAllocStringLen(&b, b + 6, 5));
    EXPECT_EQ(std::u16string(b, SysStringLen(b)), u"world");
    ASSERT_TRUE(SysReAllocString(&b, b));
    EXPECT_EQ(std::u16string(b, SysStringLen(b)), u"world");
    ASSERT_TRUE(SysReAllocString(&b, nullptr));
    EXPECT_EQ(b, nullptr);
    EXPECT_FALSE(SysReAllocString(nullptr, u"x"));
}

TEST(ComBstr, LengthBeyondThePrefixIsRefused)
{
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
    EXPECT_EQ(SysAllocStringByteLen(nullptr, 0xFFFFFFFFu), nullptr);
    BSTR b = SysAllocString(u"kept");
    EXPECT_FALSE(SysReAllocStringLen(&b, nullptr, 0xFFFFFFFFu));
    EXPECT_EQ(std::u16string(b, SysStringLen(b)), u"kept");
    SysFreeString(b);
}

TEST(ComTaskAllocator, ZeroSizesAndReallocation)
{
    void* p = CoTaskMemAlloc(0);
    EXPECT_NE(p, nullptr);
    p = CoTaskMemRealloc(p, 16);
    ASSERT_NE(p, nullptr);
    std::memset(p, 1, 16);
    EXPECT_EQ(CoTaskMemRealloc(p, 0), nullptr);  // freed
    void* fresh = CoTaskMemRealloc(nullptr, 8);
    EXPECT_NE(fresh, nullptr);
    CoTaskMemFree(fresh);
    CoTaskMemFree(nullptr);
}

TEST(ComVariant, ClearFreesWhatTheVariantOwns)
{
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(v.vt, VT_EMPTY);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(u"owned");  // the leak checker sees it if not freed
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

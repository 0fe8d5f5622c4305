// GUID text both ways, the standard identifiers' values, ProgIDs and random
// GUIDs.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ComTestSupport.h"
#include "oaidl.h"
#include "objbase.h"
#include "ocidl.h"

namespace {
constexpr GUID kSample = {0x0123ABCD, 0x4567, 0x89EF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
}

TEST(ComGuidText, IsBracedUpperCaseWithItsZero)
{
    OLECHAR text[39];
    EXPECT_EQ(StringFromGUID2(kSample, text, 39), 39);
    EXPECT_EQ(std::u16string(text), u"{0123ABCD-4567-89EF-0123-456789ABCDEF}");
    EXPECT_EQ(StringFromGUID2(kSample, text, 38), 0);

    LPOLESTR allocated = nullptr;
    ASSERT_EQ(StringFromCLSID(kSample, &allocated), S_OK);
    EXPECT_EQ(std::u16string(allocated), u"{0123ABCD-4567-89EF-0123-456789ABCDEF}");
    CoTaskMemFree(allocated);
}

TEST(ComGuidText, ReadsBackInEitherCase)
{
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromString(u"{0123abcd-4567-89ef-0123-456789abcdef}", &clsid), S_OK);
    EXPECT_TRUE(IsEqualGUID(clsid, kSample));
    IID iid{};
    EXPECT_EQ(IIDFromString(u"{0123ABCD-4567-89EF-0123-456789ABCDEF}", &iid), S_OK);
    EXPECT_EQ(iid, kSample);
    EXPECT_NE(iid, GUID_NULL);
}

TEST(ComGuidText, MalformedTextIsRefused)
{
    const char16_t* bad[] = {
        u"0123ABCD-4567-89EF-0123-456789ABCDEF",    // no braces
        u"{0123ABCD-4567-89EF-0123-456789ABCDE}",   // one digit short
        u"{0123ABCD-4567-89EF-0123-456789ABCDEF0}", // one digit more
        u"{0123ABCG-4567-89EF-0123-456789ABCDEF}",  // not hexadecimal
        u"{0123ABCD-456789EF--0123-456789ABCDEF}",  // hyphen out of place
        u"{ 123ABCD-4567-89EF-0123-456789ABCDEF}",
        u"{+123ABCD-4567-89EF-0123-456789ABCDEF}",
        u"",
    };
    for (const char16_t* text : bad) {
        CLSID clsid = kSample;
        EXPECT_EQ(CLSIDFromString(text, &clsid), CO_E_CLASSSTRING)
            << std::string(text, text + std::char_traits<char16_t>::length(text));
        IID iid{};
        EXPECT_EQ(IIDFromString(text, &iid), E_INVALIDARG);
    }
}

TEST(ComGuidText, StandardIdentifiersHaveTheirWindowsValues)
{
    const struct {
        const GUID& guid;
        const char* text;
    } known[] = {
        {IID_IUnknown, "{00000000-0000-0000-C000-000000000046}"},
        {IID_IClassFactory, "{00000001-0000-0000-C000-000000000046}"},
        {IID_IDispatch, "{00020400-0000-0000-C000-000000000046}"},
        {IID_ITypeInfo, "{00020401-0000-0000-C000-000000000046}"},
        {IID_ITypeLib, "{00020402-0000-0000-C000-000000000046}"},
        {IID_IErrorInfo, "{1CF2B120-547D-101B-8E65-08002B2BD119}"},
        {IID_ICreateErrorInfo, "{22F03340-547D-101B-8E65-08002B2BD119}"},
        {IID_ISupportErrorInfo, "{DF0B3D60-548F-101B-8E65-08002B2BD119}"},
        {IID_IConnectionPointContainer, "{B196B284-BAB4-101A-B69C-00AA00341D07}"},
        {IID_IEnumConnectionPoints, "{B196B285-BAB4-101A-B69C-00AA00341D07}"},
        {IID_IConnectionPoint, "{B196B286-BAB4-101A-B69C-00AA00341D07}"},
        {IID_IEnumConnections, "{B196B287-BAB4-101A-B69C-00AA00341D07}"},
        {GUID_NULL, "{00000000-0000-0000-0000-000000000000}"},
    };
    for (const auto& k : known)
        EXPECT_EQ(GuidText(k.guid), k.text);
}

TEST(ComGuidRandom, IsVersionFourAndDiffersEachTime)
{
    std::set<std::string> seen;
    for (int i = 0; i < 50; ++i) {
        GUID g{};
        ASSERT_EQ(CoCreateGuid(&g), S_OK);
        EXPECT_EQ(g.Data3 >> 12, 4);
        EXPECT_EQ(g.Data4[0] & 0xC0, 0x80);
        seen.insert(GuidText(g));
    }
    EXPECT_EQ(seen.size(), 50u);
}

using ComProgId = TempRegistryTest;

TEST_F(ComProgId, NamesTheClassItsClsidKeyHolds)
{
    SetString(HKEY_CLASSES_ROOT, "Tws.Sample\\CLSID", "", GuidText(kSample));
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"Tws.Sample", &clsid), S_OK);
    EXPECT_EQ(clsid, kSample);
    clsid = GUID_NULL;
    EXPECT_EQ(CLSIDFromString(u"tws.sample", &clsid), S_OK);  // names ignore case
    EXPECT_EQ(clsid, kSample);
    EXPECT_EQ(CLSIDFromProgID(u"Tws.Missing", &clsid), CO_E_CLASSSTRING);

    SetString(HKEY_CLASSES_ROOT, "Tws.Broken\\CLSID", "", "not a guid");
    EXPECT_EQ(CLSIDFromProgID(u"Tws.Broken", &clsid), CO_E_CLASSSTRING);
}

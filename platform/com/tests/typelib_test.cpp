// Type libraries described in code: what LoadTypeLib gives over a module's
// description, and the TypeLib and Interface keys of registration.
#include <gtest/gtest.h>

#include <string>

#include "ComTestSupport.h"
#include "oleauto.h"
#include "testmodule.h"

namespace {

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::u16string Take(BSTR b)
{
    std::u16string s(b, SysStringLen(b));
    SysFreeString(b);
    return s;
}

class ComTypeLibrary : public TempRegistryTest {
protected:
    void SetUp() override
    {
        TempRegistryTest::SetUp();
        ASSERT_EQ(LoadTypeLib(Wide(TestModulePath()).c_str(), &FLib), S_OK);
    }
    void TearDown() override
    {
        if (FLib != nullptr)
            FLib->Release();
        TempRegistryTest::TearDown();
    }

    ITypeInfo* Info(REFGUID guid)
    {
        ITypeInfo* info = nullptr;
        EXPECT_EQ(FLib->GetTypeInfoOfGuid(guid, &info), S_OK);
        return info;
    }

    ITypeLib* FLib = nullptr;
};

}  // namespace

TEST_F(ComTypeLibrary, GivesTheLibraryAttributesAndDocumentation)
{
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(FLib->GetLibAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, LIBID_TwsTestLibrary);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->lcid, 0x409u);
    EXPECT_EQ(attr->syskind, SYS_WIN32);
    FLib->ReleaseTLibAttr(attr);

    BSTR name = nullptr, doc = nullptr;
    ASSERT_EQ(FLib->GetDocumentation(-1, &name, &doc, nullptr, nullptr), S_OK);
    EXPECT_EQ(Take(name), u"TwsTestLibrary");
    EXPECT_EQ(Take(doc), u"Tws Test Library (µ)");  // UTF-8 in the description

    EXPECT_EQ(FLib->GetTypeInfoCount(), 3u);
    TYPEKIND kind;
    ASSERT_EQ(FLib->GetTypeInfoType(2, &kind), S_OK);
    EXPECT_EQ(kind, TKIND_COCLASS);
    EXPECT_EQ(FLib->GetTypeInfoType(3, &kind), TYPE_E_ELEMENTNOTFOUND);
    ASSERT_EQ(FLib->GetDocumentation(1, &name, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(Take(name), u"ITwsTestEvents");
}

TEST_F(ComTypeLibrary, FindsTheCoclassWithItsHelpStringAndDefaultInterfaces)
{
    ITypeInfo* coclass = Info(CLSID_TwsTestObject);
    ASSERT_NE(coclass, nullptr);
    BSTR doc = nullptr;
    ASSERT_EQ(coclass->GetDocumentation(MEMBERID_NIL, nullptr, &doc, nullptr, nullptr), S_OK);
    EXPECT_EQ(Take(doc), u"Test object for the COM runtime");

    TYPEATTR* attr = nullptr;
    ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    EXPECT_EQ(attr->guid, CLSID_TwsTestObject);
    EXPECT_EQ(attr->cImplTypes, 2);
    EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FCANCREATE);
    coclass->ReleaseTypeAttr(attr);

    INT flags = 0;
    HREFTYPE ref = 0;
    ASSERT_EQ(coclass->GetImplTypeFlags(1, &flags), S_OK);
    EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
    ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &ref), S_OK);
    ITypeInfo* defaultInterface = nullptr;
    ASSERT_EQ(coclass->GetRefTypeInfo(ref, &defaultInterface), S_OK);
    ASSERT_EQ(defaultInterface->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, IID_ITwsTestObject);
    EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 2);
    EXPECT_EQ(attr->cFuncs, 2);
    defaultInterface->ReleaseTypeAttr(attr);
    EXPECT_EQ(coclass->GetRefTypeOfImplType(2, &ref), TYPE_E_ELEMENTNOTFOUND);

    ITypeLib* containing = nullptr;
    UINT index = 0;
    ASSERT_EQ(defaultInterface->GetContainingTypeLib(&containing, &index), S_OK);
    EXPECT_EQ(containing, FLib);
    EXPECT_EQ(index, 0u);
    containing->Release();
    defaultInterface->Release();
    coclass->Release();

    ITypeInfo* none = nullptr;
    EXPECT_EQ(FLib->GetTypeInfoOfGuid(GUID_NULL, &none), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(none, nullptr);
}

TEST_F(ComTypeLibrary, DescribesMembersByIdAndName)
{
    ITypeInfo* info = Info(IID_ITwsTestObject);
    ASSERT_NE(info, nullptr);
    BSTR name = nullptr, doc = nullptr;
    ASSERT_EQ(info->GetDocumentation(1, &name, &doc, nullptr, nullptr), S_OK);
    EXPECT_EQ(Take(name), u"Reverse");
    EXPECT_EQ(Take(doc), u"Reverse the characters of a string");
    ASSERT_EQ(info->GetDocumentation(2, nullptr, &doc, nullptr, nullptr), S_OK);
    EXPECT_EQ(Take(doc), u"");  // a member without help string
    EXPECT_EQ(info->GetDocumentation(3, &name, nullptr, nullptr, nullptr), TYPE_E_ELEMENTNOTFOUND);

    LPOLESTR names[] = {const_cast<LPOLESTR>(u"fAIL")};
    MEMBERID id = 0;
    ASSERT_EQ(info->GetIDsOfNames(names, 1, &id), S_OK);
    EXPECT_EQ(id, 2);
    names[0] = const_cast<LPOLESTR>(u"Fails");
    EXPECT_EQ(info->GetIDsOfNames(names, 1, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, MEMBERID_NIL);

    BSTR memberNames[2] = {};
    UINT count = 0;
    ASSERT_EQ(info->GetNames(1, memberNames, 2, &count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(Take(memberNames[0]), u"Reverse");
    info->Release();
}

TEST_F(ComTypeLibrary, CannotLoadWhatHasNoDescription)
{
    ITypeLib* lib = FLib;
    EXPECT_EQ(LoadTypeLib(Wide((FDir / "missing.so").string()).c_str(), &lib),
              TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(lib, nullptr);
    EXPECT_EQ(LoadTypeLib(Wide(BuildOutDir() + "/libvclrt.so").c_str(), &lib),
              TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(LoadTypeLib(nullptr, &lib), E_INVALIDARG);
}

TEST_F(ComTypeLibrary, RegistrationWritesTheWindowsLayoutAndUnregistrationRemovesIt)
{
    const std::string lib = "TypeLib\\" + GuidText(LIBID_TwsTestLibrary);
    const std::string path = TestModulePath();
    ASSERT_EQ(RegisterTypeLib(FLib, Wide(path).c_str(), u"/opt/help/"), S_OK);

    EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, lib + "\\1.0", ""), "Tws Test Library (µ)");
    EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, lib + "\\1.0\\409\\win32", ""), path);
    EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, lib + "\\1.0\\FLAGS", ""), "0");
    EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, lib + "\\1.0\\HELPDIR", ""), "/opt/help/");

    const std::string itf = "Interface\\" + GuidText(IID_ITwsTestObject);
    EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, itf, ""), "ITwsTestObject");
    EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, itf + "\\ProxyStubClsid32", ""),
              "{00020424-0000-0000-C000-000000000046}");
    EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, itf + "\\TypeLib", ""), GuidText(LIBID_TwsTestLibrary));
    EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, itf + "\\TypeLib", "Version"), "1.0");
    const std::string events = "Interface\\" + GuidText(DIID_ITwsTestEvents);
    EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, events + "\\ProxyStubClsid", ""),
              "{00020420-0000-0000-C000-000000000046}");
    // Coclasses are not registered by the type library.
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + GuidText(CLSID_TwsTestObject)));

    ITypeLib* fromRegistry = nullptr;
    ASSERT_EQ(LoadRegTypeLib(LIBID_TwsTestLibrary, 1, 0, 0x409, &fromRegistry), S_OK);
    fromRegistry->Release();
    EXPECT_EQ(LoadRegTypeLib(LIBID_TwsTestLibrary, 2, 0, 0x409, &fromRegistry),
              TYPE_E_LIBNOTREGISTERED);

    // An Interface key another library owns stays.
    const std::string foreign = "Interface\\" + GuidText(IID_IUnknown);
    SetString(HKEY_CLASSES_ROOT, foreign + "\\TypeLib", "", "{00020430-0000-0000-C000-000000000046}");
    SetString(HKEY_CLASSES_ROOT, lib + "\\1.0\\0\\win32", "", path);  // a second locale

    ASSERT_EQ(UnRegisterTypeLib(LIBID_TwsTestLibrary, 1, 0, 0x409, SYS_WIN32), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, lib + "\\1.0\\409"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, lib + "\\1.0\\0\\win32"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, itf));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, events));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, foreign));

    ASSERT_EQ(UnRegisterTypeLib(LIBID_TwsTestLibrary, 1, 0, 0, SYS_WIN32), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, lib));
    EXPECT_EQ(UnRegisterTypeLib(LIBID_TwsTestLibrary, 1, 0, 0x409, SYS_WIN32), E_INVALIDARG);
}

TEST_F(ComTypeLibrary, HelpFolderDefaultsToTheModulesFolder)
{
    ASSERT_EQ(RegisterTypeLib(FLib, u"/opt/tws/module.so", nullptr), S_OK);
    EXPECT_EQ(GetString(HKEY_CLASSES_ROOT,
                        "TypeLib\\" + GuidText(LIBID_TwsTestLibrary) + "\\1.0\\HELPDIR", ""),
              "/opt/tws/");
    // The module is gone: its TypeLib entry can still be removed.
    EXPECT_EQ(UnRegisterTypeLib(LIBID_TwsTestLibrary, 1, 0, 0x409, SYS_WIN32), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\" + GuidText(LIBID_TwsTestLibrary)));
}

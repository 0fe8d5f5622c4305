// The server module as the registration tool and clients see it: the
// registry entries of both classes and of the type library, their removal,
// the type library's description, and creation by ProgID.
#include <objbase.h>

#include "ConfigServerFixture.h"

using namespace configtest;

namespace {

const std::string kConfigClsid = "{FD9BC248-2052-4901-846B-5DD21A76D84D}";
const std::string kStringsClsid = "{F2ECF546-A773-4625-A3FC-ADF976E59EF9}";
const std::string kLibid = "{C33998FE-574E-4C73-B381-F84F451F48DE}";
const std::vector<std::string> kInterfaceKeys = {
    "Interface\\{25E6473E-38DA-4FE3-9BA6-7C061359804A}",
    "Interface\\{D9BD1726-1716-4187-B736-4485235FDE56}",
    "Interface\\{8AF73FA1-E8F6-4AF6-9BE0-62054371E09F}",
};

class TWSConfigModule : public ConfigServerFixture {
protected:
    std::string Module() const { return (install / "TWSConfig.so").string(); }
};

TEST_F(TWSConfigModule, RegistrationEntersBothClassesWithThreadingModelBoth)
{
    struct TClass {
        std::string Clsid, ProgID, Description;
    };
    for (const TClass& c : {TClass{kConfigClsid, "TWSConfig.TidewashConfig", "Configuration Interface for Tidewash"},
                            TClass{kStringsClsid, "TWSConfig.ConfigStrings", ""}}) {
        SCOPED_TRACE(c.ProgID);
        const std::string key = "CLSID\\" + c.Clsid;
        EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, key), c.Description);
        EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, key + "\\InprocServer32"), Module());
        EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, key + "\\InprocServer32", "ThreadingModel"), "Both");
        EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, key + "\\ProgID"), c.ProgID);
        EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, key + "\\Version"), "1.0");
        EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, key + "\\Typelib"), kLibid);
        EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, c.ProgID), c.Description);
        EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, c.ProgID + "\\CLSID"), c.Clsid);
    }
    const std::string lib = "TypeLib\\" + kLibid + "\\1.0";
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, lib), "TWSConfig Library");
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, lib + "\\409\\win32"), Module());
    for (const std::string& key : kInterfaceKeys)
        EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, key + "\\TypeLib"), kLibid) << key;
}

// Unregistration removes what registration entered, the type library's
// registration included, and nothing else; doing it twice is no failure.
TEST_F(TWSConfigModule, UnregistrationRemovesTheClassesAndTheTypeLibrary)
{
    HKEY other = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32", 0,
                              nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &other, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(other);

    ASSERT_EQ(RegisterTool("/u"), 0);
    for (const std::string& key :
         {"CLSID\\" + kConfigClsid, "CLSID\\" + kStringsClsid, std::string("TWSConfig.TidewashConfig"),
          std::string("TWSConfig.ConfigStrings"), "TypeLib\\" + kLibid, kInterfaceKeys[0], kInterfaceKeys[1],
          kInterfaceKeys[2]})
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32"));

    ITypeLib* lib = nullptr;
    EXPECT_TRUE(FAILED(LoadRegTypeLib(LIBID_TWSConfig, 1, 0, 0x409, &lib)));
    IUnknown* object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_TidewashConfig, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&object)),
              REGDB_E_CLASSNOTREG);

    EXPECT_EQ(RegisterTool("/u"), 0);
    EXPECT_EQ(RegisterTool(""), 0);
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, "CLSID\\" + kConfigClsid + "\\InprocServer32", "ThreadingModel"), "Both");
}

TEST_F(TWSConfigModule, ProgIDsNameTheClasses)
{
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"TWSConfig.TidewashConfig", &clsid), S_OK);
    EXPECT_TRUE(IsEqualGUID(clsid, CLSID_TidewashConfig));
    ITidewashConfig* config = nullptr;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_ITidewashConfig,
                               reinterpret_cast<void**>(&config)),
              S_OK);
    TPtr<ITidewashConfig> owned(config);
    EXPECT_EQ(config->Initialize(), S_OK);

    ASSERT_EQ(CLSIDFromProgID(u"TWSConfig.ConfigStrings", &clsid), S_OK);
    EXPECT_TRUE(IsEqualGUID(clsid, CLSID_ConfigStrings));

    // Neither class answers the other's interface.
    void* none = &clsid;
    EXPECT_EQ(config->QueryInterface(IID_IConfigStrings, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    TPtr<IConfigStrings> list = List();
    none = &clsid;
    EXPECT_EQ(list->QueryInterface(IID_ITidewashConfig, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
}

// The registered type library, as a client's tools read it.
class TWSConfigTypeLibrary : public TWSConfigModule {
protected:
    void SetUp() override
    {
        TWSConfigModule::SetUp();
        ASSERT_EQ(LoadRegTypeLib(LIBID_TWSConfig, 1, 0, 0x409, &FLib), S_OK);
    }
    void TearDown() override
    {
        if (FLib != nullptr)
            FLib->Release();
        TWSConfigModule::TearDown();
    }
    TPtr<ITypeInfo> Info(REFGUID guid)
    {
        ITypeInfo* info = nullptr;
        EXPECT_EQ(FLib->GetTypeInfoOfGuid(guid, &info), S_OK);
        return TPtr<ITypeInfo>(info);
    }
    // Name and help string of the type (MEMBERID_NIL) or of a member.
    static std::pair<std::string, std::string> Documentation(ITypeInfo* info, MEMBERID memid)
    {
        BSTR name = nullptr;
        BSTR help = nullptr;
        EXPECT_EQ(info->GetDocumentation(memid, &name, &help, nullptr, nullptr), S_OK);
        std::pair<std::string, std::string> result{Narrow(name), Narrow(help)};
        SysFreeString(name);
        SysFreeString(help);
        return result;
    }
    static MEMBERID MemberId(ITypeInfo* info, const std::string& name)
    {
        std::u16string wide = Wide(name);
        LPOLESTR names[] = {wide.data()};
        MEMBERID id = -1;
        EXPECT_EQ(info->GetIDsOfNames(names, 1, &id), S_OK) << name;
        return id;
    }
    struct TAttr {
        TYPEKIND Kind;
        WORD Flags, Major, Minor, Funcs, ImplTypes;
    };
    static TAttr Attributes(ITypeInfo* info)
    {
        TYPEATTR* attr = nullptr;
        EXPECT_EQ(info->GetTypeAttr(&attr), S_OK);
        const TAttr result{attr->typekind, attr->wTypeFlags, attr->wMajorVerNum,
                           attr->wMinorVerNum, attr->cFuncs, attr->cImplTypes};
        info->ReleaseTypeAttr(attr);
        return result;
    }

    ITypeLib* FLib = nullptr;
};

TEST_F(TWSConfigTypeLibrary, TheLibraryIsTWSConfigOneZero)
{
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(FLib->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_TWSConfig));
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->lcid, 0x409u);
    FLib->ReleaseTLibAttr(attr);
    BSTR name = nullptr;
    BSTR help = nullptr;
    ASSERT_EQ(FLib->GetDocumentation(-1, &name, &help, nullptr, nullptr), S_OK);
    EXPECT_EQ(Narrow(name), "TWSConfig");
    EXPECT_EQ(Narrow(help), "TWSConfig Library");
    SysFreeString(name);
    SysFreeString(help);
    EXPECT_EQ(FLib->GetTypeInfoCount(), 5u);
}

TEST_F(TWSConfigTypeLibrary, InterfacesCarryTheirMemberIdsVersionsAndHelpStrings)
{
    TPtr<ITypeInfo> config = Info(IID_ITidewashConfig);
    ASSERT_NE(config, nullptr);
    TAttr attr = Attributes(config.get());
    EXPECT_EQ(attr.Kind, TKIND_INTERFACE);
    EXPECT_TRUE(attr.Flags & TYPEFLAG_FOLEAUTOMATION);
    EXPECT_EQ(attr.Major, 1);
    EXPECT_EQ(attr.Minor, 19);
    EXPECT_EQ(attr.Funcs, 16);
    EXPECT_EQ(Documentation(config.get(), MEMBERID_NIL).second, "Interface for TidewashConfig Object");
    const char* const configMembers[] = {
        "Initialize",       "Load",         "GetExcludedFolders",   "GetActiveMasks",
        "GetDeleteHiddenFiles", "GetDeleteReadOnlyFiles", "GetExcludedVolumes", "SetExcludedFolders",
        "DeleteActiveMask", "SetDeleteHiddenFiles", "SetDeleteReadOnlyFiles", "SetExcludedVolumes",
        "SetActiveMasks",   "Save",         "GetUseRecycleBin",     "SetUseRecycleBin"};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(MemberId(config.get(), configMembers[i]), i + 1) << configMembers[i];
    EXPECT_EQ(Documentation(config.get(), 2).second, "Load configuration data for the current user");
    EXPECT_EQ(Documentation(config.get(), 7).second, "Get the volumes excluded from processing");
    EXPECT_EQ(Documentation(config.get(), 14).second, "");

    TPtr<ITypeInfo> strings = Info(IID_IConfigStrings);
    ASSERT_NE(strings, nullptr);
    attr = Attributes(strings.get());
    EXPECT_EQ(attr.Kind, TKIND_INTERFACE);
    EXPECT_EQ(attr.Major, 1);
    EXPECT_EQ(attr.Minor, 10);
    EXPECT_EQ(Documentation(strings.get(), MEMBERID_NIL).second, "Interface for ConfigStrings Object");
    const std::pair<const char*, MEMBERID> stringsMembers[] = {
        {"Add", 1}, {"Delete", 2}, {"SetStringsSDF", 3}, {"Clear", 4},
        {"Count", 5}, {"GetItem", 8}, {"GetAsCommaText", 6}};
    for (const auto& [name, id] : stringsMembers)
        EXPECT_EQ(MemberId(strings.get(), name), id) << name;
    EXPECT_EQ(Documentation(strings.get(), 8).second, "Get a string item from the collection by index");

    TPtr<ITypeInfo> events = Info(DIID_ITidewashConfigEvents);
    ASSERT_NE(events, nullptr);
    attr = Attributes(events.get());
    EXPECT_EQ(attr.Kind, TKIND_DISPATCH);
    EXPECT_EQ(attr.Major, 1);
    EXPECT_EQ(attr.Minor, 7);
    EXPECT_EQ(attr.Funcs, 0);
    EXPECT_EQ(Documentation(events.get(), MEMBERID_NIL).second, "Events interface for TidewashConfig Object");
}

TEST_F(TWSConfigTypeLibrary, TheClassesNameTheirDefaultAndSourceInterfaces)
{
    TPtr<ITypeInfo> config = Info(CLSID_TidewashConfig);
    ASSERT_NE(config, nullptr);
    TAttr attr = Attributes(config.get());
    EXPECT_EQ(attr.Kind, TKIND_COCLASS);
    EXPECT_TRUE(attr.Flags & TYPEFLAG_FCANCREATE);
    ASSERT_EQ(attr.ImplTypes, 2);
    EXPECT_EQ(Documentation(config.get(), MEMBERID_NIL), std::make_pair(std::string("TidewashConfig"),
                                                                         std::string("TidewashConfig")));
    const std::pair<GUID, INT> implemented[] = {
        {IID_ITidewashConfig, IMPLTYPEFLAG_FDEFAULT},
        {DIID_ITidewashConfigEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}};
    for (UINT i = 0; i < 2; ++i) {
        INT flags = -1;
        EXPECT_EQ(config->GetImplTypeFlags(i, &flags), S_OK);
        EXPECT_EQ(flags, implemented[i].second);
        HREFTYPE ref = 0;
        ITypeInfo* implementedInfo = nullptr;
        ASSERT_EQ(config->GetRefTypeOfImplType(i, &ref), S_OK);
        ASSERT_EQ(config->GetRefTypeInfo(ref, &implementedInfo), S_OK);
        TPtr<ITypeInfo> owned(implementedInfo);
        TYPEATTR* typeAttr = nullptr;
        ASSERT_EQ(implementedInfo->GetTypeAttr(&typeAttr), S_OK);
        EXPECT_TRUE(IsEqualGUID(typeAttr->guid, implemented[i].first)) << i;
        implementedInfo->ReleaseTypeAttr(typeAttr);
    }

    TPtr<ITypeInfo> strings = Info(CLSID_ConfigStrings);
    ASSERT_NE(strings, nullptr);
    attr = Attributes(strings.get());
    EXPECT_TRUE(attr.Flags & TYPEFLAG_FCANCREATE);
    EXPECT_EQ(attr.ImplTypes, 1);
    EXPECT_EQ(Documentation(strings.get(), MEMBERID_NIL).second, "ConfigStrings");
}

}  // namespace

// The configuration server as Windows clients see it, once regsvr32 has
// registered TWSConfig.dll (the CTest fixture "TWSConfigRegistered"):
// created by CLSID and by ProgID through the system's COM, its type library
// loaded from the module as registered and holding what the server's own
// description says, and the settings written to a file and read back.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "TWSConfig_tlb.h"
#include "TempFolder.h"
#include "Zelcomstrings.h"

namespace {

class TWSConfigServer : public testing::Test {
protected:
    void SetUp() override { ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
    void TearDown() override { CoUninitialize(); }

    static ITidewashConfig* NewConfig()
    {
        ITidewashConfig* config = nullptr;
        EXPECT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_TidewashConfig, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_ITidewashConfig, reinterpret_cast<void**>(&config)));
        return config;
    }
    // The list's comma text; the list is released and its slot emptied (a
    // Get method releases what its slot still holds).
    static std::string Text(IConfigStrings*& list)
    {
        BSTR text = nullptr;
        EXPECT_HRESULT_SUCCEEDED(list->GetAsCommaText(&text));
        const std::string result = zelcom::BSTRToAnsi(text);
        SysFreeString(text);
        list->Release();
        list = nullptr;
        return result;
    }
};

}  // namespace

TEST_F(TWSConfigServer, ListsAndFlagsSurviveASaveAndALoadByAnotherObject)
{
    twstesting::TTempFolder folder("twsconfig");
    const std::string file = (folder / "TWS.cfg").string();
    std::string name = file;
    ITidewashConfig* first = NewConfig();
    ASSERT_NE(first, nullptr);
    ASSERT_HRESULT_SUCCEEDED(first->Initialize());
    ASSERT_HRESULT_SUCCEEDED(first->Load(name.data()));
    std::string mask = "*.obj";
    ASSERT_HRESULT_SUCCEEDED(first->DeleteActiveMask(mask.data()));
    ASSERT_HRESULT_SUCCEEDED(first->Save(name.data()));
    first->Release();

    ITidewashConfig* second = NewConfig();
    ASSERT_NE(second, nullptr);
    ASSERT_HRESULT_SUCCEEDED(second->Initialize());
    ASSERT_HRESULT_SUCCEEDED(second->Load(name.data()));
    IConfigStrings* masks = nullptr;
    ASSERT_HRESULT_SUCCEEDED(second->GetActiveMasks(&masks));
    EXPECT_EQ(Text(masks), "*.map,*.dsk,*.csm,*.tds,*.il*,*.~*,*.#*,*.bak");
    VARIANT_BOOL hidden = VARIANT_TRUE;
    ASSERT_HRESULT_SUCCEEDED(second->GetDeleteHiddenFiles(&hidden));
    EXPECT_EQ(hidden, VARIANT_FALSE);
    EXPECT_EQ(second->Initialize(), DISP_E_EXCEPTION) << "a second Initialize fails";
    second->Release();
}

TEST_F(TWSConfigServer, SettingsSavedByOneObjectAreLoadedByAnother)
{
    twstesting::TTempFolder folder("twsconfig");
    std::string file = (folder / "TWS.cfg").string();

    ITidewashConfig* config = NewConfig();
    ASSERT_NE(config, nullptr);
    ASSERT_HRESULT_SUCCEEDED(config->Initialize());
    ASSERT_HRESULT_SUCCEEDED(config->Load(file.data()));
    IConfigStrings* masks = nullptr;
    ASSERT_HRESULT_SUCCEEDED(config->GetActiveMasks(&masks));
    EXPECT_EQ(Text(masks), "*.map,*.dsk,*.obj,*.csm,*.tds,*.il*,*.~*,*.#*,*.bak");
    ASSERT_HRESULT_SUCCEEDED(config->SetDeleteHiddenFiles(VARIANT_TRUE));
    std::string mask = "*.obj";
    ASSERT_HRESULT_SUCCEEDED(config->DeleteActiveMask(mask.data()));
    ASSERT_HRESULT_SUCCEEDED(config->Save(file.data()));
    config->Release();

    config = NewConfig();
    ASSERT_NE(config, nullptr);
    ASSERT_HRESULT_SUCCEEDED(config->Initialize());
    ASSERT_HRESULT_SUCCEEDED(config->Load(file.data()));
    VARIANT_BOOL hidden = VARIANT_FALSE;
    ASSERT_HRESULT_SUCCEEDED(config->GetDeleteHiddenFiles(&hidden));
    EXPECT_EQ(hidden, VARIANT_TRUE);
    ASSERT_HRESULT_SUCCEEDED(config->GetActiveMasks(&masks));
    EXPECT_EQ(Text(masks), "*.map,*.dsk,*.csm,*.tds,*.il*,*.~*,*.#*,*.bak");
    EXPECT_EQ(config->Initialize(), DISP_E_EXCEPTION) << "a second Initialize fails";
    config->Release();
}

TEST_F(TWSConfigServer, CreatedByProgIdAsByClsid)
{
    CLSID clsid{};
    ASSERT_HRESULT_SUCCEEDED(CLSIDFromProgID(L"TWSConfig.ConfigStrings", &clsid));
    EXPECT_TRUE(IsEqualGUID(clsid, CLSID_ConfigStrings));
    IConfigStrings* list = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IConfigStrings,
                                              reinterpret_cast<void**>(&list)));
    std::string items = "a,\"b c\"";
    ASSERT_HRESULT_SUCCEEDED(list->SetStringsSDF(items.data()));
    LONG count = 0;
    ASSERT_HRESULT_SUCCEEDED(list->Count(&count));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Text(list), "a,\"b c\"");
}

// The type library compiled from TWSConfig.idl into the module holds the
// interfaces, member ids and names the server's description (the POSIX
// build's type library) holds.
TEST_F(TWSConfigServer, TheRegisteredTypeLibraryMatchesTheDescription)
{
    ITypeLib* library = nullptr;
    ASSERT_HRESULT_SUCCEEDED(LoadRegTypeLib(LIBID_TWSConfig, 1, 0, 0x409, &library));
    const TWS_TYPELIB& described = twsconfig::TWSConfigTypeLibrary();
    for (const TWS_TYPELIB_INTERFACE& d : described.interfaces) {
        SCOPED_TRACE(d.entry.name);
        ITypeInfo* info = nullptr;
        ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(*d.entry.guid, &info));
        TYPEATTR* attr = nullptr;
        ASSERT_HRESULT_SUCCEEDED(info->GetTypeAttr(&attr));
        EXPECT_EQ(attr->typekind, d.kind);
        // The functions of an interface after those it inherits: none for
        // the event interface, its own for the others.
        ASSERT_EQ(static_cast<std::size_t>(attr->cFuncs), d.members.size());
        for (UINT f = 0; f < d.members.size(); ++f) {
            FUNCDESC* func = nullptr;
            ASSERT_HRESULT_SUCCEEDED(info->GetFuncDesc(f, &func));
            EXPECT_EQ(func->memid, d.members[f].memid);
            BSTR name = nullptr, doc = nullptr;
            ASSERT_HRESULT_SUCCEEDED(info->GetDocumentation(func->memid, &name, &doc, nullptr, nullptr));
            EXPECT_EQ(zelcom::BSTRToAnsi(name), d.members[f].name);
            EXPECT_EQ(zelcom::BSTRToAnsi(doc), d.members[f].helpString ? d.members[f].helpString : "");
            SysFreeString(name);
            SysFreeString(doc);
            info->ReleaseFuncDesc(func);
        }
        info->ReleaseTypeAttr(attr);
        info->Release();
    }
    library->Release();
}

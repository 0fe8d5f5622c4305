// TidewashConfig objects through COM only, as the configurator drives them:
// the client sequence and the file it writes, lists in and out, the
// excluded folders as two lists, errors with their error information, and
// the event connection point.
#include <fstream>
#include <functional>
#include <comimpl.h>
#include <ocidl.h>
#include <olectl.h>

#include "ConfigServerFixture.h"
#include "SettingsFile.h"

using namespace configtest;

namespace {

const std::string kProgID = "TWSConfig.TidewashConfig";
const std::vector<std::string> kDefaultMasks = {"*.map", "*.dsk", "*.obj", "*.csm", "*.tds",
                                                "*.il*",  "*.~*",  "*.#*",  "*.bak"};
// A whole settings file of *.obj with these excluded-folder entries.
std::string ObjFile(const std::vector<std::string>& entries)
{
    twstesting::TSettingsFile settings;
    settings.ActiveMasks = "*.obj";
    settings.ExcludedFolders = {{"*.obj", entries}};
    return settings.Text();
}

// A list written by the client itself: the server must read it through
// the interface alone. Counts its references; a failing GetItem can be
// asked for.
class TClientStrings final : public twscom::TComImpl<TClientStrings, IConfigStrings> {
public:
    explicit TClientStrings(std::vector<std::string> items, bool failGetItem = false)
        : TComImpl(1), FItems(std::move(items)), FFailGetItem(failGetItem)
    {
    }
    void LastReleased() {}
    HRESULT STDMETHODCALLTYPE Add(LPSTR Value, LONG* Index) override
    {
        FItems.emplace_back(Value);
        if (Index != nullptr)
            *Index = static_cast<LONG>(FItems.size() - 1);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Delete(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStringsSDF(LPSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clear() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Count(LONG* Value) override
    {
        *Value = static_cast<LONG>(FItems.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetItem(LONG Index, BSTR* Value) override
    {
        if (FFailGetItem)
            return E_FAIL;
        const std::u16string wide = Wide(FItems.at(static_cast<std::size_t>(Index)));
        *Value = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAsCommaText(BSTR* CommaText) override
    {
        std::string text;
        for (const std::string& item : FItems)
            text += (text.empty() ? "" : ",") + item;
        const std::u16string wide = Wide(text);
        *CommaText = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
        return S_OK;
    }
    ULONG References() const { return RefCount(); }

private:
    std::vector<std::string> FItems;
    bool FFailGetItem;
};

// An event sink: records every call that would be an event.
class TEventSink final : public twscom::TComImpl<TEventSink, ITidewashConfigEvents> {
public:
    TEventSink() : TComImpl(1) {}
    void LastReleased() {}
    void* FindInterface(REFIID riid)
    {
        return riid == IID_IDispatch ? static_cast<IDispatch*>(this) : TComImpl::FindInterface(riid);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        ++Calls;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override
    {
        ++Calls;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        ++Calls;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        ++Calls;
        return S_OK;
    }
    ULONG References() const { return RefCount(); }
    int Calls = 0;

private:
};

class TWSConfigTidewashConfig : public ConfigServerFixture {
protected:
    std::vector<std::string> ActiveMasks(ITidewashConfig* config)
    {
        IConfigStrings* list = nullptr;
        EXPECT_EQ(config->GetActiveMasks(&list), S_OK);
        TPtr<IConfigStrings> owned(list);
        return Items(list);
    }
    std::vector<std::string> ExcludedVolumes(ITidewashConfig* config)
    {
        IConfigStrings* list = nullptr;
        EXPECT_EQ(config->GetExcludedVolumes(&list), S_OK);
        TPtr<IConfigStrings> owned(list);
        return Items(list);
    }
    // The mask's folders excluded alone and those with subfolders.
    std::pair<std::vector<std::string>, std::vector<std::string>> ExcludedFolders(ITidewashConfig* config,
                                                                                 const std::string& mask)
    {
        IConfigStrings* alone = nullptr;
        IConfigStrings* withSub = nullptr;
        EXPECT_EQ(config->GetExcludedFolders(Str(mask), &alone, &withSub), S_OK);
        TPtr<IConfigStrings> ownedAlone(alone), ownedWithSub(withSub);
        return {Items(alone), Items(withSub)};
    }
    void SetExcludedFolders(ITidewashConfig* config, const std::string& mask, const std::vector<std::string>& alone,
                            const std::vector<std::string>& withSub)
    {
        EXPECT_EQ(config->SetExcludedFolders(Str(mask), List(alone).get(), List(withSub).get()), S_OK);
    }
    // A fresh object that loads the settings file.
    TPtr<ITidewashConfig> Reloaded()
    {
        TPtr<ITidewashConfig> config = InitializedConfig();
        EXPECT_EQ(config->Load(Str(ConfigPath())), S_OK);
        return config;
    }
    void WriteConfig(const std::string& text) { std::ofstream(ConfigPath(), std::ios::binary) << text; }
    // The failure's error information: this class as source and interface.
    void ExpectReported(HRESULT hr, const std::string& description)
    {
        EXPECT_EQ(hr, DISP_E_EXCEPTION);
        const TErrorReport report = TakeErrorInfo();
        EXPECT_TRUE(report.Present);
        EXPECT_EQ(report.Source, kProgID);
        EXPECT_TRUE(IsEqualGUID(report.Interface, IID_ITidewashConfig));
        EXPECT_EQ(report.Description, description);
    }
};

// The client's sequence with the changes of the file layout's worked
// example (its folders as POSIX paths): create, Initialize, Load of the
// missing file, reads, changes, Save, release.
TEST_F(TWSConfigTidewashConfig, ClientSequenceWritesTheWorkedExampleByteForByte)
{
    {
        TPtr<ITidewashConfig> config = InitializedConfig();
        ASSERT_NE(config, nullptr);
        ASSERT_FALSE(fs::exists(ConfigPath()));
        EXPECT_EQ(config->Load(Str(ConfigPath())), S_OK);
        EXPECT_FALSE(fs::exists(ConfigPath())) << "loading writes nothing: the first Save creates the file";

        EXPECT_EQ(ActiveMasks(config.get()), kDefaultMasks);
        EXPECT_EQ(ExcludedVolumes(config.get()), std::vector<std::string>{});
        VARIANT_BOOL hidden = 7, readOnly = 7, trash = 7;
        EXPECT_EQ(config->GetDeleteHiddenFiles(&hidden), S_OK);
        EXPECT_EQ(config->GetDeleteReadOnlyFiles(&readOnly), S_OK);
        EXPECT_EQ(config->GetUseRecycleBin(&trash), S_OK);
        EXPECT_EQ(hidden, VARIANT_FALSE);
        EXPECT_EQ(readOnly, VARIANT_FALSE);
        EXPECT_EQ(trash, VARIANT_TRUE);

        SetExcludedFolders(config.get(), "*.obj", {"/tmp"}, {"/work/lib"});
        EXPECT_EQ(config->SetUseRecycleBin(VARIANT_FALSE), S_OK);
        EXPECT_FALSE(fs::exists(ConfigPath())) << "changes stay in memory until Save";
        EXPECT_EQ(config->Save(Str(ConfigPath())), S_OK);
    }
    // The folders excluded alone come first: that is the order the server
    // builds the entries in.
    EXPECT_EQ(ReadFile(ConfigPath()), "[Files]\n"
                                      "ActiveMasks=\"*.map,*.dsk,*.obj,*.csm,*.tds,*.il*,*.~*,*.#*,*.bak\"\n"
                                      "DeleteHidden=0\n"
                                      "DeleteReadOnly=0\n"
                                      "UseRecycleBin=0\n"
                                      "\n"
                                      "[Files/Excluded]\n"
                                      "*.obj=\"/tmp=0,/work/lib=1\"\n"
                                      "\n"
                                      "[Volumes]\n"
                                      "Excluded=\"\"\n");

    TPtr<ITidewashConfig> again = Reloaded();
    const auto folders = ExcludedFolders(again.get(), "*.obj");
    EXPECT_EQ(folders.first, std::vector<std::string>{"/tmp"});
    EXPECT_EQ(folders.second, std::vector<std::string>{"/work/lib"});
    VARIANT_BOOL trash = 7;
    EXPECT_EQ(again->GetUseRecycleBin(&trash), S_OK);
    EXPECT_EQ(trash, VARIANT_FALSE);
}

TEST_F(TWSConfigTidewashConfig, FlagsAreVariantBoolsAndAnyNonZeroValueIsTrue)
{
    TPtr<ITidewashConfig> config = InitializedConfig();
    EXPECT_EQ(config->SetDeleteHiddenFiles(1), S_OK);
    EXPECT_EQ(config->SetDeleteReadOnlyFiles(VARIANT_TRUE), S_OK);
    EXPECT_EQ(config->SetUseRecycleBin(VARIANT_FALSE), S_OK);
    VARIANT_BOOL hidden = 0, readOnly = 0, trash = 1;
    EXPECT_EQ(config->GetDeleteHiddenFiles(&hidden), S_OK);
    EXPECT_EQ(config->GetDeleteReadOnlyFiles(&readOnly), S_OK);
    EXPECT_EQ(config->GetUseRecycleBin(&trash), S_OK);
    EXPECT_EQ(hidden, VARIANT_TRUE);
    EXPECT_EQ(readOnly, VARIANT_TRUE);
    EXPECT_EQ(trash, VARIANT_FALSE);

    // Each object has its own settings.
    TPtr<ITidewashConfig> other = InitializedConfig();
    EXPECT_EQ(other->GetDeleteHiddenFiles(&hidden), S_OK);
    EXPECT_EQ(hidden, VARIANT_FALSE);

    ASSERT_EQ(config->Save(Str(ConfigPath())), S_OK);
    TPtr<ITidewashConfig> reloaded = Reloaded();
    EXPECT_EQ(reloaded->GetDeleteHiddenFiles(&hidden), S_OK);
    EXPECT_EQ(reloaded->GetUseRecycleBin(&trash), S_OK);
    EXPECT_EQ(hidden, VARIANT_TRUE);
    EXPECT_EQ(trash, VARIANT_FALSE);
}

// Masks and volumes with blanks, commas and quotes survive the trip through
// comma text, the file and back.
TEST_F(TWSConfigTidewashConfig, ListsSurviveTheFileWithBlanksCommasAndQuotes)
{
    const std::vector<std::string> masks = {"*.obj", "old copy*.tmp", "a,b", "q\"x", "*.~*"};
    const std::vector<std::string> volumes = {"/", "/mnt/data disk/"};
    {
        TPtr<ITidewashConfig> config = InitializedConfig();
        ASSERT_EQ(config->Load(Str(ConfigPath())), S_OK);
        EXPECT_EQ(config->SetActiveMasks(List(masks).get()), S_OK);
        EXPECT_EQ(config->SetExcludedVolumes(List(volumes).get()), S_OK);
        EXPECT_EQ(ActiveMasks(config.get()), masks);
        EXPECT_EQ(ExcludedVolumes(config.get()), volumes);
        ASSERT_EQ(config->Save(Str(ConfigPath())), S_OK);
    }
    TPtr<ITidewashConfig> reloaded = Reloaded();
    EXPECT_EQ(ActiveMasks(reloaded.get()), masks);
    EXPECT_EQ(ExcludedVolumes(reloaded.get()), volumes);

    // A list of the client's own making is read through its comma text.
    TClientStrings client({"*.bak", "*.obj"});
    EXPECT_EQ(reloaded->SetActiveMasks(&client), S_OK);
    EXPECT_EQ(ActiveMasks(reloaded.get()), (std::vector<std::string>{"*.bak", "*.obj"}));
    EXPECT_EQ(client.References(), 1u);
}

TEST_F(TWSConfigTidewashConfig, ExcludedFoldersComeBackInTheListTheyCameFrom)
{
    TPtr<ITidewashConfig> config = InitializedConfig();
    ASSERT_EQ(config->Load(Str(ConfigPath())), S_OK);
    SetExcludedFolders(config.get(), "*.obj", {"/work/one", "/work/my lib"}, {"/srv/a,b", "/Data"});
    SetExcludedFolders(config.get(), "*.bak", {}, {"/home"});

    auto folders = ExcludedFolders(config.get(), "*.obj");
    EXPECT_EQ(folders.first, (std::vector<std::string>{"/work/one", "/work/my lib"}));
    EXPECT_EQ(folders.second, (std::vector<std::string>{"/srv/a,b", "/Data"}));
    // Masks are exact keys.
    folders = ExcludedFolders(config.get(), "*.OBJ");
    EXPECT_TRUE(folders.first.empty());
    EXPECT_TRUE(folders.second.empty());
    folders = ExcludedFolders(config.get(), "*.map");
    EXPECT_TRUE(folders.first.empty());
    EXPECT_TRUE(folders.second.empty());

    // Through the file and a new object as well.
    ASSERT_EQ(config->Save(Str(ConfigPath())), S_OK);
    TPtr<ITidewashConfig> reloaded = Reloaded();
    folders = ExcludedFolders(reloaded.get(), "*.obj");
    EXPECT_EQ(folders.first, (std::vector<std::string>{"/work/one", "/work/my lib"}));
    EXPECT_EQ(folders.second, (std::vector<std::string>{"/srv/a,b", "/Data"}));
    folders = ExcludedFolders(reloaded.get(), "*.bak");
    EXPECT_TRUE(folders.first.empty());
    EXPECT_EQ(folders.second, std::vector<std::string>{"/home"});

    // Emptying both lists drops the mask from the file.
    SetExcludedFolders(reloaded.get(), "*.bak", {}, {});
    ASSERT_EQ(reloaded->Save(Str(ConfigPath())), S_OK);
    EXPECT_EQ(ReadFile(ConfigPath()).find("*.bak="), std::string::npos);

    // A null mask is the empty mask.
    IConfigStrings* alone = nullptr;
    IConfigStrings* withSub = nullptr;
    EXPECT_EQ(reloaded->GetExcludedFolders(nullptr, &alone, &withSub), S_OK);
    TPtr<IConfigStrings> ownedAlone(alone), ownedWithSub(withSub);
    EXPECT_TRUE(Items(alone).empty());
    EXPECT_TRUE(Items(withSub).empty());
}

// Entries written by hand are split by their value, each entry on its own,
// exactly as the cleanup handler reads them: 1, empty or not a number means
// with subfolders, any other integer alone. A bare folder without "=" is
// excluded with its subfolders and keeps its path; a folder name holding
// "=" keeps it.
TEST_F(TWSConfigTidewashConfig, EntriesWrittenByHandAreSplitByTheirValue)
{
    WriteConfig(ObjFile({"/alone=0", "/sub=1", "/bare", "/empty=", "/text=x", "/two=2", "/neg=-1", "/dup=0", "/DUP=1",
                         "/a=b=0", "/c=d=1"}));
    TPtr<ITidewashConfig> config = Reloaded();
    const auto folders = ExcludedFolders(config.get(), "*.obj");
    EXPECT_EQ(folders.first, (std::vector<std::string>{"/alone", "/two", "/neg", "/dup", "/a=b"}));
    EXPECT_EQ(folders.second, (std::vector<std::string>{"/sub", "/bare", "/empty", "/text", "/DUP", "/c=d"}));
}

// Read and written back by a client, a bare folder keeps its meaning.
TEST_F(TWSConfigTidewashConfig, ABareFolderSurvivesAClientRoundTrip)
{
    WriteConfig(ObjFile({"/work/lib", "/tmp=0"}));
    TPtr<ITidewashConfig> config = Reloaded();
    IConfigStrings* alone = nullptr;
    IConfigStrings* withSub = nullptr;
    ASSERT_EQ(config->GetExcludedFolders(Str("*.obj"), &alone, &withSub), S_OK);
    TPtr<IConfigStrings> ownedAlone(alone), ownedWithSub(withSub);
    ASSERT_EQ(config->SetExcludedFolders(Str("*.obj"), alone, withSub), S_OK);
    ASSERT_EQ(config->Save(Str(ConfigPath())), S_OK);
    EXPECT_NE(ReadFile(ConfigPath()).find("*.obj=\"/tmp=0,/work/lib=1\"\n"), std::string::npos)
        << ReadFile(ConfigPath());
}

TEST_F(TWSConfigTidewashConfig, DeleteActiveMaskIgnoresCaseAndKeepsTheMasksExcludedFolders)
{
    TPtr<ITidewashConfig> config = InitializedConfig();
    ASSERT_EQ(config->Load(Str(ConfigPath())), S_OK);
    SetExcludedFolders(config.get(), "*.obj", {}, {"/work/lib"});

    EXPECT_EQ(config->DeleteActiveMask(Str("*.xyz")), S_OK);
    EXPECT_EQ(ActiveMasks(config.get()), kDefaultMasks);

    EXPECT_EQ(config->DeleteActiveMask(Str("*.OBJ")), S_OK);
    std::vector<std::string> expected = kDefaultMasks;
    expected.erase(expected.begin() + 2);
    EXPECT_EQ(ActiveMasks(config.get()), expected);
    EXPECT_EQ(ExcludedFolders(config.get(), "*.obj").second, std::vector<std::string>{"/work/lib"});

    ASSERT_EQ(config->Save(Str(ConfigPath())), S_OK);
    const std::string file = ReadFile(ConfigPath());
    EXPECT_NE(file.find("ActiveMasks=\"*.map,*.dsk,*.csm,"), std::string::npos) << file;
    EXPECT_NE(file.find("*.obj=\"/work/lib=1\""), std::string::npos) << file;
}

TEST_F(TWSConfigTidewashConfig, ASecondInitializeFailsWithErrorInfoAndLeavesTheSettings)
{
    TPtr<ITidewashConfig> config = InitializedConfig();
    EXPECT_EQ(config->SetDeleteHiddenFiles(VARIANT_TRUE), S_OK);
    ExpectReported(config->Initialize(), "TManagedConfig Section already exists: Files");

    VARIANT_BOOL hidden = VARIANT_FALSE;
    EXPECT_EQ(config->GetDeleteHiddenFiles(&hidden), S_OK);
    EXPECT_EQ(hidden, VARIANT_TRUE);
    EXPECT_EQ(ActiveMasks(config.get()), kDefaultMasks);

    // Clients that ask before reading the error information are told yes.
    ISupportErrorInfo* support = nullptr;
    ASSERT_EQ(config->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)), S_OK);
    TPtr<ISupportErrorInfo> owned(support);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_ITidewashConfig), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IConfigStrings), S_FALSE);
}

// Before Initialize every method fails with the tree's message, and
// neither creates a file nor touches the caller's slots.
TEST_F(TWSConfigTidewashConfig, MethodsBeforeInitializeFailWithTheIdentifierMessage)
{
    TPtr<ITidewashConfig> config = CreateConfig();
    ASSERT_NE(config, nullptr);
    TPtr<IConfigStrings> masks = List({"*.obj"});
    TPtr<IConfigStrings> none = List();
    TClientStrings held({"kept"});
    IConfigStrings* slot = &held;
    IConfigStrings* slot2 = &held;
    VARIANT_BOOL flag = 5;

    const std::vector<std::pair<const char*, HRESULT>> calls = {
        {"Load", config->Load(Str(ConfigPath()))},
        {"Save", config->Save(Str(ConfigPath()))},
        {"GetActiveMasks", config->GetActiveMasks(&slot)},
        {"GetExcludedVolumes", config->GetExcludedVolumes(&slot)},
        {"GetExcludedFolders", config->GetExcludedFolders(Str("*.obj"), &slot, &slot2)},
        {"SetExcludedFolders", config->SetExcludedFolders(Str("*.obj"), none.get(), none.get())},
        {"SetActiveMasks", config->SetActiveMasks(masks.get())},
        {"SetExcludedVolumes", config->SetExcludedVolumes(none.get())},
        {"DeleteActiveMask", config->DeleteActiveMask(Str("*.obj"))},
        {"GetDeleteHiddenFiles", config->GetDeleteHiddenFiles(&flag)},
        {"SetDeleteReadOnlyFiles", config->SetDeleteReadOnlyFiles(VARIANT_TRUE)},
        {"GetUseRecycleBin", config->GetUseRecycleBin(&flag)},
    };
    for (const auto& [name, hr] : calls) {
        SCOPED_TRACE(name);
        EXPECT_EQ(hr, DISP_E_EXCEPTION);
    }
    // The error information is the last call's.
    const TErrorReport report = TakeErrorInfo();
    EXPECT_EQ(report.Source, kProgID);
    EXPECT_EQ(report.Description.rfind("Identifier does not exist: ", 0), 0u) << report.Description;

    EXPECT_FALSE(fs::exists(ConfigPath()));
    EXPECT_EQ(slot, &held);
    EXPECT_EQ(slot2, &held);
    EXPECT_EQ(held.References(), 1u);
    EXPECT_EQ(flag, 5);

    // Each call's own description starts the same way.
    ExpectReported(config->GetActiveMasks(&slot), "Identifier does not exist: FilesActiveMasks");
    EXPECT_EQ(config->Load(Str(ConfigPath())), DISP_E_EXCEPTION);
    EXPECT_EQ(TakeErrorInfo().Description.rfind("Identifier does not exist: ", 0), 0u);
}

// The server's setter refuses a mask matching every name with the reason
// and keeps the masks it had; a mask matching sources is the editor's
// question (it asks before it sets), so the setter takes it.
TEST_F(TWSConfigTidewashConfig, SetActiveMasksRefusesAMaskMatchingEveryName)
{
    TPtr<ITidewashConfig> config = InitializedConfig();
    for (const char* mask : {"*", "*.*", "?*"}) {
        SCOPED_TRACE(mask);
        EXPECT_EQ(config->SetActiveMasks(List({"*.obj", mask}).get()), DISP_E_EXCEPTION);
        EXPECT_NE(TakeErrorInfo().Description.find("matches every file name"), std::string::npos);
        EXPECT_EQ(ActiveMasks(config.get()), kDefaultMasks);
    }
    EXPECT_EQ(config->SetActiveMasks(List({"*.obj", "*.cpp"}).get()), S_OK);
    EXPECT_EQ(ActiveMasks(config.get()), (std::vector<std::string>{"*.obj", "*.cpp"}));
}

// A null argument is E_INVALIDARG, and the thread is left without error
// information, so that a stale description is not taken for this failure.
TEST_F(TWSConfigTidewashConfig, NullArgumentsAreInvalidAndCarryNoErrorInfo)
{
    TPtr<ITidewashConfig> config = InitializedConfig();
    TPtr<IConfigStrings> list = List();
    IConfigStrings* slot = nullptr;
    const std::vector<std::pair<const char*, std::function<HRESULT()>>> calls = {
        {"Load", [&] { return config->Load(nullptr); }},
        {"Save", [&] { return config->Save(nullptr); }},
        {"GetActiveMasks", [&] { return config->GetActiveMasks(nullptr); }},
        {"GetExcludedVolumes", [&] { return config->GetExcludedVolumes(nullptr); }},
        {"GetExcludedFolders 1", [&] { return config->GetExcludedFolders(Str("*.obj"), nullptr, &slot); }},
        {"GetExcludedFolders 2", [&] { return config->GetExcludedFolders(Str("*.obj"), &slot, nullptr); }},
        {"SetExcludedFolders 0", [&] { return config->SetExcludedFolders(nullptr, list.get(), list.get()); }},
        {"SetExcludedFolders 1", [&] { return config->SetExcludedFolders(Str("*.obj"), nullptr, list.get()); }},
        {"SetExcludedFolders 2", [&] { return config->SetExcludedFolders(Str("*.obj"), list.get(), nullptr); }},
        {"DeleteActiveMask", [&] { return config->DeleteActiveMask(nullptr); }},
        {"SetActiveMasks", [&] { return config->SetActiveMasks(nullptr); }},
        {"SetExcludedVolumes", [&] { return config->SetExcludedVolumes(nullptr); }},
        {"GetDeleteHiddenFiles", [&] { return config->GetDeleteHiddenFiles(nullptr); }},
        {"GetDeleteReadOnlyFiles", [&] { return config->GetDeleteReadOnlyFiles(nullptr); }},
        {"GetUseRecycleBin", [&] { return config->GetUseRecycleBin(nullptr); }},
    };
    for (const auto& [name, call] : calls) {
        SCOPED_TRACE(name);
        ASSERT_EQ(config->Initialize(), DISP_E_EXCEPTION);  // leaves error information behind
        EXPECT_EQ(call(), E_INVALIDARG);
        EXPECT_FALSE(TakeErrorInfo().Present);
    }
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(ActiveMasks(config.get()), kDefaultMasks);
    EXPECT_FALSE(fs::exists(ConfigPath()));
}

// Whatever interface the caller had in an [in,out] slot is released when
// the new list takes its place.
TEST_F(TWSConfigTidewashConfig, ListsHandedOutReleaseWhatTheSlotHeld)
{
    TPtr<ITidewashConfig> config = InitializedConfig();
    TClientStrings first({"old"}), second({"old"}), third({"old"});
    first.AddRef();
    second.AddRef();
    third.AddRef();
    IConfigStrings* slot = &first;
    ASSERT_EQ(config->GetActiveMasks(&slot), S_OK);
    EXPECT_EQ(first.References(), 1u);
    ASSERT_NE(slot, &first);
    TPtr<IConfigStrings> masks(slot);
    EXPECT_EQ(Items(slot), kDefaultMasks);

    IConfigStrings* alone = &second;
    IConfigStrings* withSub = &third;
    ASSERT_EQ(config->GetExcludedFolders(Str("*.obj"), &alone, &withSub), S_OK);
    TPtr<IConfigStrings> ownedAlone(alone), ownedWithSub(withSub);
    EXPECT_EQ(second.References(), 1u);
    EXPECT_EQ(third.References(), 1u);
    EXPECT_NE(alone, withSub);
}

// Lists of the client's own making are read through Count and GetItem; a
// list that fails to hand out its strings changes nothing.
TEST_F(TWSConfigTidewashConfig, ExcludedFoldersAreReadThroughTheClientsInterface)
{
    TPtr<ITidewashConfig> config = InitializedConfig();
    TClientStrings alone({"/a", "/b c"}), withSub({"/d"});
    ASSERT_EQ(config->SetExcludedFolders(Str("*.obj"), &alone, &withSub), S_OK);
    auto folders = ExcludedFolders(config.get(), "*.obj");
    EXPECT_EQ(folders.first, (std::vector<std::string>{"/a", "/b c"}));
    EXPECT_EQ(folders.second, std::vector<std::string>{"/d"});

    TClientStrings broken({"/x"}, true);
    EXPECT_EQ(config->SetExcludedFolders(Str("*.obj"), &alone, &broken), E_FAIL);
    folders = ExcludedFolders(config.get(), "*.obj");
    EXPECT_EQ(folders.first, (std::vector<std::string>{"/a", "/b c"}));
    EXPECT_EQ(folders.second, std::vector<std::string>{"/d"});
    EXPECT_EQ(alone.References(), 1u);
    EXPECT_EQ(broken.References(), 1u);
}

// When no ConfigStrings object can be made, the creation's failure comes
// back and neither the caller's slots nor the settings change.
TEST_F(TWSConfigTidewashConfig, AListThatCannotBeCreatedLeavesTheSlotsAlone)
{
    TPtr<ITidewashConfig> config = InitializedConfig();
    SetExcludedFolders(config.get(), "*.obj", {"/a"}, {});
    ASSERT_EQ(RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID\\{F2ECF546-A773-4625-A3FC-ADF976E59EF9}"), ERROR_SUCCESS);

    TClientStrings held({"kept"});
    IConfigStrings* slot = &held;
    IConfigStrings* slot2 = &held;
    EXPECT_EQ(config->GetActiveMasks(&slot), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(config->GetExcludedVolumes(&slot), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(config->GetExcludedFolders(Str("*.obj"), &slot, &slot2), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(slot, &held);
    EXPECT_EQ(slot2, &held);
    EXPECT_EQ(held.References(), 1u);

    ASSERT_EQ(config->Save(Str(ConfigPath())), S_OK);
    const std::string file = ReadFile(ConfigPath());
    EXPECT_NE(file.find("ActiveMasks=\"*.map,*.dsk,*.obj,"), std::string::npos) << file;
    EXPECT_NE(file.find("*.obj=\"/a=0\""), std::string::npos) << file;
}

// What the file cannot hold is refused before anything is written, and
// file errors come back with their message.
TEST_F(TWSConfigTidewashConfig, SaveFailuresComeBackWithTheirMessage)
{
    TPtr<ITidewashConfig> config = InitializedConfig();
    ASSERT_EQ(config->Load(Str(ConfigPath())), S_OK);
    SetExcludedFolders(config.get(), "a=b", {"/x"}, {});
    ExpectReported(config->Save(Str(ConfigPath())), "Invalid file mask for excluded folders: a=b");
    EXPECT_FALSE(fs::exists(ConfigPath()));
    SetExcludedFolders(config.get(), "a=b", {}, {});

    EXPECT_EQ(config->Save(Str((base / "missing" / "TWS.cfg").string())), DISP_E_EXCEPTION);
    const TErrorReport report = TakeErrorInfo();
    EXPECT_EQ(report.Source, kProgID);
    EXPECT_FALSE(report.Description.empty());

    EXPECT_EQ(config->Load(Str(base.string())), DISP_E_EXCEPTION) << "a folder is no settings file";
    EXPECT_FALSE(TakeErrorInfo().Description.empty());
}

// One connection point, for the event interface, with room for five sinks;
// no event is ever sent, and the sinks are let go with the object.
TEST_F(TWSConfigTidewashConfig, TheEventConnectionPointTakesFiveSinksAndNeverFires)
{
    TEventSink sinks[7];
    {
        TPtr<ITidewashConfig> config = CreateConfig();
        IConnectionPointContainer* container = nullptr;
        ASSERT_EQ(config->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
        TPtr<IConnectionPointContainer> ownedContainer(container);
        IConnectionPoint* point = nullptr;
        EXPECT_EQ(container->FindConnectionPoint(IID_IConfigStrings, &point), CONNECT_E_NOCONNECTION);
        ASSERT_EQ(container->FindConnectionPoint(DIID_ITidewashConfigEvents, &point), S_OK);
        TPtr<IConnectionPoint> ownedPoint(point);

        DWORD cookies[7] = {};
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(point->Advise(&sinks[i], &cookies[i]), S_OK) << i;
        EXPECT_EQ(point->Advise(&sinks[5], &cookies[5]), CONNECT_E_ADVISELIMIT);
        EXPECT_EQ(sinks[5].References(), 1u);
        EXPECT_EQ(point->Unadvise(cookies[1]), S_OK);
        EXPECT_EQ(sinks[1].References(), 1u);
        EXPECT_EQ(point->Advise(&sinks[6], &cookies[6]), S_OK);

        ASSERT_EQ(config->Initialize(), S_OK);
        ASSERT_EQ(config->Load(Str(ConfigPath())), S_OK);
        EXPECT_EQ(config->SetDeleteHiddenFiles(VARIANT_TRUE), S_OK);
        EXPECT_EQ(config->SetActiveMasks(List({"*.obj"}).get()), S_OK);
        SetExcludedFolders(config.get(), "*.obj", {"/a"}, {"/b"});
        EXPECT_EQ(config->DeleteActiveMask(Str("*.obj")), S_OK);
        ASSERT_EQ(config->Save(Str(ConfigPath())), S_OK);
        EXPECT_EQ(config->Initialize(), DISP_E_EXCEPTION);
        TakeErrorInfo();
    }
    for (const TEventSink& sink : sinks) {
        EXPECT_EQ(sink.Calls, 0);
        EXPECT_EQ(sink.References(), 1u);
    }
}

}  // namespace

// End to end: the package's test server registered by twsregsvr run as a
// process, then created from this process with CoCreateInstance, called,
// aggregated, held by server locks, unloaded, and unregistered; and the
// tool's own failures and options.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ComTestObjects.h"
#include "TempFolder.h"
#include "Zelcomstrings.h"
#include "Zelcomtestserver.h"
#include "Zelcomutils.h"
#include "ocidl.h"
#include "olectl.h"

extern char** environ;

namespace {

std::string OutDir()
{
    if (const char* out = std::getenv("TIDEWASH_BUILD_OUT"))
        return out;
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

std::string ServerPath() { return OutDir() + "/zelcomtestserver.so"; }

bool IsLoaded(const std::string& path)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return false;
    dlclose(handle);
    return true;
}

std::u16string Text(BSTR b) { return std::u16string(b, SysStringLen(b)); }

struct TRun {
    int Exit = -1;
    std::string Out;
    std::string Err;
};

class RegsvrTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(FDir / "registry");
        ::setenv("TIDEWASH_REGISTRY", (FDir / "registry").c_str(), 1);
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    }
    void TearDown() override
    {
        CoUninitialize();
    }

    // twsregsvr with these arguments, as a child process of its own.
    TRun Tool(const std::vector<std::string>& args)
    {
        const std::string tool = OutDir() + "/twsregsvr";
        const std::string out = (FDir / "out.txt").string();
        const std::string err = (FDir / "err.txt").string();
        std::vector<char*> argv{const_cast<char*>(tool.c_str())};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        TRun run;
        if (posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
            int status = 0;
            waitpid(pid, &status, 0);
            run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        std::stringstream o, e;
        o << std::ifstream(out).rdbuf();
        e << std::ifstream(err).rdbuf();
        run.Out = o.str();
        run.Err = e.str();
        return run;
    }

    IZelTestServer* Create()
    {
        IZelTestServer* server = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_ZelTestServer, nullptr,
                                   CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                                   IID_IZelTestServer, reinterpret_cast<void**>(&server)),
                  S_OK);
        return server;
    }

    twstesting::TTempFolder FFolder{"tws regsvr"};
    const std::filesystem::path FDir = FFolder.Path();
};

// A sink for the server's events: records the text of each notification.
class TSink final : public twscom::TComImpl<TSink, IDispatch> {
public:
    TSink() : TComImpl(1) {}
    void LastReleased() {}
    void* FindInterface(REFIID riid)
    {
        return riid == DIID_IZelTestServerEvents ? static_cast<IDispatch*>(this) : TComImpl::FindInterface(riid);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO*, UINT*) override
    {
        if (id == 1 && params != nullptr && params->cArgs == 1 && params->rgvarg[0].vt == VT_BSTR)
            Seen += Text(params->rgvarg[0].bstrVal) + u";";
        return S_OK;
    }

    std::u16string Seen;
};

}  // namespace

TEST_F(RegsvrTest, RegisteredServerIsCreatedCalledAndUnregistered)
{
    const TRun reg = Tool({ServerPath()});
    ASSERT_EQ(reg.Exit, 0) << reg.Err;
    EXPECT_NE(reg.Out.find("DllRegisterServer in \"" + ServerPath() + "\" succeeded."),
              std::string::npos);

    IZelTestServer* server = Create();
    ASSERT_NE(server, nullptr);

    // BSTRs keep embedded zeros, non-ASCII text and surrogate pairs.
    const char16_t raw[] = u"a\0b é 漢 \U0001F600 end";
    const std::u16string text(raw, sizeof raw / sizeof raw[0] - 1);
    BSTR in = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    BSTR out = nullptr;
    ASSERT_EQ(server->Echo(in, &out), S_OK);
    EXPECT_EQ(Text(out), text + u" (seen)");
    SysFreeString(in);
    SysFreeString(out);

    // Error information from the server's exception, with its non-ASCII text.
    char message[] = "Identifier does not exist: Größe";
    EXPECT_EQ(server->Fail(message), DISP_E_EXCEPTION);
    ISupportErrorInfo* support = nullptr;
    ASSERT_EQ(server->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IZelTestServer), S_OK);
    support->Release();
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    BSTR source = nullptr, description = nullptr;
    GUID guid{};
    info->GetSource(&source);
    info->GetDescription(&description);
    info->GetGUID(&guid);
    EXPECT_EQ(zelcom::BSTRToAnsi(description), message);
    EXPECT_EQ(zelcom::BSTRToAnsi(source), ZELTESTSERVER_PROGID);
    EXPECT_EQ(guid, IID_IZelTestServer);
    SysFreeString(source);
    SysFreeString(description);
    info->Release();

    // The installation folder, as the server and as this process see it.
    BSTR folder = nullptr;
    ASSERT_EQ(server->InstallFolder(&folder), S_OK);
    EXPECT_EQ(zelcom::BSTRToAnsi(folder), OutDir() + "/");
    SysFreeString(folder);
    EXPECT_EQ(zelcom::DLLPathByGUID(CLSID_ZelTestServer), OutDir() + "/");
    server->Release();

    // The ProgID and the type library came with the registration.
    CLSID byProgId{};
    EXPECT_EQ(CLSIDFromProgID(u"ZelTest.Server", &byProgId), S_OK);
    EXPECT_EQ(byProgId, CLSID_ZelTestServer);
    ITypeLib* lib = nullptr;
    ASSERT_EQ(LoadRegTypeLib(LIBID_ZelTestServer, 1, 0, 0x409, &lib), S_OK);
    ITypeInfo* coclass = nullptr;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(CLSID_ZelTestServer, &coclass), S_OK);
    BSTR help = nullptr;
    coclass->GetDocumentation(MEMBERID_NIL, nullptr, &help, nullptr, nullptr);
    EXPECT_EQ(zelcom::BSTRToAnsi(help), ZELTESTSERVER_DESCRIPTION);
    SysFreeString(help);
    coclass->Release();
    lib->Release();

    const TRun unreg = Tool({"/u", ServerPath()});
    ASSERT_EQ(unreg.Exit, 0) << unreg.Err;
    void* none = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_ZelTestServer, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &none),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(zelcom::DLLPathByGUID(CLSID_ZelTestServer), "");
    EXPECT_EQ(LoadRegTypeLib(LIBID_ZelTestServer, 1, 0, 0x409, &lib), TYPE_E_LIBNOTREGISTERED);
}

TEST_F(RegsvrTest, LockServerAndDllCanUnloadNowAreHonoured)
{
    ASSERT_EQ(Tool({"/s", ServerPath()}).Exit, 0);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(CoGetClassObject(CLSID_ZelTestServer, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&factory)),
              S_OK);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    CoFreeUnusedLibraries();
    EXPECT_TRUE(IsLoaded(ServerPath()));

    // A live object holds the module as well.
    IZelTestServer* server = Create();
    ASSERT_EQ(CoGetClassObject(CLSID_ZelTestServer, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), E_UNEXPECTED);  // no lock left to undo
    factory->Release();
    CoFreeUnusedLibraries();
    EXPECT_TRUE(IsLoaded(ServerPath()));

    server->Release();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsLoaded(ServerPath()));
}

TEST_F(RegsvrTest, ServerIsAggregatedUnderAnOuterObject)
{
    ASSERT_EQ(Tool({"/s", ServerPath()}).Exit, 0);
    TOuter outer;
    void* inner = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_ZelTestServer, &outer, CLSCTX_INPROC_SERVER, IID_IZelTestServer,
                               &inner),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(inner, nullptr);
    ASSERT_EQ(CoCreateInstance(CLSID_ZelTestServer, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               &inner),
              S_OK);
    outer.Inner = static_cast<IUnknown*>(inner);

    IZelTestServer* server = nullptr;
    ASSERT_EQ(outer.QueryInterface(IID_IZelTestServer, reinterpret_cast<void**>(&server)), S_OK);
    EXPECT_EQ(outer.RefCount(), 2u);  // the interface counts on the outer object
    IUnknown* identity = nullptr;
    ASSERT_EQ(server->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, &outer);
    identity->Release();
    BSTR in = SysAllocString(u"aggregated"), out = nullptr;
    EXPECT_EQ(server->Echo(in, &out), S_OK);
    EXPECT_EQ(Text(out), u"aggregated (seen)");
    SysFreeString(in);
    SysFreeString(out);
    server->Release();
    EXPECT_EQ(outer.RefCount(), 1u);

    outer.Inner->Release();  // the inner object goes, and with it the module's lock
    outer.Inner = nullptr;
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsLoaded(ServerPath()));
}

TEST_F(RegsvrTest, EventsReachAtMostFiveSinks)
{
    ASSERT_EQ(Tool({"/s", ServerPath()}).Exit, 0);
    IZelTestServer* server = Create();
    ASSERT_NE(server, nullptr);
    IConnectionPointContainer* container = nullptr;
    ASSERT_EQ(server->QueryInterface(IID_IConnectionPointContainer,
                                     reinterpret_cast<void**>(&container)),
              S_OK);
    IConnectionPoint* point = nullptr;
    ASSERT_EQ(container->FindConnectionPoint(DIID_IZelTestServerEvents, &point), S_OK);
    TSink sinks[6];
    DWORD cookies[6] = {};
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(point->Advise(&sinks[i], &cookies[i]), S_OK);
    EXPECT_EQ(point->Advise(&sinks[5], &cookies[5]), CONNECT_E_ADVISELIMIT);
    EXPECT_EQ(cookies[5], 0u);

    BSTR text = SysAllocString(u"saved");
    server->Notify(text);
    SysFreeString(text);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(sinks[i].Seen, u"saved;");
    EXPECT_EQ(sinks[5].Seen, u"");

    EXPECT_EQ(point->Unadvise(cookies[0]), S_OK);
    EXPECT_EQ(point->Unadvise(cookies[0]), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point->Advise(&sinks[5], &cookies[5]), S_OK);
    point->Release();
    container->Release();
    server->Release();  // the remaining sinks are let go with the object
    for (const TSink& sink : sinks)
        EXPECT_EQ(sink.RefCount(), 1u);
}

TEST_F(RegsvrTest, ToolReportsEachKindOfFailure)
{
    TRun run = Tool({(FDir / "missing.so").string()});
    EXPECT_EQ(run.Exit, 3);
    EXPECT_NE(run.Err.find("missing.so"), std::string::npos);

    run = Tool({OutDir() + "/libvclrt.so"});
    EXPECT_EQ(run.Exit, 4);
    EXPECT_NE(run.Err.find("DllRegisterServer"), std::string::npos);

    // Bad usage has the disk-cleanup host's code.
    EXPECT_EQ(Tool({}).Exit, 64);
    EXPECT_EQ(Tool({"/x", ServerPath()}).Exit, 64);
    EXPECT_EQ(Tool({ServerPath(), ServerPath()}).Exit, 64);
    run = Tool({"--version"});
    EXPECT_EQ(run.Exit, 0);
    EXPECT_NE(run.Out.find("twsregsvr (Tidewash) "), std::string::npos) << run.Out;

    // A registry that cannot be written: the server's failure and its code.
    ASSERT_EQ(Tool({"/s", ServerPath()}).Exit, 0);
    const auto file = FDir / "registry" / "HKEY_CLASSES_ROOT.reg";
    ASSERT_TRUE(std::filesystem::exists(file));
    std::filesystem::permissions(file, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    run = Tool({"/u", ServerPath()});
    std::filesystem::permissions(file, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(run.Exit, 5);
    EXPECT_NE(run.Err.find("DllUnregisterServer"), std::string::npos);
    EXPECT_NE(run.Err.find("0x80040201"), std::string::npos);  // SELFREG_E_CLASS
}

TEST_F(RegsvrTest, ToolIsSilentOnRequestAndExplainsItself)
{
    TRun run = Tool({"-S", ServerPath()});
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out, "");
    run = Tool({"/U", "/s", ServerPath()});
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out, "");

    run = Tool({"--help"});
    EXPECT_EQ(run.Exit, 0);
    EXPECT_NE(run.Out.find("Usage: twsregsvr"), std::string::npos);
}

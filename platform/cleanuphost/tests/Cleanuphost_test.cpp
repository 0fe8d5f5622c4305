// The disk-cleanup host run as a process, against a temporary registry
// holding the cleanup handler and minimal test handlers.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <winreg.h>

namespace fs = std::filesystem;

namespace {

const char* const kVolumeCaches = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\VolumeCaches\\";
const char* const kMarker = "{5C1E0D7A-1111-4A5B-9C3D-000000000001}";
const char* const kFailing = "{5C1E0D7A-1111-4A5B-9C3D-000000000002}";
const char* const kAborting = "{5C1E0D7A-1111-4A5B-9C3D-000000000003}";

std::string Out() { return std::getenv("TIDEWASH_BUILD_OUT") != nullptr ? std::getenv("TIDEWASH_BUILD_OUT") : "."; }

void SetDefault(HKEY root, const std::string& path, const std::string& value)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

struct TRun {
    int Code;
    std::string Output;
    std::string Errors;
};

class CleanupHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        base = fs::temp_directory_path() / ("tws_host_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(base);
        volume = base / "volume";
        install = base / "install";
        fs::create_directories(volume / "proj");
        fs::create_directories(install);
        fs::create_directories(base / "registry");
        ::setenv("TIDEWASH_REGISTRY", (base / "registry").c_str(), 1);
        std::ofstream(volume / "proj" / "a.obj") << "0123456789";
        std::ofstream(volume / "proj" / "a.cpp") << "int main() {}";
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(volume / "locked", fs::perms::owner_all, ec);
        fs::remove_all(base, ec);
    }

    // The cleanup handler, installed and registered as its installer would,
    // with permanent deletion so the test can see what went.
    void InstallHandler()
    {
        fs::copy_file(Out() + "/Tidewash.so", install / "Tidewash.so");
        std::ofstream(install / "TWS.cfg") << "[Files]\nActiveMasks=\"*.obj\"\nUseRecycleBin=0\n";
        ASSERT_EQ(std::system(("'" + Out() + "/twsregsvr' /s '" + (install / "Tidewash.so").string() + "'").c_str()), 0);
    }
    void AddTestHandler(const std::string& key, const std::string& clsid)
    {
        SetDefault(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\InprocServer32", Out() + "/twscleanup_testhandler.so");
        SetDefault(HKEY_LOCAL_MACHINE, kVolumeCaches + key, clsid);
    }
    TRun Host(const std::string& arguments, const std::string& input = "")
    {
        const fs::path out = base / "stdout", err = base / "stderr", in = base / "stdin";
        std::ofstream(in) << input;
        const std::string command = "'" + Out() + "/twscleanup' " + arguments + " <'" + in.string() + "' >'" +
                                    out.string() + "' 2>'" + err.string() + "'";
        const int status = std::system(command.c_str());
        auto read = [](const fs::path& p) {
            std::ifstream f(p);
            return std::string((std::istreambuf_iterator<char>(f)), {});
        };
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read(out), read(err)};
    }
    std::string Vol() const { return "'" + volume.string() + "'"; }

    fs::path base, volume, install;
};

}  // namespace

TEST_F(CleanupHost, EveryRegisteredHandlerIsListedScannedAndPurged)
{
    InstallHandler();
    AddTestHandler("Marker", kMarker);
    const TRun run = Host("--yes " + Vol());
    EXPECT_EQ(run.Code, 0) << run.Output << run.Errors;
    EXPECT_NE(run.Output.find("Tideworks Suite (TWS)"), std::string::npos);
    EXPECT_NE(run.Output.find("Temporary files created during project development"), std::string::npos);
    EXPECT_NE(run.Output.find("Marker test handler"), std::string::npos);
    EXPECT_NE(run.Output.find("1.21 KB"), std::string::npos) << "1234 bytes in human units";
    EXPECT_FALSE(fs::exists(volume / "proj" / "a.obj"));
    EXPECT_TRUE(fs::exists(volume / "proj" / "a.cpp"));
    EXPECT_TRUE(fs::exists(volume / "marker-purged"));
    EXPECT_TRUE(fs::exists(install / "Reports" / "FilePurge.html"));
}

TEST_F(CleanupHost, AFailingHandlerIsReportedAndTheOthersStillRun)
{
    AddTestHandler("Broken", kFailing);
    InstallHandler();
    SetDefault(HKEY_LOCAL_MACHINE, std::string(kVolumeCaches) + "Unregistered", "{5C1E0D7A-1111-4A5B-9C3D-0000000000FF}");
    SetDefault(HKEY_CLASSES_ROOT, "CLSID\\{5C1E0D7A-1111-4A5B-9C3D-0000000000EE}\\InprocServer32", "/no/such.so");
    SetDefault(HKEY_LOCAL_MACHINE, std::string(kVolumeCaches) + "Unloadable", "{5C1E0D7A-1111-4A5B-9C3D-0000000000EE}");
    const TRun run = Host("--yes " + Vol());
    EXPECT_EQ(run.Code, 3) << run.Output << run.Errors;
    EXPECT_NE(run.Errors.find("Handler \"Broken\": could not initialise it"), std::string::npos) << run.Errors;
    EXPECT_NE(run.Errors.find("0x80004005"), std::string::npos);
    EXPECT_NE(run.Errors.find("Handler \"Unregistered\": could not create it: its class is not registered (HRESULT 0x80040154)"),
              std::string::npos)
        << run.Errors;
    EXPECT_NE(run.Errors.find("Handler \"Unloadable\": could not create it"), std::string::npos) << run.Errors;
    EXPECT_NE(run.Errors.find("/no/such.so"), std::string::npos) << "names the module that would not load";
    EXPECT_FALSE(fs::exists(volume / "proj" / "a.obj"));
}

TEST_F(CleanupHost, DryRunAndNoDeleteNothing)
{
    InstallHandler();
    AddTestHandler("Marker", kMarker);
    TRun run = Host("--dry-run " + Vol());
    EXPECT_EQ(run.Code, 0) << run.Output << run.Errors;
    EXPECT_TRUE(fs::exists(volume / "proj" / "a.obj"));
    EXPECT_FALSE(fs::exists(volume / "marker-purged"));
    // Asked, the user says no to both: nothing to do.
    run = Host(Vol(), "n\nn\n");
    EXPECT_EQ(run.Code, 1) << run.Output;
    EXPECT_NE(run.Output.find("[y]es, [N]o"), std::string::npos);
    EXPECT_TRUE(fs::exists(volume / "proj" / "a.obj"));
    // And yes to the second only.
    run = Host(Vol(), "n\ny\n");
    EXPECT_EQ(run.Code, 0) << run.Output << run.Errors;
    const bool ourHandlerPurged = !fs::exists(volume / "proj" / "a.obj");
    EXPECT_NE(ourHandlerPurged, fs::exists(volume / "marker-purged")) << "exactly one handler was kept";
}

TEST_F(CleanupHost, CtrlCDuringTheScanStopsWithTheAbortedCode)
{
    InstallHandler();
    AddTestHandler("Aborting", kAborting);
    const TRun run = Host("--yes " + Vol());
    EXPECT_EQ(run.Code, 2) << run.Output << run.Errors;
    EXPECT_NE(run.Output.find("aborted"), std::string::npos);
    EXPECT_TRUE(fs::exists(volume / "proj" / "a.obj"));
}

TEST_F(CleanupHost, ANewUserGetsClearMessages)
{
    TRun run = Host("--help");
    EXPECT_EQ(run.Code, 0);
    EXPECT_NE(run.Output.find("Exit codes"), std::string::npos);
    run = Host("--version");
    EXPECT_EQ(run.Code, 0);
    EXPECT_NE(run.Output.find("twscleanup"), std::string::npos);
    run = Host("'" + (base / "missing").string() + "'");
    EXPECT_EQ(run.Code, 64);
    EXPECT_NE(run.Errors.find("is not an existing folder or volume"), std::string::npos);
    EXPECT_NE(run.Errors.find("--list-volumes"), std::string::npos);
    run = Host("--frobnicate");
    EXPECT_EQ(run.Code, 64);
    // Nothing registered yet: says so and how to register.
    run = Host(Vol());
    EXPECT_EQ(run.Code, 1);
    EXPECT_NE(run.Output.find("twsregsvr"), std::string::npos);
    run = Host("--list-volumes");
    EXPECT_TRUE(run.Code == 0 || run.Code == 1) << run.Output;
}

TEST_F(CleanupHost, AnUnreadableFolderIsPassedOver)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every folder";
    InstallHandler();
    fs::create_directories(volume / "locked");
    std::ofstream(volume / "locked" / "b.obj") << "x";
    fs::permissions(volume / "locked", fs::perms::none);
    const TRun run = Host("--yes " + Vol());
    EXPECT_EQ(run.Code, 0) << run.Output << run.Errors;
    EXPECT_FALSE(fs::exists(volume / "proj" / "a.obj"));
}

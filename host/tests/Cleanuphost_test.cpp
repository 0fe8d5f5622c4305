// The disk-cleanup host run as a process, against a temporary registry
// holding the cleanup handler and minimal test handlers.
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <emptyvc.h>
#include <winreg.h>

#include <nlohmann/json.hpp>
#include <pty.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <cstdio>

#include "Configintf.h"
#include "SettingsFile.h"
#include "Settingsplace.h"
#include "MountNamespace.h"
#include "TempFolder.h"
#include "Unprivileged.h"

namespace fs = std::filesystem;

namespace {

const char* const kMarker = "{5C1E0D7A-1111-4A5B-9C3D-000000000001}";
const char* const kFailing = "{5C1E0D7A-1111-4A5B-9C3D-000000000002}";
const char* const kAborting = "{5C1E0D7A-1111-4A5B-9C3D-000000000003}";
const char* const kReviewing = "{5C1E0D7A-1111-4A5B-9C3D-000000000004}";

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

nlohmann::json ParseJson(const std::string& text)
{
    try {
        return nlohmann::json::parse(text);
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what() << "\n" << text;
        return nlohmann::json::object();
    }
}

// The settings these tests install: *.obj, deleted permanently unless a
// test changes that.
twstesting::TSettingsFile ObjSettings()
{
    twstesting::TSettingsFile settings;
    settings.ActiveMasks = "*.obj";
    settings.UseRecycleBin = false;
    return settings;
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
        volume = base / "volume";
        install = base / "install";
        fs::create_directories(volume / "proj");
        fs::create_directories(install);
        fs::create_directories(base / "registry");
        ::setenv("TIDEWASH_REGISTRY", (base / "registry").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (base / "state").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (base / "data").c_str(), 1);
        std::ofstream(volume / "proj" / "a.obj") << "0123456789";
        std::ofstream(volume / "proj" / "a.cpp") << "int main() {}";
    }
    void TearDown() override
    {
        ::unsetenv("XDG_STATE_HOME");
        ::unsetenv("XDG_DATA_HOME");
    }

    // The cleanup handler, installed and registered as its installer would,
    // by default for *.obj with permanent deletion so the test can see what
    // went.
    void InstallHandler(const std::string& settings = ObjSettings().Text())
    {
        fs::copy_file(Out() + "/Tidewash.so", install / "Tidewash.so");
        std::ofstream(install / "TWS.cfg") << settings;
        ASSERT_EQ(std::system(("'" + Out() + "/twsregsvr' /s '" + (install / "Tidewash.so").string() + "'").c_str()), 0);
    }
    void AddTestHandler(const std::string& key, const std::string& clsid)
    {
        SetDefault(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\InprocServer32", Out() + "/twscleanup_testhandler.so");
        SetDefault(HKEY_LOCAL_MACHINE, VOLUMECACHES_KEY + key, clsid);
    }
    TRun Host(const std::string& arguments, const std::string& input = "", const std::string& folder = "")
    {
        const fs::path out = base / "stdout", err = base / "stderr", in = base / "stdin";
        std::ofstream(in) << input;
        const std::string command = (folder.empty() ? "" : "cd '" + folder + "' && ") + "'" + bin +
                                    "/twscleanup' " + arguments + " <'" + in.string() + "' >'" + out.string() +
                                    "' 2>'" + err.string() + "'";
        const int status = std::system(command.c_str());
        auto read = [](const fs::path& p) {
            std::ifstream f(p);
            return std::string((std::istreambuf_iterator<char>(f)), {});
        };
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read(out), read(err)};
    }
    std::string Vol() const { return "'" + volume.string() + "'"; }

    // Runs the host on a pseudo-terminal of its own, so that it draws its
    // live lines. Once its output holds prompt, calls atPrompt and types
    // answer. Everything it wrote there.
    std::string HostAtTerminal(const std::string& arguments, const std::string& prompt = "",
                               const std::function<void()>& atPrompt = {}, const std::string& answer = "")
    {
        int terminal = -1;
        const std::string command = "exec '" + bin + "/twscleanup' " + arguments;
        const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
        if (pid < 0)
            return "forkpty failed";
        if (pid == 0) {
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        std::string output;
        bool answered = prompt.empty();
        char buffer[4096];
        // The terminal reports EIO once the host and its children are gone.
        for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;) {
            output.append(buffer, static_cast<std::size_t>(n));
            if (!answered && output.find(prompt) != std::string::npos) {
                answered = true;
                if (atPrompt)
                    atPrompt();
                (void)!::write(terminal, answer.data(), answer.size());
            }
        }
        ::close(terminal);
        ::waitpid(pid, nullptr, 0);
        return output;
    }

    // The test's folder becomes the unprivileged user's, and the host runs
    // from a copy of the programs that user can reach wherever the build lies.
    void GiveToUnprivilegedUser();

    // Runs the host with a pipe for its input, and presses Ctrl+C once its
    // output holds prompt. The host's exit code, or -1.
    int CtrlCAtPrompt(const std::string& arguments, const std::string& prompt)
    {
        int input[2];
        if (::pipe(input) != 0)
            return -1;
        const fs::path out = base / "stdout";
        fs::remove(out);  // a prompt of the run before must not count
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(input[0], STDIN_FILENO);
            ::close(input[1]);
            const std::string command = "exec '" + bin + "/twscleanup' " + arguments + " >'" + out.string() + "'";
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(input[0]);
        for (int i = 0; i < 1000; ++i) {  // up to ten seconds
            std::ifstream f(out);
            if (std::string((std::istreambuf_iterator<char>(f)), {}).find(prompt) != std::string::npos)
                break;
            ::usleep(10000);
        }
        ::kill(pid, SIGINT);
        // Ended input after the interrupt still reads as the interrupt: the
        // host cannot hang on a read the signal came just before.
        ::close(input[1]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (WIFSIGNALED(status))
            ADD_FAILURE() << "ended by signal " << WTERMSIG(status);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    twstesting::TTempFolder temp{"tws_host"};
    fs::path base = temp.Path(), volume, install;
    std::string bin = fs::absolute(Out()).string();  // where twscleanup and its libraries are
};

// Gives a whole tree to another user.
void GiveTree(const fs::path& root, unsigned uid, unsigned gid)
{
    ASSERT_EQ(::lchown(root.c_str(), uid, gid), 0) << root;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        ASSERT_EQ(::lchown(entry.path().c_str(), uid, gid), 0) << entry.path();
}

void CleanupHost::GiveToUnprivilegedUser()
{
    fs::create_directories(base / "bin");
    for (const auto& entry : fs::directory_iterator(Out())) {
        const std::string name = entry.path().filename().string();
        if (name == "twscleanup" || entry.path().extension() == ".so")
            fs::copy_file(entry.path(), base / "bin" / name);
    }
    bin = (base / "bin").string();
    ::setenv("LD_LIBRARY_PATH", bin.c_str(), 1);
    GiveTree(base, twstesting::UnprivilegedUid(), twstesting::UnprivilegedGid());
    fs::permissions(base, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
}

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

// TWS.cfg as it enters from outside: a FIFO does not hold the listing, a
// link (also one leading into another user's folder, to nothing) is never
// read or created through, a file cut short is not taken as the defaults;
// each fails the handler with the file and the reason, and the purge of
// its files does not happen. Only a missing file means the defaults, and
// the listing creates none.
TEST_F(CleanupHost, TheSettingsFileIsWholeARegularFileAndNeverWrittenByAListing)
{
    InstallHandler();
    const fs::path cfg = install / "TWS.cfg";
    const fs::path victim = base / "victim";
    fs::create_directories(victim);
    struct Case {
        const char* Name;
        std::function<void()> Plant;
        const char* Reason;  // nullptr: the defaults
    };
    const Case cases[] = {
        {"a FIFO", [&] { ASSERT_EQ(::mkfifo(cfg.c_str(), 0600), 0); }, "It is not a regular file"},
        {"a link leading nowhere", [&] { fs::create_symlink(victim / "TWS.cfg", cfg); }, "It is a symbolic link"},
        {"a link to /dev/zero", [&] { fs::create_symlink("/dev/zero", cfg); }, "It is a symbolic link"},
        {"empty", [&] { twstesting::WriteFile(cfg, ""); }, "it is empty"},
        {"cut before [Files/Excluded]",
         [&] {
             const std::string whole = ObjSettings().Text();
             twstesting::WriteFile(cfg, whole.substr(0, whole.find("[Files/Excluded]")));
         },
         "lacks [Files/Excluded]"},
        {"missing", [] {}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        fs::remove(cfg);
        c.Plant();
        const TRun run = Host("--list " + Vol());
        if (c.Reason == nullptr) {
            EXPECT_EQ(run.Code, 0) << run.Output << run.Errors;
            EXPECT_NE(run.Output.find("a.obj"), std::string::npos) << run.Output;
            EXPECT_FALSE(fs::exists(fs::symlink_status(cfg)));
        } else {
            EXPECT_EQ(run.Code, 3) << run.Output << run.Errors;
            EXPECT_NE(run.Errors.find(cfg.string()), std::string::npos) << run.Errors;
            EXPECT_NE(run.Errors.find(c.Reason), std::string::npos) << run.Errors;
            EXPECT_EQ(run.Output.find("a.obj"), std::string::npos) << run.Output;
        }
        EXPECT_TRUE(fs::is_empty(victim));
    }
    fs::remove(cfg);
    ASSERT_EQ(::mkfifo(cfg.c_str(), 0600), 0);
    const TRun purge = Host("--yes " + Vol());
    EXPECT_EQ(purge.Code, 3) << purge.Output << purge.Errors;
    EXPECT_TRUE(fs::exists(volume / "proj" / "a.obj"));
}

TEST_F(CleanupHost, AFailingHandlerIsReportedAndTheOthersStillRun)
{
    AddTestHandler("Broken", kFailing);
    InstallHandler();
    SetDefault(HKEY_LOCAL_MACHINE, std::string(VOLUMECACHES_KEY) + "Unregistered", "{5C1E0D7A-1111-4A5B-9C3D-0000000000FF}");
    SetDefault(HKEY_CLASSES_ROOT, "CLSID\\{5C1E0D7A-1111-4A5B-9C3D-0000000000EE}\\InprocServer32", "/no/such.so");
    SetDefault(HKEY_LOCAL_MACHINE, std::string(VOLUMECACHES_KEY) + "Unloadable", "{5C1E0D7A-1111-4A5B-9C3D-0000000000EE}");
    TRun run = Host("--yes " + Vol());
    EXPECT_EQ(run.Code, 3) << run.Output << run.Errors;
    EXPECT_NE(run.Errors.find("twscleanup: handler \"Broken\": could not initialise it"), std::string::npos) << run.Errors;
    EXPECT_NE(run.Errors.find("twscleanup: handler \"Unregistered\": could not create it: its class is not registered\n"),
              std::string::npos)
        << run.Errors;
    EXPECT_NE(run.Errors.find("twscleanup: handler \"Unloadable\": could not create it"), std::string::npos) << run.Errors;
    EXPECT_NE(run.Errors.find("/no/such.so"), std::string::npos) << "names the module that would not load";
    EXPECT_EQ(run.Errors.find("HRESULT"), std::string::npos) << "the code only with --verbose: " << run.Errors;
    EXPECT_FALSE(fs::exists(volume / "proj" / "a.obj"));

    run = Host("--verbose --dry-run " + Vol());
    EXPECT_NE(run.Errors.find("its class is not registered (its class is not registered, HRESULT 0x80040154)"),
              std::string::npos)
        << run.Errors;
    EXPECT_NE(run.Errors.find("HRESULT 0x80004005"), std::string::npos) << run.Errors;

    // The document names each failed handler, its step and its reason.
    run = Host("--json " + Vol());
    EXPECT_EQ(run.Code, 3) << run.Errors;
    const nlohmann::json errors = ParseJson(run.Output).at("errors");
    std::map<std::string, std::string> reasons;
    for (const auto& e : errors)
        reasons[e.at("handler")] = e.at("step").get<std::string>() + ": " + e.at("reason").get<std::string>();
    ASSERT_EQ(reasons.size(), 3u) << errors.dump(2);
    EXPECT_EQ(reasons["Unregistered"], "create it: its class is not registered");
    EXPECT_NE(reasons["Unloadable"].find("/no/such.so"), std::string::npos) << reasons["Unloadable"];
    EXPECT_EQ(reasons["Broken"].rfind("initialise it: ", 0), 0u) << reasons["Broken"];
}

// A handler whose settings file is refused: the reason names the file, and
// the document carries the file apart.
TEST_F(CleanupHost, ARefusedSettingsFileIsTheReasonAndTheFileOfTheError)
{
    twstesting::TSettingsFile settings = ObjSettings();
    settings.ActiveMasks = "*.obj,*";
    InstallHandler(settings.Text());
    TRun run = Host("--dry-run " + Vol());
    EXPECT_EQ(run.Code, 3) << run.Output << run.Errors;
    const std::string cfg = (install / "TWS.cfg").string();
    EXPECT_NE(run.Errors.find("could not scan: The settings file \"" + cfg + "\" cannot be used: The mask \"*\" "
                              "matches every file name"),
              std::string::npos)
        << run.Errors;
    run = Host("--json " + Vol());
    const nlohmann::json document = ParseJson(run.Output);
    ASSERT_EQ(document.at("errors").size(), 1u) << run.Output;
    EXPECT_EQ(document["errors"][0]["file"], cfg);
    EXPECT_EQ(document["errors"][0]["step"], "scan");
    EXPECT_TRUE(document["handlers"].empty());
    EXPECT_TRUE(fs::exists(volume / "proj" / "a.obj"));
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

// After [r]eview the figures are shown again as the review left them, and
// the question asks for what the purge would now free.
TEST_F(CleanupHost, TheFiguresAfterAReviewAreTheReviewedOnes)
{
    AddTestHandler("Reviewing", kReviewing);
    ::setenv("DISPLAY", ":tidewash-test", 1);  // a review is offered only with a display
    const TRun run = Host(Vol(), "r\nn\n");
    ::unsetenv("DISPLAY");
    EXPECT_EQ(run.Code, 1) << run.Output << run.Errors;
    const std::size_t asked = run.Output.find("Clean up Reviewing test handler (300 bytes)? [y]es, [N]o, [r]eview");
    const std::size_t after = run.Output.find("After the review:\n");
    const std::size_t figures = run.Output.find("100 bytes in 1 file will be removed", after);
    const std::size_t kept = run.Output.find("200 bytes in 1 file kept (not selected)", after);
    const std::size_t again = run.Output.find("Clean up Reviewing test handler (100 bytes)?", after);
    EXPECT_NE(asked, std::string::npos) << run.Output;
    EXPECT_TRUE(after != std::string::npos && after > asked) << run.Output;
    EXPECT_NE(figures, std::string::npos) << run.Output;
    EXPECT_NE(kept, std::string::npos) << run.Output;
    EXPECT_TRUE(again != std::string::npos && again > figures) << run.Output;
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
    run = Host("--frobnicate");
    EXPECT_EQ(run.Code, 64);
    // Nothing registered yet: says so and how to register.
    run = Host(Vol());
    EXPECT_EQ(run.Code, 1);
    EXPECT_NE(run.Output.find("twsregsvr"), std::string::npos);
}

// What the host says, as a table: the arguments and answers, the exit
// code, and a text that must start standard output or standard error
// (every error begins "twscleanup:").
TEST_F(CleanupHost, TheCommandLineSaysWhatItIsAndWhatWentWrong)
{
    InstallHandler();
    const std::string file = (volume / "proj" / "a.obj").string();
    const struct TCase {
        std::string Arguments;
        std::string Input;
        int Code;
        std::string OutputStart;
        std::string ErrorStart;
    } cases[] = {
        {"--version", "", 0, "twscleanup (Tidewash) " TIDEWASH_VERSION "\nFinds the temporary files", ""},
        {"'" + file + "'", "", 64, "",
         "twscleanup: \"" + file + "\" is a file, not a folder or volume.\nName the folder that holds it"},
        {"'" + (base / "missing").string() + "'", "", 64, "",
         "twscleanup: \"" + (base / "missing").string() + "\" is not an existing folder or volume."},
        {Vol(), "n\n", 1, "Volume " + volume.string() + "/\n", ""},
        {"--frobnicate", "", 64, "", "The following argument was not expected: --frobnicate"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Arguments);
        const TRun run = Host(c.Arguments, c.Input);
        EXPECT_EQ(run.Code, c.Code) << run.Output << run.Errors;
        EXPECT_EQ(run.Output.substr(0, c.OutputStart.size()), c.OutputStart) << run.Output;
        EXPECT_EQ(run.Errors.substr(0, c.ErrorStart.size()), c.ErrorStart) << run.Errors;
    }
    // No to the purge: says that nothing went.
    TRun run = Host(Vol(), "n\n");
    EXPECT_NE(run.Output.find("Nothing was purged.\n"), std::string::npos) << run.Output;
    EXPECT_TRUE(fs::exists(file));
    // The fixed volumes (the machine may have none): a header, and each
    // volume once.
    run = Host("--list-volumes");
    if (run.Code == 0) {
        EXPECT_EQ(run.Output.substr(0, run.Output.find('\n')).find("Volume"), 0u) << run.Output;
        EXPECT_NE(run.Output.find("File system"), std::string::npos) << run.Output;
        EXPECT_NE(run.Output.find("Free"), std::string::npos) << run.Output;
        std::set<std::string> roots;
        std::istringstream lines(run.Output.substr(run.Output.find('\n') + 1));
        for (std::string line; std::getline(lines, line);)
            EXPECT_TRUE(roots.insert(line.substr(0, line.find(' '))).second) << "listed twice: " << line;
    } else {
        EXPECT_EQ(run.Code, 1);
        EXPECT_EQ(run.Output, "No fixed volumes found in the mount table.\n");
    }
}

// Options that do not apply together are refused with the reason, before
// anything is scanned, listed or moved: never silently ignored.
TEST_F(CleanupHost, OptionsThatDoNotGoTogetherAreRefused)
{
    InstallHandler();
    const struct {
        std::string Arguments;
        const char* Reason;
    } cases[] = {
        {"-l " + Vol(), "--list-volumes takes no VOLUME"},
        {"--list-volumes --dry-run", "--list-volumes takes no VOLUME and no other option"},
        {"--undo --yes", "--undo goes only with --dry-run"},
        {"--undo --json", "--undo goes only with --dry-run"},
        {"--undo --list", "--undo goes only with --dry-run"},
        {"--history --undo", "--history takes no other option"},
        {"--history --json", "--history takes no other option"},
        {"--history " + Vol(), "take no VOLUME"},
        {"--yes --dry-run " + Vol(), "choose one"},
        {"--yes --list " + Vol(), "choose one"},
    };
    for (const auto& c : cases) {
        const TRun run = Host(c.Arguments);
        EXPECT_EQ(run.Code, 64) << c.Arguments << "\n" << run.Output << run.Errors;
        EXPECT_NE(run.Errors.find(c.Reason), std::string::npos) << c.Arguments << "\n" << run.Errors;
        EXPECT_EQ(run.Output, "") << c.Arguments;
        EXPECT_TRUE(fs::exists(volume / "proj" / "a.obj")) << c.Arguments;
    }
}

TEST_F(CleanupHost, AnUnreadableFolderIsPassedOverAndCounted)
{
    InstallHandler();
    fs::create_directories(volume / "locked");
    std::ofstream(volume / "locked" / "b.obj") << "x";
    GiveToUnprivilegedUser();
    fs::permissions(volume / "locked", fs::perms::none);
    EXPECT_EQ(twstesting::RunUnprivileged([&] {
                  const TRun list = Host("--json " + Vol());
                  const nlohmann::json document = nlohmann::json::parse(list.Output, nullptr, false);
                  if (document.is_discarded() || document["summary"]["unreadable_folders"] != 1 ||
                      document["handlers"][0]["unreadable_folders"] != 1)
                      return "the JSON document does not count the folder:\n" + list.Output;
                  const TRun run = Host("--yes " + Vol());
                  if (run.Code != 0)
                      return "exit " + std::to_string(run.Code) + "\n" + run.Output + run.Errors;
                  if (run.Output.find("1 folder could not be read") == std::string::npos)
                      return "the summary does not tell the folder:\n" + run.Output;
                  if (fs::exists(volume / "proj" / "a.obj"))
                      return std::string("the readable file was not purged");
                  return std::string();
              }),
              "");
    ::unsetenv("LD_LIBRARY_PATH");
    fs::permissions(volume / "locked", fs::perms::owner_all);
    EXPECT_TRUE(fs::exists(volume / "locked" / "b.obj"));
}

// An installation the user cannot write to (as a package installs it): the
// listing names the installation's TWS.cfg while the user has none; the
// user's own, saved from those settings, is the one the scan then uses,
// and the purge report lands in the user's state folder.
TEST_F(CleanupHost, ASharedInstallationUsesTheUsersOwnSettingsAndReports)
{
    if (!twstesting::HasUnprivilegedUser())
        GTEST_SKIP();
    InstallHandler();
    std::ofstream(volume / "proj" / "a.map") << "map";
    ::setenv("XDG_CONFIG_HOME", (base / "config").c_str(), 1);
    GiveToUnprivilegedUser();
    // Root's, as a package leaves it; a user without root rights makes it
    // read-only to themselves instead.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(install.c_str(), 0, 0), 0);
    } else {
        fs::permissions(install, fs::perms::owner_write, fs::perm_options::remove);
    }
    const fs::path userFile = base / "config" / "tidewash" / "TWS.cfg";
    EXPECT_EQ(twstesting::RunUnprivileged([&] {
                  TRun run = Host("--list " + Vol());
                  if (run.Output.find("settings: " + (install / "TWS.cfg").string()) == std::string::npos ||
                      run.Output.find("a.obj") == std::string::npos || run.Output.find("a.map") != std::string::npos)
                      return "the installation's settings were not used:\n" + run.Output + run.Errors;
                  if (fs::exists(userFile))
                      return std::string("a listing created the user's settings file");

                  const tws::TSettingsPlace place = tws::LocateSettings(install.string() + "/");
                  tws::TTidewashConfig config;
                  config.DefineSchema();
                  tws::LoadSettings(config, place);
                  config.SetStringsText(tws::TStringsSetting::ssActiveMasks, "*.map");
                  tws::PrepareSettingsFolder(place);
                  config.Save(place.File);

                  run = Host("--yes " + Vol());
                  if (run.Code != 0)
                      return "exit " + std::to_string(run.Code) + "\n" + run.Output + run.Errors;
                  if (fs::exists(volume / "proj" / "a.map") || !fs::exists(volume / "proj" / "a.obj"))
                      return "the user's settings were not used:\n" + run.Output;
                  if (!fs::exists(base / "state" / "tidewash" / "Reports" / "FilePurge.html"))
                      return "no report in the user's state folder:\n" + run.Output + run.Errors;
                  return std::string();
              }),
              "");
    ::unsetenv("LD_LIBRARY_PATH");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_FALSE(fs::exists(install / "Reports"));
    EXPECT_EQ(twstesting::ReadFile(install / "TWS.cfg"), ObjSettings().Text());
}

// A package registers the handler once, in the system registry, as root:
// every user's host finds it beneath their own (empty) registry, and the
// unregistration leaves no class, ProgID or cleanup key of it there (the
// type library stays registered, as the handler's unregistration keeps it).
TEST_F(CleanupHost, ASystemRegistrationServesEveryUserUntilItIsRemoved)
{
    if (!twstesting::HasUnprivilegedUser())
        GTEST_SKIP();
    const fs::path system = base / "system";
    fs::copy_file(Out() + "/Tidewash.so", install / "Tidewash.so");
    std::ofstream(install / "TWS.cfg") << ObjSettings().Text();
    ::setenv("TIDEWASH_REGISTRY", (base / "own").c_str(), 1);
    ::setenv("TIDEWASH_SYSTEM_REGISTRY", system.c_str(), 1);
    GiveToUnprivilegedUser();
    const auto regsvr = [&](const std::string& options) {
        const fs::path out = base / "regsvr.out";
        const std::string command = "umask 022; '" + Out() + "/twsregsvr' --system " + options + " '" +
                                    (install / "Tidewash.so").string() + "' >'" + out.string() + "' 2>&1";
        const int status = std::system(command.c_str());
        return std::make_pair(WIFEXITED(status) ? WEXITSTATUS(status) : -1, twstesting::ReadFile(out));
    };
    const auto [code, said] = regsvr("");
    ASSERT_EQ(code, 0) << said;
    EXPECT_NE(said.find("Registry: " + system.string()), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(base / "own"));

    EXPECT_EQ(twstesting::RunUnprivileged([&] {
                  const TRun run = Host("--list " + Vol());
                  if (run.Code != 0 || run.Output.find("a.obj") == std::string::npos)
                      return "the system registration was not found:\n" + run.Output + run.Errors;
                  return std::string();
              }),
              "");

    const auto [removed, saidRemoved] = regsvr("/u");
    ASSERT_EQ(removed, 0) << saidRemoved;
    const std::string classes = twstesting::ReadFile(system / "HKEY_CLASSES_ROOT.reg");
    EXPECT_EQ(classes.find("InprocServer32"), std::string::npos) << classes;
    EXPECT_EQ(classes.find("Zel.TidewashCtrl"), std::string::npos) << classes;
    const std::string machine = twstesting::ReadFile(system / "HKEY_LOCAL_MACHINE.reg");
    EXPECT_EQ(machine.find("VolumeCaches\\"), std::string::npos) << machine;
    EXPECT_EQ(twstesting::RunUnprivileged([&] {
                  const TRun run = Host("--list " + Vol());
                  return run.Code == 1 ? std::string() : "still registered:\n" + run.Output + run.Errors;
              }),
              "");
    ::unsetenv("LD_LIBRARY_PATH");
    ::unsetenv("TIDEWASH_SYSTEM_REGISTRY");
}

TEST_F(CleanupHost, YesNeedsANamedVolume)
{
    // Nothing is registered: were --yes taken without a volume, nothing
    // could be purged here all the same.
    const TRun run = Host("--yes", "", volume.string());
    EXPECT_EQ(run.Code, 64) << run.Output << run.Errors;
    EXPECT_NE(run.Errors.find("--yes needs the VOLUME"), std::string::npos) << run.Errors;
    EXPECT_EQ(run.Output, "");
}

TEST_F(CleanupHost, AWholeFileSystemIsNamedAndAskedForBeforeItIsScanned)
{
    InstallHandler();
    struct TCase {
        const char* Name;
        std::string Arguments, Folder, Input;
        int Code;
        bool Asked, Scanned;
    };
    const TCase cases[] = {
        {"no volume, answer no", "", volume.string(), "n\n", 1, true, false},
        {"no volume, input ended", "", volume.string(), "", 1, true, false},
        {"the root named, answer no", "/", "", "n\n", 1, true, false},
        {"a dry run names it and scans", "--dry-run " + Vol(), "", "", 0, false, true},
        {"a folder is not a whole file system", Vol(), "", "n\n", 1, false, true},
    };
    for (const TCase& c : cases) {
        const TRun run = Host(c.Arguments, c.Input, c.Folder);
        EXPECT_EQ(run.Code, c.Code) << c.Name << "\n" << run.Output << run.Errors;
        EXPECT_EQ(run.Output.find("Scan all of /? [y]es, [N]o") != std::string::npos, c.Asked)
            << c.Name << "\n" << run.Output;
        EXPECT_EQ(run.Output.find("Scanned ") != std::string::npos, c.Scanned) << c.Name << "\n" << run.Output;
        EXPECT_TRUE(fs::exists(volume / "proj" / "a.obj")) << c.Name;
    }
    const TRun dry = Host("--dry-run /", "", "");
    EXPECT_NE(dry.Output.find("Volume /\nThis is a whole file system"), std::string::npos) << dry.Output;
}

TEST_F(CleanupHost, CtrlCAtAQuestionAborts)
{
    InstallHandler();
    EXPECT_EQ(CtrlCAtPrompt("/", "Scan all of /?"), 2);
    EXPECT_EQ(CtrlCAtPrompt(Vol(), "[y]es, [N]o"), 2);
    EXPECT_TRUE(fs::exists(volume / "proj" / "a.obj"));
}

TEST_F(CleanupHost, SystemFoldersAreRefusedWithTheReason)
{
    InstallHandler();
    for (const char* folder : {"/usr/", "/usr/share/", "/var/lib/", "/etc", "/boot"}) {
        const TRun run = Host(std::string("--dry-run ") + folder);
        EXPECT_EQ(run.Code, 1) << folder << "\n" << run.Output << run.Errors;
        EXPECT_NE(run.Output.find("is a system folder or lies inside one"), std::string::npos) << run.Output;
        EXPECT_EQ(run.Output.find("Scanned"), std::string::npos) << run.Output;
    }
}

namespace {

// The handler entry of the cleanup handler in a run document.
const nlohmann::json& OurHandler(const nlohmann::json& doc)
{
    static const nlohmann::json none = nlohmann::json::object();
    if (doc.contains("handlers"))
        for (const auto& h : doc.at("handlers"))
            if (h.value("detailed", false))
                return h;
    ADD_FAILURE() << "no detailed handler in\n" << doc.dump(2);
    return none;
}

const std::string kTrashSettings = [] {
    twstesting::TSettingsFile settings = ObjSettings();
    settings.UseRecycleBin = true;
    return settings.Text();
}();

// The folder of the one run recorded.
fs::path OnlyRun(const fs::path& state)
{
    std::vector<fs::path> runs;
    for (const auto& entry : fs::directory_iterator(state / "tidewash" / "runs"))
        runs.push_back(entry.path());
    EXPECT_EQ(runs.size(), 1u);
    return runs.empty() ? fs::path() : runs.front();
}

}  // namespace

TEST_F(CleanupHost, FiguresListAndJsonTellWhatThePurgeThenDoes)
{
    InstallHandler(kTrashSettings);
    twstesting::WriteFile(volume / "proj" / ".hidden.obj", "12345");
    twstesting::WriteFile(volume / "proj" / "ro.obj", "1234567");
    fs::permissions(volume / "proj" / "ro.obj", fs::perms::owner_read | fs::perms::group_read);

    TRun run = Host("--dry-run " + Vol());
    EXPECT_EQ(run.Code, 0) << run.Output << run.Errors;
    EXPECT_NE(run.Output.find("22 bytes found in 3 files"), std::string::npos) << run.Output;
    EXPECT_NE(run.Output.find("10 bytes in 1 file will be removed"), std::string::npos) << run.Output;
    EXPECT_NE(run.Output.find(" 5 bytes in 1 file kept (hidden)"), std::string::npos) << run.Output;
    EXPECT_NE(run.Output.find(" 7 bytes in 1 file kept (read-only)"), std::string::npos) << run.Output;

    run = Host("--list " + Vol());
    EXPECT_EQ(run.Code, 0) << run.Output << run.Errors;
    const std::string proj = (volume / "proj").string() + "/";
    // One mask's files by path.
    std::size_t previous = 0;
    for (const std::string& line : {"keep        5 bytes  " + proj + ".hidden.obj  (hidden)",
                                    "remove     10 bytes  " + proj + "a.obj",
                                    "keep        7 bytes  " + proj + "ro.obj  (read-only)"}) {
        const std::size_t at = run.Output.find(line);
        EXPECT_NE(at, std::string::npos) << line << "\n" << run.Output;
        EXPECT_TRUE(at == std::string::npos || at > previous) << "not by path: " << line << "\n" << run.Output;
        previous = at == std::string::npos ? previous : at;
    }

    // The listing is written as the files are read, never built whole: it
    // must still be exactly the document nlohmann-json makes of it, names
    // that need escaping included.
    // Nothing found: the handler's files are an empty array, as dumped.
    fs::create_directories(base / "empty");
    run = Host("--json '" + (base / "empty").string() + "'");
    EXPECT_EQ(run.Output, ParseJson(run.Output).dump(2) + "\n");
    EXPECT_NE(run.Output.find("\"files\": []"), std::string::npos) << run.Output;
    const fs::path odd = volume / "proj" / "odd \"name\"\\ \xC3\xA9\t.obj";
    twstesting::WriteFile(odd, "");
    run = Host("--json " + Vol());
    EXPECT_EQ(run.Code, 0) << run.Errors;
    EXPECT_EQ(run.Output, ParseJson(run.Output).dump(2) + "\n");
    EXPECT_NE(run.Output.find(nlohmann::json(odd.string()).dump()), std::string::npos) << run.Output;
    fs::remove(odd);

    run = Host("--json " + Vol());
    EXPECT_EQ(run.Code, 0) << run.Errors;
    const nlohmann::json listed = ParseJson(run.Output);
    EXPECT_EQ(run.Output, listed.dump(2) + "\n");
    EXPECT_EQ(listed.value("schema", ""), "tidewash.cleanup/1");
    EXPECT_EQ(listed.value("mode", ""), "list");
    const nlohmann::json& before = OurHandler(listed);
    std::map<std::string, std::string> plan;  // path -> action/reason
    for (const auto& f : before["files"])
        plan[f["path"]] = f["action"].get<std::string>() + "/" + (f["reason"].is_null() ? "" : f["reason"].get<std::string>());
    const std::map<std::string, std::string> expected = {
        {proj + "a.obj", "remove/"}, {proj + ".hidden.obj", "keep/hidden"}, {proj + "ro.obj", "keep/read-only"}};
    EXPECT_EQ(plan, expected);
    EXPECT_EQ(listed["summary"]["remove"]["bytes"], 10);
    EXPECT_EQ(listed["summary"]["found"]["files"], 3);
    // Kept means the same before the purge as after it.
    EXPECT_EQ(listed["summary"]["kept"], (nlohmann::json{{"files", 2}, {"bytes", 12}}));

    run = Host("--yes --json " + Vol());
    EXPECT_EQ(run.Code, 0) << run.Errors;
    const nlohmann::json done = ParseJson(run.Output);
    EXPECT_EQ(done["summary"]["removed"], (nlohmann::json{{"files", 1}, {"bytes", 10}}));
    EXPECT_EQ(done["summary"]["kept"], (nlohmann::json{{"files", 2}, {"bytes", 12}}));
    EXPECT_EQ(done["summary"]["failed"]["files"], 0);
    for (const auto& f : OurHandler(done)["files"]) {
        const std::string path = f["path"];
        EXPECT_EQ(f["outcome"], plan[path] == "remove/" ? "trashed" : "kept") << path;
        EXPECT_EQ(fs::exists(path), plan[path] != "remove/") << path;
    }
    // The run is kept: its manifest says the same, and its own copy of the
    // report names the file removed and the files kept.
    ASSERT_TRUE(done["run"].is_object()) << done.dump(2);
    const fs::path folder = done["run"]["folder"].get<std::string>();
    EXPECT_EQ(folder.parent_path(), base / "state" / "tidewash" / "runs");
    const nlohmann::json manifest = ParseJson(twstesting::ReadFile(folder / "manifest.json"));
    EXPECT_EQ(manifest["handlers"], done["handlers"]);
    const std::string report = twstesting::ReadFile(done["run"]["report"].get<std::string>());
    for (const char* name : {"a.obj", ".hidden.obj", "ro.obj"})
        EXPECT_NE(report.find(name), std::string::npos) << name;
    EXPECT_TRUE(fs::exists(base / "data" / "Trash" / "files" / "a.obj"));
    // Beside it the run's page, named by --history, with the record's figures.
    ASSERT_TRUE(done["run"]["page"].is_string()) << done["run"].dump();
    const std::string page = twstesting::ReadFile(done["run"]["page"].get<std::string>());
    EXPECT_NE(page.find("id=\"removed-bytes\" data-value=\"10\""), std::string::npos) << page;
    EXPECT_NE(page.find("id=\"kept-files\" data-value=\"2\""), std::string::npos) << page;
    EXPECT_NE(Host("--history").Output.find("page: " + done["run"]["page"].get<std::string>() + "\n"),
              std::string::npos);

    // A second run offers nothing: what is left the settings keep.
    run = Host("--yes " + Vol());
    EXPECT_EQ(run.Code, 1) << run.Output << run.Errors;
    EXPECT_EQ(run.Output.find("freed"), std::string::npos) << run.Output;
    // Quiet prints nothing at all when nothing goes wrong.
    run = Host("--quiet --dry-run " + Vol());
    EXPECT_EQ(run.Code, 0);
    EXPECT_EQ(run.Output + run.Errors, "");
}

TEST_F(CleanupHost, UndoPutsBackEveryFileButNeverOverAFileThatReappeared)
{
    twstesting::TSettingsFile settings = ObjSettings();
    settings.UseRecycleBin = true;
    settings.DeleteReadOnly = true;
    InstallHandler(settings.Text());
    struct TFile {
        const char* Name;
        std::string Contents;
        fs::perms Mode;
    };
    const TFile files[] = {
        {"a.obj", "0123456789", fs::perms::owner_read | fs::perms::owner_write},  // as written in SetUp, then set
        {"b.obj", std::string("\0binary\xff", 8), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read},
        {"ro.obj", "read only", fs::perms::owner_read | fs::perms::others_read},
    };
    for (const TFile& f : files) {
        twstesting::WriteFile(volume / "proj" / f.Name, f.Contents);
        fs::permissions(volume / "proj" / f.Name, f.Mode);
    }
    TRun run = Host("--yes " + Vol());
    ASSERT_EQ(run.Code, 0) << run.Output << run.Errors;
    EXPECT_NE(run.Output.find("removed 3 files"), std::string::npos) << run.Output;
    EXPECT_NE(run.Output.find("twscleanup --undo "), std::string::npos) << run.Output;
    for (const TFile& f : files)
        ASSERT_FALSE(fs::exists(volume / "proj" / f.Name)) << f.Name;

    // A dry run of the undo names what it would restore and moves nothing.
    const fs::path manifest = OnlyRun(base / "state") / "manifest.json";
    const std::string recorded = twstesting::ReadFile(manifest);
    for (const char* dry : {"--undo --dry-run", "-n --undo"}) {
        run = Host(dry);
        EXPECT_EQ(run.Code, 0) << dry << run.Output << run.Errors;
        EXPECT_NE(run.Output.find("would restore"), std::string::npos) << run.Output;
        EXPECT_NE(run.Output.find("3 files to restore"), std::string::npos) << run.Output;
        for (const TFile& f : files) {
            EXPECT_NE(run.Output.find((volume / "proj" / f.Name).string()), std::string::npos) << f.Name;
            EXPECT_FALSE(fs::exists(volume / "proj" / f.Name)) << dry << ": " << f.Name;
        }
        EXPECT_EQ(twstesting::ReadFile(manifest), recorded) << "the record is not changed";
    }

    twstesting::WriteFile(volume / "proj" / "b.obj", "new");
    run = Host("--undo");
    EXPECT_EQ(run.Code, 4) << run.Output << run.Errors;
    EXPECT_NE(run.Output.find("name taken"), std::string::npos) << run.Output;
    EXPECT_EQ(twstesting::ReadFile(volume / "proj" / "b.obj"), "new");
    for (const TFile& f : files) {
        if (std::string(f.Name) == "b.obj")
            continue;
        EXPECT_EQ(twstesting::ReadFile(volume / "proj" / f.Name), f.Contents) << f.Name;
        EXPECT_EQ(fs::status(volume / "proj" / f.Name).permissions() & fs::perms::all, f.Mode) << f.Name;
    }
    // Once the name is free again, the next undo brings back the last one.
    fs::remove(volume / "proj" / "b.obj");
    run = Host("--undo");
    EXPECT_EQ(run.Code, 0) << run.Output << run.Errors;
    EXPECT_EQ(twstesting::ReadFile(volume / "proj" / "b.obj"), files[1].Contents);
    EXPECT_EQ(fs::status(volume / "proj" / "b.obj").permissions() & fs::perms::all, files[1].Mode);
    EXPECT_TRUE(fs::is_empty(base / "data" / "Trash" / "info"));
    run = Host("--undo");
    EXPECT_EQ(run.Code, 1) << run.Output;

    run = Host("--history");
    EXPECT_EQ(run.Code, 0);
    EXPECT_NE(run.Output.find(volume.string()), std::string::npos) << run.Output;
    EXPECT_EQ(Host("--undo no-such-run").Code, 64);
}

// At a terminal the progress is one line rewritten: the scan's ends as
// "Scanned ...", and the purge's bar ends full once the purge is over, even
// when files the settings keep stay behind.
TEST_F(CleanupHost, TheLiveLinesAtATerminalEndAsTheirStepDid)
{
    InstallHandler(kTrashSettings);
    twstesting::WriteFile(volume / "proj" / "b.obj", "1234");
    // While the host asks, b.obj goes: what the purge was to free is never
    // all freed.
    const std::string output = HostAtTerminal(
        Vol(), "[y]es, [N]o",
        [&] { fs::remove(volume / "proj" / "b.obj"); }, "y\n");
    const std::string scanned = "\r\033[KScanned Tideworks Suite (TWS): 14 bytes to free\r\n";
    EXPECT_NE(output.find(scanned), std::string::npos) << output;
    const std::size_t purging = output.rfind("\r\033[KPurging Tideworks Suite (TWS) ");
    ASSERT_NE(purging, std::string::npos) << output;
    const std::string last = output.substr(purging + 4, output.find('\r', purging + 4) - purging - 4);
    EXPECT_EQ(last, "Purging Tideworks Suite (TWS) [" + std::string(30, '#') + "] 100%  10 bytes of 14 bytes") << output;
    EXPECT_FALSE(fs::exists(volume / "proj" / "a.obj"));
}

// A purge that can do nothing is told once, before any question, with the
// reason (and the trash it would use): never promised, then failed file by
// file. Each case runs in a child with a mount namespace of its own, on a
// tmpfs of its own.
TEST_F(CleanupHost, APurgeThatCannotWorkIsRefusedOnceBeforeTheQuestion)
{
    const std::string uid = std::to_string(::geteuid());
    const fs::path mnt = base / "mnt";
    fs::create_directories(mnt);
    struct TCase {
        const char* What;
        bool ToTrash;
        bool ReadOnly;
        std::string Reason;
    };
    const TCase cases[] = {
        {"the topdir trash is a file", true, false,
         "the trash " + mnt.string() + "/.Trash-" + uid + "/ cannot take the files: " + mnt.string() + "/.Trash-" +
             uid + " is not a folder"},
        {"a read-only volume, to the trash", true, true, "the volume is mounted read-only"},
        {"a read-only volume, deleting for good", false, true, "the volume is mounted read-only"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        twstesting::TSettingsFile settings = ObjSettings();
        settings.UseRecycleBin = c.ToTrash;
        fs::remove_all(install);
        fs::create_directories(install);
        InstallHandler(settings.Text());
        const std::string result = twstesting::InOwnMountNamespace([&]() -> std::string {
            if (::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "mode=0755") != 0)
                return twstesting::kNoMountNamespace;
            volume = mnt / "volume";
            fs::create_directories(volume / "proj");
            twstesting::WriteFile(volume / "proj" / "a.obj", "0123456789");
            twstesting::WriteFile(volume / "proj" / "b.obj", "01234");
            if (!c.ReadOnly)
                twstesting::WriteFile(mnt / (".Trash-" + uid), "not a folder");
            else if (::mount(mnt.c_str(), mnt.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
                     ::mount(nullptr, mnt.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
                return "cannot remount read-only";
            std::string problem;
            for (const char* arguments : {"--yes", ""}) {
                // Asked, it would answer yes: the question must not come.
                const TRun run = Host(std::string(arguments) + " " + Vol(), "y\ny\n");
                const std::string all = run.Output + run.Errors;
                if (run.Code != 4)
                    problem += "exit " + std::to_string(run.Code) + "\n";
                const std::string line = "twscleanup: Tideworks Suite (TWS): no file can be purged: " + c.Reason;
                if (run.Errors.find(line) == std::string::npos)
                    problem += "missing \"" + line + "\"\n";
                if (all.find(c.Reason) != all.rfind(c.Reason))
                    problem += "the reason is told more than once\n";
                if (all.find("Clean up") != std::string::npos)
                    problem += "the purge was offered\n";
                if (all.find("not removed") != std::string::npos || all.find("failed") != std::string::npos)
                    problem += "a purge was tried\n";
                if (!fs::exists(volume / "proj" / "a.obj") || !fs::exists(volume / "proj" / "b.obj"))
                    problem += "a file was deleted\n";
                if (!problem.empty())
                    return problem + all;
            }
            return std::string();
        });
        if (result == twstesting::kNoMountNamespace)
            GTEST_SKIP() << "no mount namespace of its own may be made here (it needs CAP_SYS_ADMIN)";
        EXPECT_EQ(result, "");
    }
}

// The handler reports success when only its disk-cleanup key could not be
// written (its result is that of the class registration); the registration
// tool must not: it names the file and the reason, and the host, finding no
// handler, says what the registry file is.
TEST_F(CleanupHost, ARegistrationTheRegistryRefusedIsNotASuccess)
{
    const fs::path machine = base / "registry" / "HKEY_LOCAL_MACHINE.reg";
    std::ofstream(machine) << "this is not a registry file\n";
    fs::copy_file(Out() + "/Tidewash.so", install / "Tidewash.so");
    const fs::path err = base / "regsvr.err";
    const int status = std::system(("'" + Out() + "/twsregsvr' /s '" + (install / "Tidewash.so").string() +
                                    "' 2>'" + err.string() + "'")
                                       .c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 6);
    std::ifstream in(err);
    const std::string errors((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(errors.find("warning"), std::string::npos) << errors;
    EXPECT_NE(errors.find(machine.string()), std::string::npos) << errors;
    EXPECT_NE(errors.find("incomplete"), std::string::npos) << errors;
    // The damaged file was left as it was.
    std::ifstream kept(machine);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(kept)), {}), "this is not a registry file\n");
}

// A manifest that cannot be used (damaged, cut short, planted as a special
// file or a link) is named with the reason, never hangs the reader, and
// gets its own exit code; the undo moves nothing.
TEST_F(CleanupHost, AManifestThatCannotBeUsedHasItsOwnExitCodeAndMovesNothing)
{
    InstallHandler(kTrashSettings);
    ASSERT_EQ(Host("--yes " + Vol()).Code, 0);
    const fs::path manifest = OnlyRun(base / "state") / "manifest.json";
    const std::string text = twstesting::ReadFile(manifest);
    nlohmann::json withoutSummary = ParseJson(text);
    withoutSummary.erase("summary");
    struct TCase {
        const char* Name;
        std::function<void()> Plant;
    };
    const TCase cases[] = {
        {"not JSON", [&] { twstesting::WriteFile(manifest, text.substr(0, text.size() / 2)); }},
        {"without its summary", [&] { twstesting::WriteFile(manifest, withoutSummary.dump()); }},
        {"a FIFO", [&] { ASSERT_EQ(::mkfifo(manifest.c_str(), 0600), 0); }},
        {"a link to the real manifest",
         [&] {
             twstesting::WriteFile(base / "elsewhere.json", text);
             fs::create_symlink(base / "elsewhere.json", manifest);
         }},
        {"a folder", [&] { fs::create_directory(manifest); }},
    };
    for (const TCase& c : cases) {
        fs::remove_all(manifest);
        c.Plant();
        TRun run = Host("--history");
        EXPECT_EQ(run.Code, 5) << c.Name << "\n" << run.Output << run.Errors;
        EXPECT_NE(run.Output.find(manifest.string()), std::string::npos) << c.Name << "\n" << run.Output;
        run = Host("--undo");
        EXPECT_EQ(run.Code, 5) << c.Name << "\n" << run.Output << run.Errors;
        EXPECT_NE(run.Errors.find("cannot be used"), std::string::npos) << c.Name << "\n" << run.Errors;
        EXPECT_FALSE(fs::exists(volume / "proj" / "a.obj")) << c.Name;
    }
    fs::remove_all(manifest);
    twstesting::WriteFile(manifest, text);
    EXPECT_EQ(Host("--undo").Code, 0);
    EXPECT_TRUE(fs::exists(volume / "proj" / "a.obj"));
}

// Where the file system keeps no birth time the manifest says "born_ns":
// null; the undo takes that as not recorded.
TEST_F(CleanupHost, AManifestWithoutBirthTimesIsUndone)
{
    InstallHandler(kTrashSettings);
    twstesting::WriteFile(volume / "proj" / "b.obj", "bb");
    ASSERT_EQ(Host("--yes " + Vol()).Code, 0);
    const fs::path manifest = OnlyRun(base / "state") / "manifest.json";
    nlohmann::json document = ParseJson(twstesting::ReadFile(manifest));
    for (auto& file : document["handlers"][0]["files"])
        file["identity"]["born_ns"] = nullptr;
    twstesting::WriteFile(manifest, document.dump(2));
    const TRun run = Host("--undo");
    EXPECT_EQ(run.Code, 0) << run.Output << run.Errors;
    EXPECT_EQ(twstesting::ReadFile(volume / "proj" / "a.obj"), "0123456789");
    EXPECT_EQ(twstesting::ReadFile(volume / "proj" / "b.obj"), "bb");
}

// While one undo of a run holds it, a second is refused with its own code
// and moves nothing.
TEST_F(CleanupHost, ASecondUndoOfTheSameRunIsRefused)
{
    InstallHandler(kTrashSettings);
    ASSERT_EQ(Host("--yes " + Vol()).Code, 0);
    const fs::path lock = OnlyRun(base / "state") / "lock";
    {
        const int held = ::open(lock.c_str(), O_RDWR | O_CREAT, 0600);
        ASSERT_GE(held, 0);
        ASSERT_EQ(::flock(held, LOCK_EX), 0);
        const TRun run = Host("--undo");
        ::close(held);
        EXPECT_EQ(run.Code, 7) << run.Output << run.Errors;
        EXPECT_NE(run.Errors.find("in use by another process"), std::string::npos) << run.Errors;
        EXPECT_FALSE(fs::exists(volume / "proj" / "a.obj"));
    }
    const TRun run = Host("--undo");
    EXPECT_EQ(run.Code, 0) << run.Output << run.Errors;
    EXPECT_TRUE(fs::exists(volume / "proj" / "a.obj"));
}

// State folders another user could steer are not written: the purge runs,
// says its record was not kept, and exits with its own code.
TEST_F(CleanupHost, ARecordIsNeverWrittenThroughALinkOrIntoAFolderOthersCanWrite)
{
    InstallHandler(kTrashSettings);
    const fs::path outside = base / "outside";
    fs::create_directories(outside);
    fs::create_directories(base / "state" / "tidewash");
    fs::create_directory_symlink(outside, base / "state" / "tidewash" / "runs");
    TRun run = Host("--yes " + Vol());
    EXPECT_EQ(run.Code, 6) << run.Output << run.Errors;
    EXPECT_NE(run.Errors.find("record of this run was not kept"), std::string::npos) << run.Errors;
    EXPECT_TRUE(fs::is_empty(outside));

    fs::remove(base / "state" / "tidewash" / "runs");
    fs::permissions(base / "state" / "tidewash", fs::perms::all);
    twstesting::WriteFile(volume / "proj" / "b.obj", "bb");
    run = Host("--yes " + Vol());
    EXPECT_EQ(run.Code, 6) << run.Output << run.Errors;
    EXPECT_NE(run.Errors.find("can be written by other users"), std::string::npos) << run.Errors;
    EXPECT_FALSE(fs::exists(base / "state" / "tidewash" / "runs"));
    // Nor is a record read from there.
    for (const char* command : {"--history", "--undo"}) {
        run = Host(command);
        EXPECT_EQ(run.Code, 5) << command << "\n" << run.Output << run.Errors;
        EXPECT_NE(run.Errors.find("can be written by other users"), std::string::npos) << command << run.Errors;
    }
}

// The volume root replaced by a link to a folder outside, before the undo
// and while it runs: not one file is created outside, and every file is
// either back in the volume or still in the trash.
TEST_F(CleanupHost, UndoNeverRestoresThroughALinkAtTheVolumeRoot)
{
    InstallHandler(kTrashSettings);
    constexpr int kFiles = 40;
    for (int i = 0; i < kFiles; ++i)
        twstesting::WriteFile(volume / "proj" / ("f" + std::to_string(i) + ".obj"), "x");
    ASSERT_EQ(Host("--yes " + Vol()).Code, 0);
    // As a manifest of an older version, without the root's identity: the
    // walk without links must hold on its own.
    const fs::path manifest = OnlyRun(base / "state") / "manifest.json";
    nlohmann::json document = ParseJson(twstesting::ReadFile(manifest));
    ASSERT_TRUE(document["volume_identity"].is_object()) << document.dump(2);
    document.erase("volume_identity");
    twstesting::WriteFile(manifest, document.dump(2));
    const fs::path outside = base / "outside";
    fs::create_directories(outside / "proj");
    const auto outsideFiles = [&] {
        return std::distance(fs::recursive_directory_iterator(outside), fs::recursive_directory_iterator());
    };

    // Statically: the root is a link, nothing is restored.
    fs::rename(volume, base / "real");
    fs::create_directory_symlink(outside, volume);
    TRun run = Host("--undo");
    EXPECT_EQ(run.Code, 4) << run.Output << run.Errors;
    EXPECT_EQ(outsideFiles(), 1) << "only proj/";
    fs::remove(volume);

    // Racing: a process swaps the root and a link to outside as fast as it can.
    fs::create_directory_symlink(outside, base / "swap");
    fs::rename(base / "real", volume);
    for (int round = 0; round < 3; ++round) {
        const pid_t racer = ::fork();
        if (racer == 0) {
            for (;;)
                ::renameat2(AT_FDCWD, volume.c_str(), AT_FDCWD, (base / "swap").c_str(), RENAME_EXCHANGE);
        }
        run = Host("--undo");
        ::kill(racer, SIGKILL);
        ::waitpid(racer, nullptr, 0);
        if (fs::is_symlink(volume))
            ::renameat2(AT_FDCWD, volume.c_str(), AT_FDCWD, (base / "swap").c_str(), RENAME_EXCHANGE);
        ASSERT_FALSE(fs::is_symlink(volume));
        EXPECT_EQ(outsideFiles(), 1) << "round " << round << "\n" << run.Output;
    }
    // Whatever the race let through is back; the rest is still in the trash.
    run = Host("--undo");
    for (int i = 0; i < kFiles; ++i)
        EXPECT_TRUE(fs::exists(volume / "proj" / ("f" + std::to_string(i) + ".obj"))) << i << run.Output;
    EXPECT_TRUE(fs::is_empty(base / "data" / "Trash" / "files"));
}

namespace {

// How many kills per mode: a few in the suite, hundreds from
// scripts/kill_test.sh.
int KillRounds()
{
    const char* rounds = std::getenv("TWS_KILL_ROUNDS");
    return rounds != nullptr && std::atoi(rounds) > 0 ? std::atoi(rounds) : 3;
}

// The number of whole lines in a file, 0 when it is not there.
std::size_t LineCount(const fs::path& file)
{
    const std::string text = twstesting::ReadFile(file);
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

// A purge killed (SIGKILL) at a random point of its journal, in both modes:
// every file is in place, deleted (delete mode) or in the trash with its
// information; --history shows the run as interrupted; --undo restores
// every file it moved and leaves no .trashinfo behind.
TEST_F(CleanupHost, AKilledPurgeIsRecordedAndUndone)
{
    constexpr int kFiles = 120;
    std::srand(static_cast<unsigned>(::getpid()));
    const fs::path trash = base / "data" / "Trash";
    std::map<std::string, int> kills;  // where the kills fell, for scripts/kill_test.sh
    for (const bool toTrash : {true, false}) {
        fs::remove_all(install);
        fs::create_directories(install);
        fs::remove_all(base / "registry");
        fs::create_directories(base / "registry");
        InstallHandler(std::string("[Files]\nActiveMasks=\"*.obj\"\nUseRecycleBin=") + (toTrash ? "1" : "0") + "\n");
        for (int round = 0; round < KillRounds(); ++round) {
            const std::string where = std::string(toTrash ? "trash" : "delete") + " round " + std::to_string(round);
            fs::remove_all(base / "state");
            fs::remove_all(base / "data");
            fs::remove_all(volume);
            for (int i = 0; i < kFiles; ++i)
                twstesting::WriteFile(volume / ("d" + std::to_string(i % 7)) / ("f" + std::to_string(i) + ".obj"),
                                      std::to_string(i));
            // Killed once the journal holds this many lines (the scan before
            // it, the whole purge, or its end).
            // (A move takes two lines, a deletion one.)
            const std::size_t killAt = static_cast<std::size_t>(std::rand()) % ((toTrash ? 2 : 1) * kFiles + 4);
            std::fflush(nullptr);  // the child must not write the test's buffered output again
            const pid_t pid = ::fork();
            if (pid == 0) {
                std::freopen("/dev/null", "w", stdout);
                std::freopen("/dev/null", "w", stderr);
                ::execl((bin + "/twscleanup").c_str(), "twscleanup", "--yes", volume.c_str(), static_cast<char*>(nullptr));
                ::_exit(127);
            }
            int status = 0;
            for (;;) {
                if (::waitpid(pid, &status, WNOHANG) == pid)
                    break;
                std::size_t lines = 0;
                if (fs::exists(base / "state" / "tidewash" / "runs"))
                    for (const auto& run : fs::directory_iterator(base / "state" / "tidewash" / "runs"))
                        lines = LineCount(run.path() / "journal.jsonl");
                if (lines >= killAt) {
                    ::kill(pid, SIGKILL);
                    ::waitpid(pid, &status, 0);
                    break;
                }
                ::usleep(200);
            }

            // Every file is in place, or in the trash with its information.
            int inPlace = 0, inTrash = 0;
            for (int i = 0; i < kFiles; ++i) {
                const fs::path file = volume / ("d" + std::to_string(i % 7)) / ("f" + std::to_string(i) + ".obj");
                if (fs::exists(file)) {
                    ++inPlace;
                    EXPECT_EQ(twstesting::ReadFile(file), std::to_string(i)) << where;
                }
            }
            if (fs::exists(trash / "files"))
                for (const auto& entry : fs::directory_iterator(trash / "files")) {
                    ++inTrash;
                    EXPECT_TRUE(fs::exists(trash / "info" / (entry.path().filename().string() + ".trashinfo")))
                        << where << ": " << entry.path();
                }
            if (toTrash)
                EXPECT_EQ(inPlace + inTrash, kFiles) << where;
            else
                EXPECT_EQ(inTrash, 0) << where;

            const bool recorded = fs::exists(base / "state" / "tidewash" / "runs") &&
                                  !fs::is_empty(base / "state" / "tidewash" / "runs");
            ++kills[std::string(toTrash ? "trash" : "delete") +
                    (!recorded ? ": before the journal" : fs::exists(OnlyRun(base / "state") / "manifest.json")
                                                             ? ": after the manifest"
                                                             : ": during the purge")];
            if (!recorded) {
                // Killed before the journal began: nothing moved.
                EXPECT_EQ(inPlace, kFiles) << where;
                continue;
            }
            const fs::path run = OnlyRun(base / "state");
            const bool interrupted = !fs::exists(run / "manifest.json");
            TRun history = Host("--history");
            EXPECT_EQ(history.Code, 0) << where << "\n" << history.Output << history.Errors;
            EXPECT_NE(history.Output.find(run.filename().string()), std::string::npos) << where << history.Output;
            EXPECT_EQ(history.Output.find("(interrupted)") != std::string::npos, interrupted) << where << history.Output;

            const TRun undo = Host("--undo");
            EXPECT_TRUE(undo.Code == 0 || undo.Code == 1) << where << "\n" << undo.Output << undo.Errors;
            if (toTrash) {
                for (int i = 0; i < kFiles; ++i) {
                    const fs::path file = volume / ("d" + std::to_string(i % 7)) / ("f" + std::to_string(i) + ".obj");
                    EXPECT_EQ(twstesting::ReadFile(file), std::to_string(i)) << where << "\n" << undo.Output;
                }
            }
            // No stray information is left, and the trash holds nothing.
            if (fs::exists(trash / "info")) {
                EXPECT_TRUE(fs::is_empty(trash / "info")) << where << "\n" << undo.Output;
            }
            if (fs::exists(trash / "files")) {
                EXPECT_TRUE(fs::is_empty(trash / "files")) << where;
            }
        }
    }
    for (const auto& [when, count] : kills)
        std::printf("killed %s: %d\n", when.c_str(), count);
}

// The next purge removes what an interrupted run left unfinished in the
// trash (the information of a move that never happened), and nothing else.
TEST_F(CleanupHost, TheNextPurgeRemovesWhatAnInterruptedRunLeftUnfinished)
{
    InstallHandler(kTrashSettings);
    const fs::path trash = base / "data" / "Trash";
    const std::string lost = (volume / "proj" / "x.obj").string();
    const auto info = [](const std::string& path) {
        return "[Trash Info]\nPath=" + path + "\nDeletionDate=2024-05-01T10:20:30\n";
    };
    twstesting::WriteFile(trash / "info" / "x.obj.trashinfo", info(lost));
    twstesting::WriteFile(trash / "info" / "y.obj.trashinfo", info((volume / "proj" / "y.obj").string()));
    fs::create_directories(trash / "files");
    const fs::path run = base / "state" / "tidewash" / "runs" / "20240501-102030";
    fs::create_directories(run);
    for (fs::path p = run; p != base / "state"; p = p.parent_path())
        fs::permissions(p, fs::perms::owner_all);
    twstesting::WriteFile(run / "journal.jsonl",
                          R"({"journal": "tidewash.journal/1", "time": "t", "volume": ")" + volume.string() +
                              R"(/", "volume_identity": null})" "\n"
                              R"({"handler": "Tidewash", "name": "Tidewash"})" "\n"
                              R"({"trashing": ")" + lost + R"(", "trash": {"folder": ")" + trash.string() +
                              R"(/", "name": "x.obj"}, "size": 1, "identity": {"device": 1, "inode": 2, "modified_ns": 3, "born_ns": null}})"
                              "\n");
    TRun result = Host("--history");
    EXPECT_EQ(result.Code, 0) << result.Output << result.Errors;
    EXPECT_NE(result.Output.find("20240501-102030"), std::string::npos) << result.Output;
    EXPECT_NE(result.Output.find("(interrupted)"), std::string::npos) << result.Output;

    // While its purge still holds the run (another process, half-way), its
    // unfinished moves are not abandoned ones: they stay.
    {
        const int held = ::open((run / "lock").c_str(), O_RDWR | O_CREAT, 0600);
        ASSERT_GE(held, 0);
        ASSERT_EQ(::flock(held, LOCK_EX), 0);
        twstesting::WriteFile(volume / "proj" / "b.obj", "b");
        result = Host("--yes " + Vol());
        ::close(held);
        EXPECT_EQ(result.Code, 0) << result.Output << result.Errors;
        EXPECT_TRUE(fs::exists(trash / "info" / "x.obj.trashinfo"));
    }
    twstesting::WriteFile(volume / "proj" / "a.obj", "a");
    result = Host("--yes " + Vol());
    EXPECT_EQ(result.Code, 0) << result.Output << result.Errors;
    EXPECT_NE(result.Output.find("Removed 1 unfinished"), std::string::npos) << result.Output;
    EXPECT_FALSE(fs::exists(trash / "info" / "x.obj.trashinfo"));
    EXPECT_TRUE(fs::exists(trash / "info" / "y.obj.trashinfo")) << "not named by the journal";
    // a.obj and b.obj, then the second a.obj: each with its information.
    int trashed = 0;
    for (const auto& entry : fs::directory_iterator(trash / "files")) {
        ++trashed;
        EXPECT_TRUE(fs::exists(trash / "info" / (entry.path().filename().string() + ".trashinfo"))) << entry.path();
    }
    EXPECT_EQ(trashed, 3);
}

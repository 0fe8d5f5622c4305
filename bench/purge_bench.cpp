// Benchmark of the purge: the cleanup handler's Purge against the system's
// own tools on the same generated files, measured in the same run.
//
//   purge_bench [--files N] [--runs R] [--dir FOLDER] [--only PAIR]
//
// --only runs one pair (permanent, trash or repeated): a profile of one
// purge, or a figure for one pair, without waiting for the others.
// Three pairs, each on N files (10,000 by default) in folders of 100:
//   trash      the handler's purge into the trash   vs  gio trash given the files
//   repeated   the same with the names repeated in every folder (N files
//              sharing 100 names: every project has a Unit1.obj)
//   permanent  the handler's permanent purge        vs  rm given the same list
// The handler is installed into a temporary folder and registered into a
// temporary registry; it is driven through COM as a host drives it, and
// only its Purge call is timed (it includes writing the purge report).
// The trash is a temporary XDG_DATA_HOME, emptied before every run.
// Every measurement runs in a child process of its own, whose peak memory
// (ru_maxrss) is reported beside the times: for the handler the process
// that scans and purges, for the tools the largest of their processes.
// Prints the medians over R runs (3 by default) and the ratios, and the
// medians of the processor time spent in user space and in the kernel.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <emptyvc.h>
#include <filesystem>
#include <functional>
#include <fstream>
#include <objbase.h>
#include <stringapiset.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "SettingsFile.h"
#include "Tidewash_tlb.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct TOptions {
    int Files = 10000;
    int Runs = 3;
    fs::path Dir;
    std::string Only;  // empty: every pair
};

const char* const kUsage =
    "usage: purge_bench [--files N] [--runs R] [--dir FOLDER] [--only permanent|trash|repeated]\n";

fs::path BuildOut()
{
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    return fs::path(std::string(self, n > 0 ? static_cast<std::size_t>(n) : 0)).parent_path();
}

enum class TNames { Distinct, Repeated };

// The files, in folders of 100; returns them as a NUL-separated list.
std::string Generate(const fs::path& volume, int files, TNames names)
{
    fs::remove_all(volume);
    std::string list;
    const std::string data(512, 'x');
    for (int i = 0; i < files; ++i) {
        const fs::path folder = volume / ("project" + std::to_string(i / 100));
        if (i % 100 == 0)
            fs::create_directories(folder);
        const int n = names == TNames::Repeated ? i % 100 : i;
        const fs::path file = folder / ("unit" + std::to_string(n) + ".obj");
        std::ofstream(file, std::ios::binary) << data;
        list += file.string();
        list += '\0';
    }
    ::sync();
    return list;
}

// What the timed part took: wall-clock seconds and the processor time it
// spent in user space and in the kernel (the handler's own process, or the
// tool's processes).
struct TTiming {
    double Seconds = 0;
    double UserSeconds = 0;
    double SystemSeconds = 0;
};

// One measurement: its timing and peak memory in KiB.
struct TSample {
    TTiming Timing;
    long PeakKiB;
};

double CpuSeconds(const struct timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

// The processor time of who (RUSAGE_SELF or RUSAGE_CHILDREN) since before.
void AddCpuSince(const struct rusage& before, int who, TTiming& timing)
{
    struct rusage after {};
    ::getrusage(who, &after);
    timing.UserSeconds = CpuSeconds(after.ru_utime) - CpuSeconds(before.ru_utime);
    timing.SystemSeconds = CpuSeconds(after.ru_stime) - CpuSeconds(before.ru_stime);
}

// Runs body in a child process; its peak memory is the child's (and its
// waited-for descendants') ru_maxrss.
TSample InChild(const std::function<TTiming()>& body)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        std::exit(1);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        const TTiming timing = body();
        (void)!::write(pipeFds[1], &timing, sizeof timing);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    TTiming timing;
    const bool read = ::read(pipeFds[0], &timing, sizeof timing) == static_cast<ssize_t>(sizeof timing);
    ::close(pipeFds[0]);
    int status = 0;
    struct rusage usage {};
    ::wait4(child, &status, 0, &usage);
    if (!read || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::exit(1);
    return {timing, usage.ru_maxrss};
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void WriteSettings(const fs::path& install, bool trash)
{
    twstesting::TSettingsFile settings;
    settings.ActiveMasks = "*.obj";
    settings.UseRecycleBin = trash;
    settings.WriteTo(install / "TWS.cfg");
}

std::u16string Wide(const std::string& s)
{
    std::u16string out(s.size() + 1, u'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, out.data(), static_cast<int>(out.size()));
    out.resize(n > 0 ? static_cast<std::size_t>(n - 1) : 0);
    return out;
}

// Scans the volume with a fresh handler object and times its purge.
TTiming HandlerPurge(const fs::path& volume, int expected)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IEmptyVolumeCache2* handler = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TidewashCtrl, nullptr, CLSCTX_INPROC_SERVER, IID_IEmptyVolumeCache2,
                                reinterpret_cast<void**>(&handler)))) {
        std::fprintf(stderr, "purge_bench: the handler could not be created\n");
        std::exit(1);
    }
    const std::u16string root = Wide(volume.string() + "/");
    LPWSTR a = nullptr, b = nullptr, c = nullptr;
    handler->InitializeEx(nullptr, root.c_str(), u"", &a, &b, &c, nullptr);
    CoTaskMemFree(a);
    CoTaskMemFree(b);
    CoTaskMemFree(c);
    DWORDLONG space = 0;
    handler->GetSpaceUsed(&space, nullptr);
    TTiming timing;
    struct rusage before {};
    ::getrusage(RUSAGE_SELF, &before);
    const auto start = Clock::now();
    const HRESULT hr = handler->Purge(space, nullptr);
    timing.Seconds = Seconds(start);
    AddCpuSince(before, RUSAGE_SELF, timing);
    handler->Release();
    CoUninitialize();
    long left = 0;
    for (const auto& e : fs::recursive_directory_iterator(volume))
        left += e.is_regular_file() ? 1 : 0;
    if (FAILED(hr) || left != 0 || space != static_cast<DWORDLONG>(expected) * 512) {
        std::fprintf(stderr, "purge_bench: the handler's purge left %ld files (HRESULT 0x%08X)\n", left,
                     static_cast<unsigned>(hr));
        std::exit(1);
    }
    return timing;
}

TTiming Tool(const std::string& list, const fs::path& listFile, const std::string& command)
{
    std::ofstream(listFile, std::ios::binary) << list;
    TTiming timing;
    struct rusage before {};
    ::getrusage(RUSAGE_CHILDREN, &before);
    const auto start = Clock::now();
    const int status = std::system(("xargs -0 " + command + " < '" + listFile.string() + "'").c_str());
    timing.Seconds = Seconds(start);
    AddCpuSince(before, RUSAGE_CHILDREN, timing);
    if (status != 0) {
        std::fprintf(stderr, "purge_bench: \"%s\" failed\n", command.c_str());
        std::exit(1);
    }
    return timing;
}

}  // namespace

int main(int argc, char** argv)
{
    TOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--files" && i + 1 < argc)
            options.Files = std::max(100, std::atoi(argv[++i]));
        else if (arg == "--runs" && i + 1 < argc)
            options.Runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--dir" && i + 1 < argc)
            options.Dir = argv[++i];
        else if (arg == "--only" && i + 1 < argc)
            options.Only = argv[++i];
        else if (arg == "--help" || arg == "-h") {
            std::printf("%s", kUsage);
            return 0;
        } else {
            std::fprintf(stderr, "%s", kUsage);
            return 64;
        }
    }
    if (!options.Only.empty() && options.Only != "permanent" && options.Only != "trash" &&
        options.Only != "repeated") {
        std::fprintf(stderr, "purge_bench: no pair named \"%s\"\n%s", options.Only.c_str(), kUsage);
        return 64;
    }
    const bool temporary = options.Dir.empty();
    const fs::path dir = temporary ? fs::temp_directory_path() / ("tws_purge_bench_" + std::to_string(::getpid()))
                                   : options.Dir;
    const fs::path install = dir / "install", volume = dir / "volume", data = dir / "data";
    fs::create_directories(install);
    fs::create_directories(data);
    // Before anything reads them: the registry and the trash of this run.
    ::setenv("TIDEWASH_REGISTRY", (dir / "registry").c_str(), 1);
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);

    fs::copy_file(BuildOut() / "Tidewash.so", install / "Tidewash.so", fs::copy_options::overwrite_existing);
    const std::string command = "'" + (BuildOut() / "twsregsvr").string() + "' /s '" + (install / "Tidewash.so").string() + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "purge_bench: registering the handler failed\n");
        return 1;
    }
    struct TCase {
        const char* Name;
        bool Trash;
        TNames Names;
        const char* Tool;
        const char* ToolName;
        double Target;
        std::vector<TSample> Handler, Other;
    };
    std::vector<TCase> cases = {
        {"permanent", false, TNames::Distinct, "rm -f", "rm", 1.0, {}, {}},
        {"trash", true, TNames::Distinct, "gio trash", "gio trash", 1.0, {}, {}},
        {"repeated", true, TNames::Repeated, "gio trash", "gio trash", 0.5, {}, {}},
    };
    if (!options.Only.empty())
        std::erase_if(cases, [&](const TCase& c) { return c.Name != options.Only; });
    // Each measurement starts from the same state: an empty trash, fresh
    // files, everything written out. Which of a pair goes first alternates
    // from run to run, so that neither always pays for the other's
    // leftovers.
    for (int run = 0; run < options.Runs; ++run)
        for (TCase& c : cases) {
            WriteSettings(install, c.Trash);
            for (int turn = 0; turn < 2; ++turn) {
                fs::remove_all(data / "Trash");
                const std::string list = Generate(volume, options.Files, c.Names);
                // Emptying a full trash leaves the file system busy for a
                // while after sync; let that pass outside the timing.
                ::sleep(2);
                if ((turn + run) % 2 == 0)
                    c.Handler.push_back(InChild([&] { return HandlerPurge(volume, options.Files); }));
                else
                    c.Other.push_back(InChild([&] { return Tool(list, dir / "list", c.Tool); }));
            }
        }
    if (temporary)
        fs::remove_all(dir);

    std::printf("%d files, medians of %d runs (peak memory: the largest run)\n", options.Files, options.Runs);
    for (TCase& c : cases) {
        const auto median = [](const std::vector<TSample>& v, double TTiming::*field) {
            std::vector<double> seconds;
            for (const TSample& t : v)
                seconds.push_back(t.Timing.*field);
            return Median(seconds);
        };
        const auto peak = [](const std::vector<TSample>& v) {
            long kib = 0;
            for (const TSample& t : v)
                kib = std::max(kib, t.PeakKiB);
            return kib;
        };
        const double h = median(c.Handler, &TTiming::Seconds), o = median(c.Other, &TTiming::Seconds);
        std::printf("  %-9s  handler %8.1f ms %7.1f MiB   %-9s %8.1f ms %7.1f MiB   ratio %.2f (target <= %.1f)\n",
                    c.Name, h * 1e3, peak(c.Handler) / 1024.0, c.ToolName, o * 1e3, peak(c.Other) / 1024.0, h / o,
                    c.Target);
        std::printf("  %-9s  processor time, user + kernel:  handler %6.1f + %6.1f ms   %-9s %6.1f + %6.1f ms\n", "",
                    median(c.Handler, &TTiming::UserSeconds) * 1e3, median(c.Handler, &TTiming::SystemSeconds) * 1e3,
                    c.ToolName, median(c.Other, &TTiming::UserSeconds) * 1e3,
                    median(c.Other, &TTiming::SystemSeconds) * 1e3);
    }
    return 0;
}

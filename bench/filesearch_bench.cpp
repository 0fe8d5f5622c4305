// Benchmark of the volume scan: a nine-mask TFileSearch::Execute against one
// GNU find pass with the same nine -iname tests and -type f, on a generated
// tree, both measured in the same run on a warm cache; and the same Execute
// with the handler's link guard reading the project files near every
// folder where a mask matched, against Execute alone.
//
//   filesearch_bench [--entries N] [--runs R] [--dir FOLDER] [--generate-only]
//
// Without --dir the tree (N entries, 200000 by default) is generated in a
// temporary folder and removed at the end; with --dir an existing tree is
// used as it is, or generated there when the folder does not exist;
// --generate-only stops there (bench/scan_bench.sh makes its trees so).
// Prints the median time of each side over R runs (7 by default) and their
// ratio, Execute divided by find.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Linkguard.h"
#include "Zelfilesearch.h"

namespace fs = std::filesystem;
using zelutils::TDirEntry;
using zelutils::TFileSearch;

namespace {

const std::vector<std::string> kMasks = {"*.map", "*.dsk", "*.obj", "*.csm", "*.tds",
                                         "*.il*", "*.~*",  "*.#*",  "*.bak"};

struct TCounts {
    long Folders = 0;
    long Files = 0;
    long Temporary = 0;  // files the nine masks match
};

class TTreeWriter {
public:
    explicit TTreeWriter(fs::path root) : FRoot(std::move(root)) {}

    void Folder(const fs::path& relative)
    {
        fs::create_directories(FRoot / relative);
        ++Counts.Folders;
    }
    void File(const fs::path& relative, bool temporary, const std::string& text = std::string())
    {
        std::ofstream(FRoot / relative, std::ios::binary) << text;
        ++Counts.Files;
        Counts.Temporary += temporary ? 1 : 0;
    }
    long Entries() const { return Counts.Folders + Counts.Files; }

    TCounts Counts;

private:
    fs::path FRoot;
};

// An IDE project as its users leave it: sources and forms with editor
// backups, object files and link maps in the output folders, incremental
// link state, desktop and symbol files next to the project.
void Project(TTreeWriter& w, const fs::path& p, std::mt19937& random)
{
    const std::string name = p.filename().string();
    w.Folder(p);
    w.Folder(p / "src");
    w.Folder(p / "include");
    w.Folder(p / "Debug");
    w.Folder(p / "Release");
    w.Folder(p / "res");
    for (const char* ext : {".cpp", ".res", ".bpf"})
        w.File(p / (name + ext), false);
    for (const char* ext : {".dsk", ".tds", ".map", ".ilc", ".ild", ".ilf", ".ils", ".~bpr"})
        w.File(p / (name + ext), true);
    if (random() % 3 == 0)
        w.File(p / (name + ".bak"), true);
    const int units = 10 + static_cast<int>(random() % 25);
    for (int u = 0; u < units; ++u) {
        const std::string unit = "Unit" + std::to_string(u);
        w.File(p / "src" / (unit + ".cpp"), false);
        w.File(p / "src" / (unit + ".dfm"), false);
        w.File(p / "include" / (unit + ".h"), false);
        w.File(p / "Debug" / (unit + ".obj"), true);
        if (random() % 2 == 0)
            w.File(p / "Release" / (unit + ".OBJ"), true);
        if (random() % 4 == 0)
            w.File(p / "src" / (unit + ".~cpp"), true);
        if (random() % 6 == 0)
            w.File(p / "src" / (unit + ".~dfm"), true);
        if (random() % 12 == 0)
            w.File(p / "src" / (unit + ".#01"), true);
    }
    // The project file names what it links: its units' objects, and in some
    // projects a prebuilt one; a third have a Pascal unit linking C objects.
    std::string objects = name + ".obj";
    for (int u = 0; u < units; ++u)
        objects += " Debug\\Unit" + std::to_string(u) + ".obj";
    if (random() % 4 == 0) {
        w.Folder(p / "vendor");
        w.File(p / "vendor" / "codec.obj", true);
        objects += " vendor\\codec.obj";
    }
    std::string files;
    for (int u = 0; u < units; ++u)
        files += "<FILE FILENAME=\"src\\Unit" + std::to_string(u) + ".cpp\" FORMNAME=\"Form" + std::to_string(u) +
                 "\" CONTAINERID=\"CCompiler\"/>";
    w.File(p / (name + ".bpr"), false,
           "<?xml version='1.0' encoding='utf-8' ?>\n<PROJECT>\n<MACROS>\n<VERSION value=\"BCB.06.00\"/>\n"
           "<OBJFILES value=\"" + objects + "\"/>\n<LIBRARIES value=\"vcl.lib rtl.lib\"/>\n</MACROS>\n<FILELIST>" +
               files + "</FILELIST>\n</PROJECT>\n");
    if (random() % 3 == 0) {
        w.File(p / "src" / "Codec.pas", false,
               "unit Codec;\n\ninterface\n\n{ Compression through the C library. }\n\nimplementation\n\n"
               "{$L ..\\vendor\\zlib.obj}\n{$L ..\\vendor\\lzma.obj}\n\nend.\n" + std::string(4000, ' '));
        w.File(p / "src" / "Codec.~pas", true);
    }
    w.File(p / "Debug" / (name + ".csm"), true);
    w.File(p / "Debug" / (name + ".exe"), false);
    w.File(p / "Release" / (name + ".exe"), false);
    for (int r = 0; r < 4; ++r)
        w.File(p / "res" / ("icon" + std::to_string(r) + ".bmp"), false);
}

// Everything else on a volume: documents, pictures, libraries of sources
// that match none of the masks.
void Other(TTreeWriter& w, const fs::path& p, std::mt19937& random, int depth)
{
    static const std::vector<std::string> kinds = {".txt", ".jpg", ".png", ".pdf", ".html", ".js",
                                                   ".py",  ".c",   ".md",  ".json", ".xml", ".mp3"};
    w.Folder(p);
    const int files = 5 + static_cast<int>(random() % 30);
    for (int f = 0; f < files; ++f)
        w.File(p / ("file" + std::to_string(f) + kinds[random() % kinds.size()]), false);
    if (depth < 4) {
        const int subs = static_cast<int>(random() % 4);
        for (int s = 0; s < subs; ++s)
            Other(w, p / ("dir" + std::to_string(s)), random, depth + 1);
    }
}

TCounts Generate(const fs::path& root, long entries)
{
    TTreeWriter w(root);
    std::mt19937 random(12345);
    w.Folder("");
    for (int user = 0; w.Entries() < entries; ++user) {
        const fs::path home = "home" + std::to_string(user);
        w.Folder(home);
        for (int project = 0; project < 12 && w.Entries() < entries; ++project)
            Project(w, home / "Projects" / ("Proj" + std::to_string(project)), random);
        for (int other = 0; other < 15 && w.Entries() < entries; ++other)
            Other(w, home / ("Documents" + std::to_string(other)), random, 0);
    }
    return w.Counts;
}

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string FindCommand(const std::string& root)
{
    std::string command = "find " + Quote(root) + " -type f \\(";
    for (std::size_t i = 0; i < kMasks.size(); ++i)
        command += (i ? " -o -iname " : " -iname ") + Quote(kMasks[i]);
    return command + " \\)";
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

double TimeFind(const std::string& command)
{
    const auto start = std::chrono::steady_clock::now();
    if (std::system((command + " > /dev/null").c_str()) != 0) {
        std::cerr << "find failed\n";
        std::exit(1);
    }
    return Seconds(std::chrono::steady_clock::now() - start);
}

struct TScan {
    double Seconds = 0;
    long Files = 0;
    long FolderEvents = 0;
    std::int64_t Total = 0;
    long Guarded = 0;
    std::size_t BytesRead = 0;
};

enum class TGuard { gOff, gOn };

// As the cleanup handler drives it: every mask, progress on every folder and
// file, the results kept; with the guard, each matching file's folder handed
// to it and every result judged after the walk.
TScan TimeExecute(const std::string& root, TGuard withGuard = TGuard::gOff)
{
    std::unique_ptr<tidewash::TLinkGuard> guard;
    if (withGuard == TGuard::gOn)
        guard = std::make_unique<tidewash::TLinkGuard>(root + "/", tidewash::TLinkGuardLimits{},
                                                       tidewash::TFolderListing::flByScan);
    TFileSearch search;
    search.GetIncludeFolders()->Add(root + "/");
    for (const std::string& mask : kMasks)
        search.GetIncludeFileMask()->Add(mask);
    TScan scan;
    search.OnSearchFolder = [&](const AnsiString&, const TDirEntry*, bool&, void*) { ++scan.FolderEvents; };
    if (guard) {
        search.OnFileListed = [&](const AnsiString& folder, std::string_view name) { guard->Listed(folder, name); };
        search.FileListedFilter = &tidewash::TLinkGuard::ListsName;  // as the handler scans
        search.OnFolderRead = [&](const AnsiString& folder, const twslisting::TFolderReader& reader,
                                  std::string_view files) { guard->Prefetch(folder, reader, files); };
    }
    search.OnFileFound = [&](const AnsiString& path, const TDirEntry* entry, bool&, void*) {
        scan.Total += entry->Size;
        if (guard)
            guard->AddFolder(std::string_view(path).substr(0, path.rfind('/')));
    };
    const auto start = std::chrono::steady_clock::now();
    if (!search.Execute(nullptr)) {
        std::cerr << "Execute did not complete\n";
        std::exit(1);
    }
    if (guard) {
        for (const auto& group : search.Results)
            for (const auto& result : group.second)
                scan.Guarded += guard->Reason(result.GetFullName()).empty() ? 0 : 1;
        scan.BytesRead = guard->BytesRead();
    }
    scan.Seconds = Seconds(std::chrono::steady_clock::now() - start);
    for (const auto& group : search.Results)
        scan.Files += static_cast<long>(group.second.size());
    return scan;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    long entries = 200000;
    int runs = 7;
    std::string dir;
    bool generateOnly = false;
    const char* const usage = "usage: filesearch_bench [--entries N] [--runs R] [--dir FOLDER] [--generate-only]\n";
    for (int i = 1; i < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--generate-only") {
            generateOnly = true;
            --i;
            continue;
        }
        if (option == "--help" || option == "-h") {
            std::cout << usage;
            return 0;
        }
        if (i + 1 == argc) {
            std::cerr << option << " needs a value\n" << usage;
            return 2;
        }
        if (option == "--entries")
            entries = std::atol(argv[i + 1]);
        else if (option == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (option == "--dir")
            dir = argv[i + 1];
        else {
            std::cerr << usage;
            return 2;
        }
    }

    const bool temporary = dir.empty();
    fs::path root = temporary ? fs::temp_directory_path() / ("filesearch_bench_" + std::to_string(std::random_device()()))
                              : fs::path(dir);
    if (!fs::exists(root)) {
        std::cout << "Generating " << entries << " entries in " << root.string() << " ..." << std::endl;
        const TCounts counts = Generate(root, entries);
        std::cout << "  " << counts.Folders << " folders, " << counts.Files << " files, " << counts.Temporary
                  << " matching the nine masks" << std::endl;
    }
    if (generateOnly)
        return 0;
    const std::string rootText = fs::absolute(root).lexically_normal().string();
    const std::string base = rootText.size() > 1 && rootText.back() == '/' ? rootText.substr(0, rootText.size() - 1)
                                                                         : rootText;

    const std::string command = FindCommand(base);
    std::cout << "find command: " << command << "\n";
    // Warm the cache, and check both sides find the same number of files.
    const std::string listing = (fs::temp_directory_path() / "filesearch_bench_find.txt").string();
    if (std::system((command + " > " + Quote(listing)).c_str()) != 0)
        return 1;
    long found = 0;
    {
        std::ifstream in(listing);
        for (std::string line; std::getline(in, line);)
            ++found;
    }
    fs::remove(listing);
    const TScan warm = TimeExecute(base);
    std::cout << "find lists " << found << " files; Execute finds " << warm.Files << " in " << warm.FolderEvents
              << " folder events" << (found == warm.Files ? "" : "  (counts differ)") << "\n";

    // For scale only: the same walk with no name tests at all.
    const std::string bareCommand = "find " + Quote(base) + " -type f";
    std::vector<double> findTimes, executeTimes, bareTimes, guardedTimes;
    TScan guarded;
    for (int r = 0; r < runs; ++r) {
        findTimes.push_back(TimeFind(command));
        bareTimes.push_back(TimeFind(bareCommand));
        // Alternating which goes first, each right after the other.
        if (r % 2 == 0)
            executeTimes.push_back(TimeExecute(base).Seconds);
        guarded = TimeExecute(base, TGuard::gOn);
        guardedTimes.push_back(guarded.Seconds);
        if (r % 2 == 1)
            executeTimes.push_back(TimeExecute(base).Seconds);
    }
    const double findMedian = Median(findTimes), executeMedian = Median(executeTimes);
    std::printf("runs: %d (medians)\nfind, nine -iname tests: %8.1f ms\nExecute, nine masks:     %8.1f ms\n"
                "(find -type f alone:     %8.1f ms)\nratio Execute/find: %.2f\n",
                runs, findMedian * 1000, executeMedian * 1000, Median(bareTimes) * 1000, executeMedian / findMedian);
    const double guardedMedian = Median(guardedTimes);
    std::printf("Execute with the link guard: %8.1f ms (%ld files left unselected, %zu bytes of project files read)\n"
                "ratio guarded/Execute: %.2f\n",
                guardedMedian * 1000, guarded.Guarded, guarded.BytesRead, guardedMedian / executeMedian);

    if (temporary)
        fs::remove_all(root);
    return 0;
}

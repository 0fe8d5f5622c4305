// report_memory_bench: the heap the purge report takes per purged file.
//
//   report_memory_bench [--files N]
//
// Builds N search results (10000 by default) in folders of 100 under five
// masks, all flagged as purged, then builds and writes the purge report
// (handler/Htmlreport) to a temporary file, and prints the peak of the bytes
// the program had asked for from operator new while doing so, above what the
// results themselves hold, in total and per file. The allocator's own
// overhead per block is not counted.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <new>
#include <string>
#include <unistd.h>

#include "Htmlreport.h"

namespace {

std::size_t liveBytes = 0;
std::size_t peakBytes = 0;
constexpr std::size_t kHeader = alignof(std::max_align_t);

}  // namespace

// Counting operator new and delete: every block carries its size in front.
// GCC sees the malloc and free of the replacement functions inlined into
// new and delete expressions and takes them for a mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size)
{
    void* block = std::malloc(size + kHeader);
    if (block == nullptr)
        throw std::bad_alloc();
    *static_cast<std::size_t*>(block) = size;
    liveBytes += size;
    if (liveBytes > peakBytes)
        peakBytes = liveBytes;
    return static_cast<char*>(block) + kHeader;
}

void operator delete(void* p) noexcept
{
    if (p == nullptr)
        return;
    char* block = static_cast<char*>(p) - kHeader;
    liveBytes -= *reinterpret_cast<std::size_t*>(block);
    std::free(block);
}

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

int main(int argc, char** argv)
{
    long files = 10000;
    for (int i = 1; i < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--files" && i + 1 < argc) {
            files = std::atol(argv[i + 1]);
        } else {
            std::cout << "usage: report_memory_bench [--files N]\n";
            return option == "--help" || option == "-h" ? 0 : 2;
        }
    }

    zelutils::TMaskedFileResults results;
    const char* const masks[] = {"*.obj", "*.map", "*.bak", "*.tds", "*.dsk"};
    for (long i = 0; i < files; ++i) {
        zelutils::TSearchResult r;
        r.SetPath("/home/user/src/project" + std::to_string(i / 100) + "/");
        r.Name = "unit" + std::to_string(i) + ".obj";
        results[masks[i % 5]].push_back(r);
    }
    tidewash::TFileFlags flags;
    for (auto& [mask, group] : results)
        for (std::size_t i = 0; i < group.size(); ++i)
            flags[tidewash::TResultRef{&group, i}] = true;

    const auto file = std::filesystem::temp_directory_path() /
                      ("report_memory_bench_" + std::to_string(::getpid()) + ".html");
    const std::size_t before = liveBytes;
    peakBytes = liveBytes;
    {
        tidewash::THTMLReport report(results, flags);
        report.WriteReport(file.string(), "Purge", "Purged", "Kept");
    }
    std::filesystem::remove(file);
    const std::size_t report = peakBytes - before;
    std::printf("%ld files: the report took at most %.1f MB, %.0f bytes per file\n", files,
                static_cast<double>(report) / 1e6, static_cast<double>(report) / static_cast<double>(files));
}

// What both review benchmarks (review_bench and review_bench_win32) share:
// their options and the large scan they generate, so that the two views
// are timed on the same results.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>

#include "Resultmodel.h"
#include "Zelfilesearch.h"

namespace reviewbench {

// The nine default masks, and for each an extension it takes.
inline const char* const Masks[] = {"*.map", "*.dsk", "*.obj", "*.csm", "*.tds", "*.il*", "*.~*", "*.#*", "*.bak"};
inline const char* const Extensions[] = {".map", ".dsk", ".obj", ".csm", ".tds", ".ilk", ".~cpp", ".#01", ".bak"};

struct TOptions {
    long Results = 100000;                // --results N
    const char* Screenshot = nullptr;     // --screenshot FILE.png
};

inline TOptions ParseOptions(int argc, char** argv)
{
    TOptions options;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--results")
            options.Results = std::atol(argv[i + 1]);
        else if (std::string(argv[i]) == "--screenshot")
            options.Screenshot = argv[i + 1];
    }
    return options;
}

// `count` results below `projects` (ending in `separator`), spread over the
// masks in project folders of about 100 files, with sizes and times that
// vary.
inline void GenerateResults(zelutils::TFileSearch& search, long count, const std::string& projects,
                            const std::string& separator)
{
    for (long i = 0; i < count; ++i) {
        zelutils::TSearchResult r;
        const long kind = i % static_cast<long>(std::size(Masks));
        r.SetPath(projects + "P" + std::to_string(i / 1000) + separator + "Module" + std::to_string(i / 100 % 10) +
                  separator);
        r.Name = "Unit" + std::to_string(i) + Extensions[kind];
        r.Size = 1000 + i % 50000;
        r.CreationTime = 45000.0 + static_cast<double>(i % 700) / 7.0;
        r.LastWriteTime = r.CreationTime.Val + 1.5;
        search.Results[Masks[kind]].push_back(r);
    }
}

// Every result of the search, selected.
inline tidewash::TFileFlags SelectAll(const zelutils::TFileSearch& search)
{
    tidewash::TFileFlags selection;
    for (const auto& [mask, results] : search.Results)
        for (std::size_t i = 0; i < results.size(); ++i)
            selection[tidewash::TResultRef{&results, i}] = true;
    return selection;
}

// The screenshot's last word: the file it is in, or that it could not be
// written (exit status 1).
inline int ReportScreenshot(bool saved, const char* file, std::size_t results)
{
    if (!saved) {
        std::fprintf(stderr, "cannot write %s\n", file);
        return 1;
    }
    std::printf("review: screenshot of %zu results in %s\n", results, file);
    return 0;
}

}  // namespace reviewbench

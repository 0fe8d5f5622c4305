#include "ReviewTesting.h"

namespace reviewtest {

void AddResult(zelutils::TFileSearch& search, const std::string& mask, const std::string& path,
               const std::string& name, std::int64_t size, double created, double modified)
{
    zelutils::TSearchResult r;
    r.SetPath(path);
    r.Name = name;
    r.Size = size;
    r.CreationTime = created;
    r.LastWriteTime = modified;
    search.Results[mask].push_back(r);
}

tidewash::TFileFlags SelectAll(const zelutils::TFileSearch& search)
{
    tidewash::TFileFlags flags;
    for (const auto& [mask, results] : search.Results)
        for (std::size_t i = 0; i < results.size(); ++i)
            flags[tidewash::TResultRef{&results, i}] = true;
    return flags;
}

}  // namespace reviewtest

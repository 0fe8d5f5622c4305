// Fuzzer for FileNameMatchesMask and TFileMask against a plain reference
// matcher (a table over every prefix of name and mask), with and without
// case.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "Zelfileutils.h"

namespace {

void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "mask fuzz check failed: %s\n", what);
        std::abort();
    }
}

char Fold(char c, bool caseSensitive)
{
    return !caseSensitive && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// matches[i][j]: the first i characters of name match the first j of mask.
bool Reference(const std::string& name, const std::string& mask, bool caseSensitive)
{
    std::vector<std::vector<bool>> matches(name.size() + 1, std::vector<bool>(mask.size() + 1, false));
    matches[0][0] = true;
    for (std::size_t j = 1; j <= mask.size(); ++j)
        matches[0][j] = mask[j - 1] == '*' && matches[0][j - 1];
    for (std::size_t i = 1; i <= name.size(); ++i)
        for (std::size_t j = 1; j <= mask.size(); ++j) {
            const char m = mask[j - 1];
            if (m == '*')
                matches[i][j] = matches[i][j - 1] || matches[i - 1][j];
            else if (m == '?' || Fold(m, caseSensitive) == Fold(name[i - 1], caseSensitive))
                matches[i][j] = matches[i - 1][j - 1];
        }
    return matches[name.size()][mask.size()];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const bool caseSensitive = input.ConsumeBool();
    const std::string mask = input.ConsumeRandomLengthString(64);
    const std::string name = input.ConsumeRandomLengthString(256);
    const bool expected = Reference(name, mask, caseSensitive);
    Require(zelutils::FileNameMatchesMask(name, mask, caseSensitive) == expected,
            "FileNameMatchesMask differs from the reference");
    if (!caseSensitive) {
        const zelutils::TFileMask prepared(mask);
        Require(prepared.Matches(name) == expected, "TFileMask::Matches differs from the reference");
        std::string folded;
        zelutils::TFileMask::FoldName(name, folded);
        Require(prepared.MatchesFolded(folded) == expected, "TFileMask::MatchesFolded differs from the reference");
    }
    return 0;
}

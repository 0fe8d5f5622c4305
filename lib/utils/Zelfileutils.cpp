// Zelfileutils: file-name wildcard matching.
#include "Zelfileutils.h"

namespace zelutils {

namespace {

// Iterative form of the recursive rule: on a mismatch, the last "*" seen
// takes one more character and matching resumes after it. Trying only the
// last "*" is enough, because a later "*" can absorb whatever an earlier one
// would have; this keeps the work linear in practice and the stack flat
// for names of any length.
bool Match(std::string_view name, std::string_view mask)
{
    std::size_t n = 0, m = 0;
    std::size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && (mask[m] == '?' || mask[m] == name[n])) {
            ++m;
            ++n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

char Fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool FileNameMatchesMask(const AnsiString& FileName, const AnsiString& Mask, bool CaseSensitive)
{
    if (CaseSensitive)
        return Match(FileName, Mask);
    return TFileMask(Mask).Matches(FileName);
}

TFileMask::TFileMask(const AnsiString& mask) : FText(mask) { FoldName(mask, FFolded); }

bool TFileMask::MatchesFolded(std::string_view foldedName) const { return Match(foldedName, FFolded); }

bool TFileMask::Matches(std::string_view name) const
{
    std::string folded;
    FoldName(name, folded);
    return MatchesFolded(folded);
}

void TFileMask::FoldName(std::string_view name, std::string& folded)
{
    folded.resize(name.size());
    for (std::size_t i = 0; i < name.size(); ++i)
        folded[i] = Fold(name[i]);
}

}  // namespace zelutils

// Zelfileutils: file-name wildcard matching.
//   FileNameMatchesMask  one name against one mask
//   TFileMask            a mask prepared for matching many names ignoring case
#pragma once

#include <string>
#include <string_view>

#include "System.hpp"

namespace zelutils {

// True when the whole name matches the whole mask. "*" stands for any run
// of characters, none and dots included; "?" for exactly one character, a
// dot included. There are no extension rules: "*.*" needs a dot in the
// name, and a trailing "?" does not match an empty tail. Unless
// CaseSensitive, the letters a to z match their capitals (other bytes only
// themselves).
bool FileNameMatchesMask(const AnsiString& FileName, const AnsiString& Mask, bool CaseSensitive);

// A mask matched against many names ignoring case, as FileNameMatchesMask
// does, without copying the mask for every name.
class TFileMask {
public:
    explicit TFileMask(const AnsiString& mask);

    const AnsiString& Text() const { return FText; }
    // The name must already be folded by FoldName.
    bool MatchesFolded(std::string_view foldedName) const;
    bool Matches(std::string_view name) const;

    // The name with a to z made capitals, into folded (its storage reused).
    static void FoldName(std::string_view name, std::string& folded);

private:
    AnsiString FText;
    std::string FFolded;
};

}  // namespace zelutils

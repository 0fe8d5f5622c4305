#include "Maskrules.h"

#include "Zelfileutils.h"

namespace tws {

namespace {

// The source and project files of the IDEs whose temporary files the masks
// are for.
const char* const SourceExtensions[] = {".cpp", ".h",       ".hpp",  ".c",     ".pas",       ".dpr", ".dpk",
                                        ".dfm", ".bpr",     ".cbproj", ".dproj", ".groupproj", ".res", ".rc"};

}  // namespace

AnsiString MaskRefusal(const AnsiString& mask)
{
    bool star = false;
    for (const char c : mask) {
        if (c == '*')
            star = true;
        else if (c != '?' && c != '.')
            return AnsiString();
    }
    if (!star)
        return AnsiString();
    return "The mask \"" + mask + "\" matches every file name (it has no letter to narrow it): the scan would "
           "offer every file of the volume, sources included, for removal";
}

AnsiString SourceExtensionsMatched(const AnsiString& mask)
{
    // Names a mask aimed at such files would match: any stem, and the
    // mask's own stem for masks such as "main.*".
    AnsiString stem;
    const auto dot = mask.find_last_of('.');
    for (const char c : mask.substr(0, dot == AnsiString::npos ? 0 : dot))
        if (c != '*')
            stem += c == '?' ? 'x' : c;
    const zelutils::TFileMask pattern(mask);
    AnsiString matched;
    for (const char* extension : SourceExtensions)
        if (pattern.Matches(AnsiString("x") + extension) || pattern.Matches(stem + extension))
            matched += (matched.empty() ? "" : " ") + AnsiString(extension);
    return matched;
}

}  // namespace tws

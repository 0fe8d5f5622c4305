// TLinkGuard: folders opened one below the other, their project files read
// once, references resolved by name and judged at the end.
#include "Linkguard.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "Linkmakefile.h"
#include "Linkpascal.h"
#include "Linkprojectxml.h"
#include "SysUtils.hpp"
#include "listing.h"

namespace tidewash {

namespace {

enum class TParser : unsigned char { pNone, pPascal, pXml, pMake };

[[gnu::always_inline]] inline TParser ParserForPacked(std::uint64_t extension)
{
    switch (extension) {
    case PackExtension("pas"):
    case PackExtension("pp"):
    case PackExtension("inc"):
    case PackExtension("dpr"):
    case PackExtension("dpk"):
        return TParser::pPascal;
    case PackExtension("bpr"):
    case PackExtension("bpk"):
    case PackExtension("cbproj"):
        return TParser::pXml;
    case PackExtension("mak"):
        return TParser::pMake;
    default:
        return TParser::pNone;
    }
}

TParser ParserFor(std::string_view name) { return ParserForPacked(PackedExtension(name)); }

// A reference in a project file separates its parts with either: the
// files were written on Windows, and tools there take both.
bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// What ends each name in a folder's list of sources: no file name holds it
// on any platform.
constexpr char kNameEnd = '/';

std::string Lower(std::string_view s)
{
    std::string out(s.size(), '\0');
    LowerAsciiCopy(s, out.data());
    return out;
}

std::string Stem(std::string_view name)
{
    const auto dot = name.rfind('.');
    return Lower(dot == std::string_view::npos ? name : name.substr(0, dot));
}

// Whether name's stem (all before its last dot) is lowerStem, ignoring case.
bool HasStem(std::string_view name, std::string_view lowerStem)
{
    const auto dot = name.rfind('.');
    return EqualsLowerAscii(dot == std::string_view::npos ? name : name.substr(0, dot), lowerStem);
}

// The reference as a lower-case path relative to the volume, resolved
// against folder (lower case, relative), or false when it names nothing on
// the volume. Like every relative path the guard keeps, it is written with
// the platform's separator, as the scan writes the paths of what it finds.
bool Resolve(std::string_view folder, std::string_view reference, std::string& resolved)
{
    const char delim = PathDelim;
    if (reference.empty() || IsSeparator(reference.front()) || (reference.size() >= 2 && reference[1] == ':') ||
        reference.find('$') != std::string_view::npos)
        return false;  // absolute, on a drive, or a macro
    resolved.assign(folder);
    while (!reference.empty()) {
        std::size_t end = 0;
        while (end < reference.size() && !IsSeparator(reference[end]))
            ++end;
        const std::string_view part = reference.substr(0, end);
        reference.remove_prefix(std::min(end + 1, reference.size()));
        const bool dot = !part.empty() && part[0] == '.';
        if (part.empty() || (dot && part.size() == 1))
            continue;
        if (dot && part.size() == 2 && part[1] == '.') {
            if (resolved.empty())
                return false;  // leaves the volume
            const auto last = resolved.rfind(delim);
            resolved.resize(last == std::string::npos ? 0 : last);
            continue;
        }
        if (!resolved.empty())
            resolved += delim;
        const std::size_t at = resolved.size();
        resolved.resize(at + part.size());
        LowerAsciiCopy(part, resolved.data() + at);
    }
    return !resolved.empty();
}

}  // namespace

struct TLinkGuard::TOpenFolder {
    std::string Name;
    twslisting::TFolderReader Reader;
};

TLinkGuard::TLinkGuard(const AnsiString& volume, TLinkGuardLimits limits, TFolderListing listing)
    : TLinkGuard([&] {
          auto root = std::make_shared<twslisting::TRootFolder>();
          root->Open(volume);
          return root;
      }(), limits, listing)
{
}

TLinkGuard::TLinkGuard(std::shared_ptr<const twslisting::TRootFolder> volume, TLinkGuardLimits limits,
                       TFolderListing listing)
    : FRoot(std::move(volume)), FVolume(FRoot->Path()), FLimits(limits), FListing(listing)
{
    while (!FVolume.empty() && FVolume.back() == PathDelim)
        FVolume.pop_back();
}

TLinkGuard::~TLinkGuard() = default;

bool TLinkGuard::OpenChain(const std::vector<std::string>& parts, std::size_t depth)
{
    if (FOpen.empty()) {
        auto root = std::make_unique<TOpenFolder>();
        if (!root->Reader.Open(*FRoot))
            return false;
        FOpen.push_back(std::move(root));
    }
    // FOpen[i + 1] is the folder parts[i]: keep the common beginning.
    std::size_t keep = 1;
    while (keep < FOpen.size() && keep - 1 < depth && FOpen[keep]->Name == parts[keep - 1])
        ++keep;
    FOpen.resize(keep);
    while (FOpen.size() - 1 < depth) {
        auto next = std::make_unique<TOpenFolder>();
        next->Name = parts[FOpen.size() - 1];
        if (!next->Reader.OpenSubNamed(FOpen.back()->Reader, next->Name.c_str()))
            return false;
        FOpen.push_back(std::move(next));
    }
    return true;
}

bool TLinkGuard::Relative(std::string_view& folder) const
{
    const char delim = PathDelim;
    while (!folder.empty() && folder.back() == delim)
        folder.remove_suffix(1);
    if (folder.substr(0, FVolume.size()) != FVolume ||
        (folder.size() > FVolume.size() && folder[FVolume.size()] != delim))
        return false;
    folder.remove_prefix(FVolume.size());
    if (!folder.empty())
        folder.remove_prefix(1);  // the separator
    return true;
}

namespace {

// Most names have no extension of interest: tell them apart cheaply.
bool MayMatter(std::string_view name)
{
    const auto dot = name.rfind('.');
    return dot != std::string_view::npos && name.size() - dot <= 7;
}

}  // namespace

bool TLinkGuard::ListsName(std::string_view name)
{
    const std::uint64_t extension = PackedExtension(name);
    return RoleOfPacked(extension) == TFileRole::frSource || ParserForPacked(extension) != TParser::pNone;
}

void TLinkGuard::Listed(std::string_view folder, std::string_view name)
{
    // Called for every file of the volume: decide on the extension alone,
    // without allocating, and only then step into the rest.
    const std::uint64_t extension = PackedExtension(name);
    const bool source = RoleOfPacked(extension) == TFileRole::frSource;
    if (source || ParserForPacked(extension) != TParser::pNone)
        Note(folder, name, source, ParserForPacked(extension) != TParser::pNone);
}

void TLinkGuard::Note(std::string_view folder, std::string_view name, bool source, bool project)
{
    if (folder != FListingFolder) {
        FListingFolder.assign(folder);
        FListingOnVolume = Relative(folder);
        FListingSources = FListingProjects = TKeyIndex::npos;
        FRelativeListing.assign(folder);
    }
    if (!FListingOnVolume)
        return;
    if (source) {
        if (FListingSources == TKeyIndex::npos)
            FListingSources = SourcesOf(Lower(FRelativeListing));
        FSources[FListingSources].append(name).push_back(kNameEnd);
    }
    if (project) {
        if (FListingProjects == TKeyIndex::npos) {
            const auto [number, added] = FProjectFolders.Insert(FRelativeListing);
            if (added)
                FProjectFiles.emplace_back();
            FListingProjects = number;
        }
        FProjectFiles[FListingProjects].emplace_back(name);
    }
}

void TLinkGuard::AddFolder(std::string_view folder)
{
    if (!Relative(folder) || folder == FLastAdded)
        return;
    FLastAdded.assign(folder);

    // The folder and its parents up to LevelsUp above it: beginnings of
    // its path, each ending before a separator. Most were read before.
    FEnds.clear();
    const char delim = PathDelim;
    for (std::size_t i = 0; i < folder.size(); ++i)
        if (folder[i] == delim)
            FEnds.push_back(i);
    if (!folder.empty())
        FEnds.push_back(folder.size());
    const std::size_t depths = FEnds.size();
    const std::size_t levels = static_cast<std::size_t>(std::max(FLimits.LevelsUp, 0));
    const std::size_t lowest = depths > levels ? depths - levels : 0;
    std::vector<std::string> parts;
    for (std::size_t depth = lowest; depth <= depths; ++depth) {
        const std::string_view relative = folder.substr(0, depth == 0 ? 0 : FEnds[depth - 1]);
        if (!FRead.Insert(relative).second)
            continue;
        if (parts.empty()) {
            for (std::size_t i = 0, from = 0; i < depths; from = FEnds[i++] + 1)
                parts.emplace_back(folder.substr(from, FEnds[i] - from));
        }
        ReadFolder(parts, depth, relative);
    }
}

void TLinkGuard::ReadFolder(const std::vector<std::string>& parts, std::size_t depth, std::string_view relative)
{
    std::vector<std::string> projectFiles;
    std::vector<TReadFile> read;
    if (FListing == TFolderListing::flByScan) {
        const std::uint32_t listed = FProjectFolders.Find(relative);
        if (listed == TKeyIndex::npos)
            return;  // nothing to read: not even opened
        projectFiles = std::move(FProjectFiles[listed]);  // read once: FRead says so
        FProjectFiles[listed] = {};
        std::lock_guard<std::mutex> lock(FPrefetchLock);
        const auto prefetched = FPrefetched.find(std::string(relative));
        if (prefetched != FPrefetched.end()) {
            read = std::move(prefetched->second);
            FPrefetched.erase(prefetched);
            projectFiles.clear();  // read already, through the scan's own handle
        }
    }
    if (!projectFiles.empty() || FListing == TFolderListing::flByGuard) {
        if (!OpenChain(parts, depth))
            return;  // gone, or reached only through a link
        twslisting::TFolderReader& reader = FOpen[depth]->Reader;
        if (FListing == TFolderListing::flByGuard) {
            const std::uint32_t sources = SourcesOf(Lower(relative));
            std::string_view name;
            twslisting::TEntryKind kind;
            while (reader.Next(name, kind)) {
                if (kind != twslisting::TEntryKind::ekFile || !MayMatter(name))
                    continue;
                if (RoleOf(name) == TFileRole::frSource)
                    FSources[sources].append(name).push_back(kNameEnd);
                if (ParserFor(name) != TParser::pNone)
                    projectFiles.emplace_back(name);
            }
        }
        read = ReadProjectFiles(reader, std::move(projectFiles));
    }
    for (const TReadFile& file : read) {
        FBytesRead += file.Bytes;
        if (!file.Refs.Links.empty())
            AddRefs(relative, file.Name, file.Refs);
    }
}

std::vector<TLinkGuard::TReadFile> TLinkGuard::ReadProjectFiles(const twslisting::TFolderReader& reader,
                                                                std::vector<std::string> projectFiles) const
{
    std::sort(projectFiles.begin(), projectFiles.end());
    std::vector<TReadFile> read;
    std::size_t budget = FLimits.BytesPerFolder;
    std::string bytes;
    for (std::string& file : projectFiles) {
        if (budget == 0)
            break;
        if (!reader.ReadHead(file.c_str(), std::min(FLimits.BytesPerFile, budget), bytes))
            continue;
        budget -= bytes.size();
        TProjectRefs refs;
        switch (ParserFor(file)) {
        case TParser::pPascal:
            if (MayHoldPascalLink(bytes))
                refs.Links = ParsePascalLinks(bytes);
            break;
        case TParser::pXml:
            refs = ParseProjectXml(bytes);
            break;
        case TParser::pMake:
            refs = ParseMakeFile(bytes);
            break;
        case TParser::pNone:
            break;
        }
        read.push_back({std::move(file), bytes.size(), std::move(refs)});
    }
    return read;
}

void TLinkGuard::Prefetch(std::string_view folder, const twslisting::TFolderReader& reader, std::string_view files)
{
    if (FListing != TFolderListing::flByScan || !Relative(folder))
        return;
    // The names Listed keeps as project files, so that AddFolder would
    // read the very same ones.
    std::vector<std::string> projectFiles;
    while (!files.empty()) {
        const std::string_view name = files.substr(0, files.find('\0'));
        files.remove_prefix(std::min(files.size(), name.size() + 1));
        if (ParserForPacked(PackedExtension(name)) != TParser::pNone)
            projectFiles.emplace_back(name);
    }
    if (projectFiles.empty())
        return;
    std::vector<TReadFile> read = ReadProjectFiles(reader, std::move(projectFiles));
    std::lock_guard<std::mutex> lock(FPrefetchLock);
    FPrefetched.insert_or_assign(std::string(folder), std::move(read));
}

std::uint32_t TLinkGuard::SourcesOf(std::string_view lowerFolder)
{
    const auto [number, added] = FSourceFolders.Insert(lowerFolder);
    if (added)
        FSources.emplace_back();
    return number;
}

void TLinkGuard::AddRefs(std::string_view relative, const std::string& fileName, const TProjectRefs& refs)
{
    TLinker& linker = FLinkers.emplace_back();
    linker.Folder = Lower(relative);
    linker.Stem = Stem(fileName);
    linker.Extension = LowerExtension(fileName);
    linker.Name = fileName;
    for (const std::string& source : refs.Sources) {
        if (RoleOf(source) != TFileRole::frSource)
            continue;
        std::size_t start = source.size();
        while (start > 0 && !IsSeparator(source[start - 1]))
            --start;
        const std::size_t dot = source.rfind('.');  // there is one after start: the role says so
        std::string& stem = linker.Sources.emplace_back(source, start, dot - start);
        LowerAsciiCopy(stem, stem.data());
    }
    std::sort(linker.Sources.begin(), linker.Sources.end());
    linker.Sources.erase(std::unique(linker.Sources.begin(), linker.Sources.end()), linker.Sources.end());

    for (const std::string& reference : refs.Links) {
        if (!Resolve(linker.Folder, reference, FResolved))
            continue;
        const auto entry = static_cast<std::uint32_t>(FLinkEntries.size());
        FLinkEntries.push_back({&linker, entry});
        const auto [number, added] = FLinked.Insert(FResolved);
        if (added) {
            FLinkChains.push_back({entry, entry});
        } else {
            FLinkEntries[FLinkChains[number].Last].Next = entry;
            FLinkChains[number].Last = entry;
        }
    }
}

bool TLinkGuard::Built(std::string_view target, const TLinker& linker) const
{
    const auto last = target.rfind(PathDelim);
    const std::string_view targetFolder = last == std::string_view::npos ? std::string_view() : target.substr(0, last);
    std::string_view stem = last == std::string_view::npos ? target : target.substr(last + 1);
    stem = stem.substr(0, stem.rfind('.'));  // the target is lower case already
    if (std::binary_search(linker.Sources.begin(), linker.Sources.end(), stem))
        return true;
    for (const std::string_view folder : {std::string_view(linker.Folder), targetFolder}) {
        const std::uint32_t inFolder = FSourceFolders.Find(folder);
        if (inFolder == TKeyIndex::npos)
            continue;
        std::string_view names = FSources[inFolder];
        while (!names.empty()) {
            const std::string_view source = names.substr(0, names.find(kNameEnd));
            names.remove_prefix(source.size() + 1);
            if (!HasStem(source, stem))
                continue;
            // The file that links an object does not build it.
            if (folder == linker.Folder && stem == linker.Stem && LowerExtension(source) == linker.Extension)
                continue;
            return true;
        }
    }
    return false;
}

AnsiString TLinkGuard::Reason(std::string_view fullName) const
{
    if (FLinked.Size() == 0 || fullName.substr(0, FVolume.size()) != FVolume || fullName.size() <= FVolume.size() + 1 ||
        fullName[FVolume.size()] != PathDelim)
        return AnsiString();
    const std::string_view relative = fullName.substr(FVolume.size() + 1);
    FLookup.resize(relative.size());
    LowerAsciiCopy(relative, FLookup.data());
    const std::uint32_t linked = FLinked.Find(FLookup);
    if (linked == TKeyIndex::npos)
        return AnsiString();
    const TLinkChain& chain = FLinkChains[linked];
    for (std::uint32_t entry = chain.First;; entry = FLinkEntries[entry].Next) {
        const TLinker& linker = *FLinkEntries[entry].Linker;
        if (!Built(FLinked.Key(linked), linker))
            return "linked by " + linker.Name;
        if (entry == chain.Last)
            return AnsiString();
    }
}

}  // namespace tidewash

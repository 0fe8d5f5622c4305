// TLinkGuard: folders opened one below the other, their project files read
// once, references resolved by name and judged at the end.
#include "Linkguard.h"

#include <algorithm>

#include "Linkmakefile.h"
#include "Linkpascal.h"
#include "Linkprojectxml.h"
#include "listing.h"

namespace tidewash {

namespace {

enum class TParser : unsigned char { pNone, pPascal, pXml, pMake };

TParser ParserFor(std::string_view name)
{
    const std::string ext = LowerExtension(name);
    if (ext == "pas" || ext == "pp" || ext == "inc" || ext == "dpr" || ext == "dpk")
        return TParser::pPascal;
    if (ext == "bpr" || ext == "bpk" || ext == "cbproj")
        return TParser::pXml;
    if (ext == "mak")
        return TParser::pMake;
    return TParser::pNone;
}

std::string Lower(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return out;
}

std::string Stem(std::string_view name)
{
    const auto dot = name.rfind('.');
    return Lower(dot == std::string_view::npos ? name : name.substr(0, dot));
}

// The first depth parts joined, as the relative path of that folder.
std::string Join(const std::vector<std::string>& parts, std::size_t depth)
{
    std::string path;
    for (std::size_t i = 0; i < depth; ++i)
        path.append(i == 0 ? "" : "/").append(parts[i]);
    return path;
}

// The reference as a list of lower-case parts relative to the volume, or
// false when it names nothing on the volume.
bool Resolve(const std::vector<std::string>& parts, std::size_t depth, std::string_view reference,
             std::vector<std::string>& resolved)
{
    if (reference.empty() || reference.front() == '\\' || reference.front() == '/' ||
        (reference.size() >= 2 && reference[1] == ':') || reference.find('$') != std::string_view::npos)
        return false;  // absolute, on a drive, or a macro
    resolved.clear();
    for (std::size_t i = 0; i < depth; ++i)
        resolved.push_back(Lower(parts[i]));
    while (!reference.empty()) {
        const auto end = reference.find_first_of("\\/");
        const std::string_view part = reference.substr(0, end);
        reference = end == std::string_view::npos ? std::string_view() : reference.substr(end + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (resolved.empty())
                return false;  // leaves the volume
            resolved.pop_back();
            continue;
        }
        resolved.push_back(Lower(part));
    }
    return !resolved.empty();
}

}  // namespace

struct TLinkGuard::TOpenFolder {
    std::string Name;
    twslisting::TFolderReader Reader;
};

TLinkGuard::TLinkGuard(const AnsiString& volume, TLinkGuardLimits limits) : FVolume(volume), FLimits(limits)
{
    while (!FVolume.empty() && FVolume.back() == '/')
        FVolume.pop_back();
}

TLinkGuard::~TLinkGuard() = default;

bool TLinkGuard::OpenChain(const std::vector<std::string>& parts, std::size_t depth)
{
    if (FOpen.empty()) {
        auto root = std::make_unique<TOpenFolder>();
        if (!root->Reader.Open(FVolume))
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

void TLinkGuard::AddFolder(std::string_view folder)
{
    while (!folder.empty() && folder.back() == '/')
        folder.remove_suffix(1);
    if (folder.substr(0, FVolume.size()) != FVolume ||
        (folder.size() > FVolume.size() && folder[FVolume.size()] != '/'))
        return;  // not on the volume
    folder.remove_prefix(FVolume.size());
    if (!FAdded.emplace(folder).second)
        return;

    std::vector<std::string> parts;
    while (!folder.empty()) {
        folder.remove_prefix(1);  // the separator
        const auto end = folder.find('/');
        parts.emplace_back(folder.substr(0, end));
        folder = end == std::string_view::npos ? std::string_view() : folder.substr(end);
    }
    const std::size_t levels = static_cast<std::size_t>(std::max(FLimits.LevelsUp, 0));
    const std::size_t lowest = parts.size() > levels ? parts.size() - levels : 0;
    for (std::size_t depth = lowest; depth <= parts.size(); ++depth) {
        const std::string relative = Join(parts, depth);
        if (FRead.count(relative) != 0)
            continue;
        if (!OpenChain(parts, depth))
            return;  // gone, or reached only through a link
        FRead.insert(relative);
        ReadFolder(FOpen[depth]->Reader, parts, depth);
    }
}

void TLinkGuard::ReadFolder(twslisting::TFolderReader& reader, const std::vector<std::string>& parts,
                            std::size_t depth)
{
    const std::string folderKey = Lower(Join(parts, depth));
    std::vector<std::string> projectFiles;
    std::string_view name;
    twslisting::TEntryKind kind;
    while (reader.Next(name, kind)) {
        if (kind != twslisting::TEntryKind::ekFile)
            continue;
        if (RoleOf(name) == TFileRole::frSource)
            FSources[folderKey][Stem(name)].insert(LowerExtension(name));
        if (ParserFor(name) != TParser::pNone)
            projectFiles.emplace_back(name);
    }
    std::sort(projectFiles.begin(), projectFiles.end());

    std::size_t budget = FLimits.BytesPerFolder;
    std::string bytes;
    for (const std::string& file : projectFiles) {
        if (budget == 0)
            break;
        if (!reader.ReadHead(file.c_str(), std::min(FLimits.BytesPerFile, budget), bytes))
            continue;
        budget -= bytes.size();
        FBytesRead += bytes.size();
        TProjectRefs refs;
        switch (ParserFor(file)) {
        case TParser::pPascal:
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
        if (!refs.Links.empty())
            AddRefs(parts, depth, file, refs);
    }
}

void TLinkGuard::AddRefs(const std::vector<std::string>& parts, std::size_t depth, const std::string& fileName,
                         const TProjectRefs& refs)
{
    auto sources = std::make_shared<std::set<std::string>>();
    for (const std::string& source : refs.Sources)
        if (RoleOf(source) == TFileRole::frSource) {
            const auto slash = source.find_last_of("\\/");
            sources->insert(Stem(slash == std::string::npos ? source : source.substr(slash + 1)));
        }
    std::vector<std::string> resolved;
    for (const std::string& reference : refs.Links) {
        if (!Resolve(parts, depth, reference, resolved))
            continue;
        TLink link;
        link.Stem = Stem(resolved.back());
        std::string target;
        for (std::size_t i = 0; i < resolved.size(); ++i) {
            if (i + 1 == resolved.size())
                link.TargetFolder = target;
            target.append(i == 0 ? "" : "/").append(resolved[i]);
        }
        link.ProjectFolder = Lower(Join(parts, depth));
        link.ByStem = Stem(fileName);
        link.ByExtension = LowerExtension(fileName);
        link.ProjectSources = sources;
        link.By = fileName;
        FLinks.emplace(std::move(target), std::move(link));
    }
}

bool TLinkGuard::Built(const TLink& link) const
{
    if (link.ProjectSources->count(link.Stem) != 0)
        return true;
    for (const std::string* folder : {&link.ProjectFolder, &link.TargetFolder}) {
        const auto inFolder = FSources.find(*folder);
        if (inFolder == FSources.end())
            continue;
        const auto stem = inFolder->second.find(link.Stem);
        if (stem == inFolder->second.end())
            continue;
        for (const std::string& extension : stem->second)
            if (!(*folder == link.ProjectFolder && link.Stem == link.ByStem && extension == link.ByExtension))
                return true;
    }
    return false;
}

AnsiString TLinkGuard::Reason(std::string_view fullName) const
{
    if (FLinks.empty() || fullName.substr(0, FVolume.size()) != FVolume || fullName.size() <= FVolume.size() + 1 ||
        fullName[FVolume.size()] != '/')
        return AnsiString();
    const auto [first, last] = FLinks.equal_range(Lower(fullName.substr(FVolume.size() + 1)));
    for (auto it = first; it != last; ++it)
        if (!Built(it->second))
            return "linked by " + it->second.By;
    return AnsiString();
}

}  // namespace tidewash

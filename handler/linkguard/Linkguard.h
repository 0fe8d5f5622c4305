// handler/linkguard: the link guard, in these parts:
//   Linkguard       TLinkGuard: the folders it reads, what a found file is linked by
//   Linkindex       its tables of paths, numbered as added
//   Linkrefs        what a parser returns, and the kinds of file name
//   Linkpascal      the {$L} directives of Pascal sources
//   Linkprojectxml  the XML projects of C++Builder
//   Linkmakefile    the make files of C++Builder
// Its parsers are pure functions of bytes, each fuzzed (fuzz/).
//
// TLinkGuard: which found files a project links and nothing of the project
// builds, so that the scan leaves them unselected.
//
// A Pascal unit may link a prebuilt object ({$L zlib.obj}), and a
// C++Builder project names the objects and libraries it links; those with
// no source in the project were made elsewhere and cannot be made again,
// so deleting them breaks the build. The scan hands the guard every folder
// where a mask matched; the guard reads the project and source files of
// that folder and of its parents (up to LevelsUp folders above it, never
// above the volume), each folder once:
//   .pas .pp .inc .dpr .dpk  Pascal directives   (Linkpascal.h)
//   .bpr .bpk .cbproj        XML projects         (Linkprojectxml.h)
//   .mak                     make files           (Linkmakefile.h)
// Each file is read through the handle of its folder, without following a
// link, and only up to BytesPerFile; a folder's files together only up to
// BytesPerFolder (in name order). Folders are opened one below the other
// from the volume, never through a link nor into another volume.
//
// A reference is resolved against the folder of the file naming it, with
// "\" or "/" as separator, "." and ".." by name, and compared with the
// found files ignoring case (the files were written on Windows). A
// reference that leaves the volume, is absolute, or uses a macro names
// nothing. Linked file X.ext is built by the project, and so temporary,
// when a source of stem X (any frSource role of Linkrefs.h: X.c, X.cpp,
// X.pas, X.asm, X.bpk, ...) is listed by the project file, or lies in the
// project file's folder or in the linked file's own folder; the file that
// links X is not a source of X.
//
// Single-threaded, but for Prefetch, which the scan's reading threads call
// beside it. Errors other than running out of memory are not raised: what
// cannot be read is passed over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Linkindex.h"
#include "Linkrefs.h"
#include "System.hpp"

namespace twslisting {
class TFolderReader;
class TRootFolder;
}

namespace tidewash {

// Who lists the folders the guard reads: the guard itself, or the scan,
// which tells every file of every folder it lists (Listed) before it
// reports the folder's matches, so that no folder is listed twice.
enum class TFolderListing : unsigned char { flByGuard, flByScan };

struct TLinkGuardLimits {
    std::size_t BytesPerFile = 256 * 1024;
    std::size_t BytesPerFolder = 1024 * 1024;
    int LevelsUp = 3;
};

// Every path handed in (the volume, folders, full names) is written with
// the platform's separator (PathDelim: "\" on Windows, "/" on POSIX), as
// the scan writes them.
class TLinkGuard {
public:
    // volume: the folder the scan searches (with or without a trailing
    // separator); nothing above it is read. Opened here once, without
    // following a link on any component (twslisting::TRootFolder).
    explicit TLinkGuard(const AnsiString& volume, TLinkGuardLimits limits = {},
                        TFolderListing listing = TFolderListing::flByGuard);
    // The same for a volume already held: the folder the scan searched,
    // never opened again by its name.
    explicit TLinkGuard(std::shared_ptr<const twslisting::TRootFolder> volume, TLinkGuardLimits limits = {},
                        TFolderListing listing = TFolderListing::flByGuard);
    ~TLinkGuard();
    TLinkGuard(const TLinkGuard&) = delete;
    TLinkGuard& operator=(const TLinkGuard&) = delete;

    // With flByScan: a file the folder lists (full path of the folder,
    // with or without a trailing separator). Only the names of sources and
    // project files are kept.
    void Listed(std::string_view folder, std::string_view name);
    // Whether Listed keeps anything of a file so named (a source or a
    // project file): for the scan to drop the other names where it reads
    // the folder, on any thread.
    static bool ListsName(std::string_view name);

    // With flByScan, from any thread, several at once: a folder the scan
    // has just read (full path), still open as reader, with the names of
    // its files (each ended by a NUL). Its project files are read through
    // reader and parsed now, under the same limits, for AddFolder to take
    // when it needs the folder instead of opening it again; a folder
    // AddFolder never needs costs its read only.
    void Prefetch(std::string_view folder, const twslisting::TFolderReader& reader, std::string_view files);

    // A folder where a mask matched (full path, with or without a trailing
    // separator); cheap when it or its parents were read before.
    void AddFolder(std::string_view folder);

    // After the last AddFolder: why the file at fullName must stay
    // ("linked by ZLibUnit.pas"), or the empty string when nothing keeps it.
    AnsiString Reason(std::string_view fullName) const;

    // Bytes read from project and source files so far.
    std::size_t BytesRead() const { return FBytesRead; }

private:
    // A file that links others: one per file read, shared by its links.
    struct TLinker {
        std::string Folder;               // lower case, relative to the volume
        std::string Stem, Extension;      // lower case
        std::vector<std::string> Sources;  // stems of the sources it lists, sorted, each once
        AnsiString Name;                   // as listed
    };
    struct TOpenFolder;
    // The linkers of one linked file, in the order they were read: a chain
    // through FLinkEntries.
    struct TLinkChain {
        std::uint32_t First, Last;
    };
    struct TLinkEntry {
        const TLinker* Linker;
        std::uint32_t Next;
    };
    // Listed's names that matter: kept for the folder being listed.
    [[gnu::noinline]] void Note(std::string_view folder, std::string_view name, bool source, bool project);
    // The number of a folder's sources in FSources, added when new.
    std::uint32_t SourcesOf(std::string_view lowerFolder);
    bool OpenChain(const std::vector<std::string>& parts, std::size_t depth);
    // The folder relative to the volume, or false when it is not on it.
    bool Relative(std::string_view& folder) const;
    void ReadFolder(const std::vector<std::string>& parts, std::size_t depth, std::string_view relative);
    void AddRefs(std::string_view relative, const std::string& fileName, const TProjectRefs& refs);
    bool Built(std::string_view target, const TLinker& linker) const;

    // One project file of a folder as Prefetch read it.
    struct TReadFile {
        std::string Name;
        std::size_t Bytes;
        TProjectRefs Refs;
    };
    // The project files of a folder read within its limits, in name order.
    std::vector<TReadFile> ReadProjectFiles(const twslisting::TFolderReader& reader,
                                            std::vector<std::string> projectFiles) const;

    std::shared_ptr<const twslisting::TRootFolder> FRoot;
    // relative folder -> its project files, read by Prefetch
    std::mutex FPrefetchLock;
    std::unordered_map<std::string, std::vector<TReadFile>> FPrefetched;
    std::string FVolume;  // without its trailing separator: "" for the root, "C:" for a drive's
    TLinkGuardLimits FLimits;
    TFolderListing FListing;
    // relative folder -> its project files, as the scan listed them
    TKeyIndex FProjectFolders;
    std::vector<std::vector<std::string>> FProjectFiles;
    // The folder the scan is listing, and where its names go: a folder's
    // names come one after another.
    std::string FListingFolder, FRelativeListing;
    bool FListingOnVolume = false;
    std::uint32_t FListingSources = TKeyIndex::npos;
    std::uint32_t FListingProjects = TKeyIndex::npos;
    std::vector<std::unique_ptr<TOpenFolder>> FOpen;  // the volume, then one folder below the other
    std::string FLastAdded;  // the walk hands in one folder many times in a row
    std::vector<std::size_t> FEnds;  // AddFolder's scratch: where each part of the folder ends
    TKeyIndex FRead;  // folders read, relative
    // lower-case relative folder -> the names of its sources, as listed,
    // each followed by a "/" (which no file name holds): one buffer a folder
    TKeyIndex FSourceFolders;
    std::vector<std::string> FSources;
    std::deque<TLinker> FLinkers;
    // lower-case relative path of a linked file -> who links it
    TKeyIndex FLinked;
    std::vector<TLinkChain> FLinkChains;
    std::vector<TLinkEntry> FLinkEntries;
    std::string FResolved, FStem;  // AddRefs' scratch, its storage reused
    mutable std::string FLookup;   // Reason's lower-case key, its storage reused
    std::size_t FBytesRead = 0;
};

}  // namespace tidewash

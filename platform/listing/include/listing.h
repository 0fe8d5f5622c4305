// The directory listing facility: a folder's entries read through an open
// folder handle, each described as a find-first listing describes it.
//   TDirEntry      one entry, the counterpart of WIN32_FIND_DATA
//   TFolderReader  one open folder: its raw entries and their descriptions
//   TRootFolder    the folder a walk starts from, opened once without links
//   IsSystemFolder, IsInSystemFolder, IsHiddenName, ShortPathName, CanonicalVolume
//
// What a find-first listing means on POSIX:
//   - No wildcard pattern is applied here. The searcher matches every name
//     with FileNameMatchesMask ignoring case, so that a mask means the same
//     on every platform; POSIX has no short (8.3) names to match as well.
//   - Attributes are derived: FILE_ATTRIBUTE_DIRECTORY for a folder; HIDDEN
//     for a name that begins with "."; READONLY when the owner has no write
//     permission; ARCHIVE for every regular file; SYSTEM for the folders the
//     operating system and its package manager own (IsSystemFolder), which,
//     like Windows system folders, are never entered.
//   - Only regular files are files. Symbolic links are never followed and
//     never returned; a folder that is the mount point of another file
//     system is not returned (it is another volume); FIFOs, sockets and
//     devices are never returned.
//   - Sizes are the full 64-bit size (0 for folders, as Windows lists them);
//     the three times are UTC file times; the creation time is the file
//     system's birth time where it records one, else the last write time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "FileIdentity.h"
#include "System.hpp"
#include <windows.h>
#include "windef.h"

namespace twslisting {

// One file or folder as a listing describes it.
struct TDirEntry {
    AnsiString Name;             // the bytes the file system has, unchanged
    DWORD Attributes = 0;        // FILE_ATTRIBUTE_* bits
    std::int64_t Size = 0;       // whole 64-bit size; 0 for folders
    FILETIME CreationTime{};     // UTC
    FILETIME LastAccessTime{};   // UTC
    FILETIME LastWriteTime{};    // UTC
    // What tells this file from a later one in its place (FileIdentity.h);
    // its Size is the Size above.
    twsplatform::TFileIdentity Identity;
};

// What a raw entry is, as far as a listing needs to know.
enum class TEntryKind : unsigned char { ekFile, ekFolder };

// A folder's identity: (device, inode); on Windows (volume serial, file ID).
using TFolderIdentity = std::pair<std::uint64_t, std::uint64_t>;
using TFolderIdentities = std::set<TFolderIdentity>;

// How opening a folder below a root went.
enum class TWalkResult : unsigned char {
    Opened,
    Missing,   // a component does not exist
    Refused,   // a link (reparse point) on the way, not a folder, or no access
    BadPath,   // an empty, "." or ".." component: the path would leave the root
};

// The folder a walk starts from (a volume root), opened once and held, so
// that the scan, the guard and the purge all work below the same folder
// whatever happens to its path meanwhile.
//
// POSIX: the path is walked from "/" one component at a time, each opened
// O_NOFOLLOW|O_DIRECTORY relative to the one before, so no component, the
// last included, is ever a link. A relative path is taken from the current
// folder. What the folder is, is judged on the descriptor: its identity and
// the identities of the folders above it (reached through ".." from the
// descriptor, not by name).
// Windows: a path in the form CanonicalVolume gives is opened in its
// extended form ("\\?\S:\", "\\?\UNC\server\share\"): a drive root is the
// root, never the drive's current folder, a name is taken as spelled (no
// trailing dot or blank dropped) and no length limit applies. The last
// component is opened without following a reparse point and
// refused when it is one; identity is volume serial and file ID, and the
// folders above are those of the final path the held handle reports.
class TRootFolder {
public:
    TRootFolder();
    ~TRootFolder();
    TRootFolder(const TRootFolder&) = delete;
    TRootFolder& operator=(const TRootFolder&) = delete;

    // Opens the folder at path (the empty path is the root of the file
    // system). False when a component is missing, is a link or is not a
    // folder; the folder held before is let go either way.
    bool Open(const AnsiString& path);
    bool IsOpen() const;
    // The path as given to Open.
    const AnsiString& Path() const { return FPath; }
    TFolderIdentity Identity() const { return FIdentity; }

    // True when the folder held, or a folder above it, is one of the
    // identities.
    bool LiesWithin(const TFolderIdentities& identities) const;
    // True when the folder held is a system folder or lies inside one, by
    // identity: a path that reached /usr under another name is /usr.
    bool IsInSystemFolder() const;

    // Opens the folder at relative (components separated by the platform's
    // delimiters; empty: this folder again) below the folder held, one
    // component at a time without following links. On Opened, handle is
    // the new folder's (POSIX descriptor; Windows HandleToLong), owned by
    // the caller; otherwise it is -1.
    TWalkResult OpenBelow(std::string_view relative, int& handle) const;

    // The platform's handle (POSIX descriptor; Windows HandleToLong); -1
    // when nothing is held. Owned by this object.
    int Handle() const { return FHandle; }

private:
    int FHandle = -1;
    AnsiString FPath;
    TFolderIdentity FIdentity{};
};

// One folder, open for reading its entries. Folders below it are opened
// relative to it, so a walk never rebuilds long paths and a folder renamed
// or replaced while the walk is elsewhere is noticed rather than followed.
// Not copyable; closed when destroyed.
class TFolderReader {
public:
    TFolderReader();
    ~TFolderReader();
    TFolderReader(const TFolderReader&) = delete;
    TFolderReader& operator=(const TFolderReader&) = delete;

    // Opens the folder at path; the empty path is the root. False when it
    // cannot be listed (missing, not a folder, access denied).
    bool Open(const AnsiString& path);
    // Opens the folder at path only if it is still the folder that entry
    // describes (same device and inode).
    bool Open(const AnsiString& path, const TDirEntry& entry);
    // Opens the folder root holds, for a listing of its own.
    bool Open(const TRootFolder& root);
    // Opens the folder at relative below root (TRootFolder::OpenBelow) only
    // if it is still the folder that entry describes.
    bool OpenBelow(const TRootFolder& root, std::string_view relative, const TDirEntry& entry);
    // Opens the subfolder that entry, described by the open folder parent,
    // names: without following links, and only if it is still that folder.
    bool OpenSub(const TFolderReader& parent, const TDirEntry& entry);
    // Opens the subfolder called name of the open folder parent, without
    // following a link and without entering another volume.
    bool OpenSubNamed(const TFolderReader& parent, const char* name);
    bool IsOpen() const;
    void Close();

    // The next entry that is a regular file or a folder, in the order the
    // file system lists them; "." and ".." are never returned. The name
    // stays valid, and NUL-terminated, until the next call of Next or
    // Close. False at the end of the folder or when reading fails.
    bool Next(std::string_view& name, TEntryKind& kind);

    // How many entries Next has passed over since Open because their names
    // cannot be given as text that opens them again (Windows: the ANSI code
    // page cannot spell them); always 0 on POSIX, where a name is its bytes.
    std::size_t Unnamed() const;

    // Describes the entry name of this folder as Next returned it. False
    // when it has gone, is no longer of that kind, or is a folder that
    // belongs to another volume.
    bool Describe(const char* name, TEntryKind kind, TDirEntry& entry) const;

    // Reads at most limit bytes from the start of the regular file name in
    // this folder into bytes (replacing what it held). A link, a special
    // file or a file that cannot be read gives false, and bytes empty: a
    // name planted as a link to a device or a file elsewhere reads nothing.
    bool ReadHead(const char* name, std::size_t limit, std::string& bytes) const;

    // The platform's handle and read buffer, opaque here.
    struct TState;

private:
    std::unique_ptr<TState> FState;
};

// True when the folder name in the folder parentPath (no trailing
// separator; the empty path is the root) belongs to the operating system
// and so carries the system attribute.
bool IsSystemFolder(std::string_view parentPath, std::string_view name);

// True when path is a system folder or lies inside one ("/usr",
// "/usr/share/x/", "/var/lib"): the rule of IsSystemFolder applied to a
// folder where a walk starts rather than to one it meets on the way. A
// relative path is taken from the current folder; ".", ".." and repeated
// separators count as the file system counts them, and a path that exists
// is judged by where its links lead as well, so a link to /usr is /usr.
bool IsInSystemFolder(std::string_view path);

// True when a name alone carries the hidden attribute: on POSIX a name that
// begins with "."; never on Windows, where the attribute is the file
// system's own and comes with the entry's description.
bool IsHiddenName(std::string_view name);

// The short form of a file's full name, or the empty string when the file
// does not exist. POSIX has no short names: an existing file's name is its
// own short form.
AnsiString ShortPathName(const AnsiString& fileName);

// A volume string as a caller gave it, read as the one folder it names.
struct TVolumeName {
    AnsiString Path;     // the spelling every reader opens; empty when refused
    AnsiString Refusal;  // why the string names no folder; empty when accepted
};

// The folder a volume string names, in one spelling, or why it names none.
// Letter case is never changed: case-sensitive folders exist on both
// platforms, so "S:\inside" and "S:\INSIDE" may be two folders.
// Windows: "/" is read as "\", repeated separators and "." components are
// dropped, and the "\\?\" and "\\.\" prefixes are taken off (the root
// is opened in the extended form whatever the length, TRootFolder::Open);
// the result is "X:\...\" or "\\server\share\...\", always ending in a
// separator. Refused: the empty string, "..", a path relative to the
// current folder or to a drive's current folder ("S:", "S:x", "\x"), a
// device or volume name other than a drive, a stream (":") or wildcard in
// a component.
// POSIX: the path as given; only the empty string is refused.
TVolumeName CanonicalVolume(const AnsiString& volume);

}  // namespace twslisting

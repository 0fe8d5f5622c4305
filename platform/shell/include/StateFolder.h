// The program's own state on disk (the records of past runs), kept so that
// nobody else can steer what is written or read there.
//
// A state folder is opened from a base folder the user's environment names
// ($XDG_STATE_HOME and the like; it may be reached through links, it is the
// user's own setting); every folder below it is opened or created one
// component at a time from the folder held open before it, never through a
// link, and must belong to the user and be writable by nobody else. Files
// in it are read only when they are regular files, without following a
// link, without blocking (a FIFO planted there reads as an error, not a
// hang), up to a size limit and only when they belong to the user; they are written under a fresh exclusive
// temporary name and renamed into place, so a planted link is replaced,
// never written through.
//
// Every failure throws std::runtime_error naming the path and the reason;
// a file or folder that is not there throws EStateMissing, a lock another
// process holds EStateBusy.
//
// On Windows the same walk goes through handles (each name opened relative
// to the folder before it, a reparse point opened as itself and refused,
// files created new and renamed into place through the folder's handle).
// Who may write there is the ACL's to say: folders created below the base
// (%LOCALAPPDATA%, inside the user's profile, which nobody else may write)
// inherit its protection, and files are not checked for their owner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "FileIdentity.h"
#include "System.hpp"

namespace twsplatform {

struct EStateMissing : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct EStateBusy : std::runtime_error {
    using std::runtime_error::runtime_error;
};

enum class TCreate { No, Yes };

// What the system holds open for a folder, a lock or a file: a descriptor
// on POSIX, a HANDLE on Windows; -1 (INVALID_HANDLE_VALUE) when none.
using TStateHandle = std::intptr_t;

class TStateLock;
class TAppendFile;

class TStateFolder {
public:
    // base, then each folder of below in turn (created 0700 when create is
    // Yes and it is missing).
    static TStateFolder Open(const AnsiString& base, const std::vector<AnsiString>& below, TCreate create);
    ~TStateFolder();
    TStateFolder(TStateFolder&&) noexcept;
    TStateFolder& operator=(TStateFolder&&) noexcept;

    // The folder's path, without a trailing separator.
    const AnsiString& Path() const { return FPath; }
    // The path of name in this folder.
    AnsiString PathOf(const AnsiString& name) const;

    // A folder below this one, under the same rules.
    TStateFolder Folder(const AnsiString& name, TCreate create) const;
    // Creates a new folder; false when name is already taken.
    bool MakeFolder(const AnsiString& name) const;
    // The names of the folders in this one, unsorted.
    std::vector<AnsiString> Folders() const;
    // Whether name is here (whatever it is; a link is not followed).
    bool Has(const AnsiString& name) const;

    // The contents of a regular file of the user's here, at most limit bytes.
    std::string Read(const AnsiString& name, std::size_t limit) const;
    // Puts text under name, replacing what was there.
    void Replace(const AnsiString& name, std::string_view text) const;
    // The same with what write puts into the stream, which goes to the file
    // as it is written (a run's record of a million files is never whole
    // in memory as text). When write throws, the file is left as it was and
    // the exception goes on.
    void Replace(const AnsiString& name, const std::function<void(std::ostream&)>& write) const;
    // Creates the new file name (it must not exist) for lines to be
    // appended to.
    TAppendFile CreateAppendFile(const AnsiString& name) const;

    // An exclusive lock held as long as the object lives, on the file name
    // (created when missing). EStateBusy when another process holds it.
    TStateLock Lock(const AnsiString& name) const;

private:
    TStateFolder(TStateHandle fd, AnsiString path) : FFd(fd), FPath(std::move(path)) {}
    TStateHandle FFd = -1;
    AnsiString FPath;
};

class TStateLock {
public:
    ~TStateLock();
    TStateLock(TStateLock&& other) noexcept : FFd(other.FFd) { other.FFd = -1; }
    TStateLock& operator=(TStateLock&&) = delete;

private:
    friend class TStateFolder;
    explicit TStateLock(TStateHandle fd) : FFd(fd) {}
    TStateHandle FFd;
};

// A file written one line at a time, each line with one write() call
// (WriteFile on Windows): a process killed at any moment leaves every line
// it wrote whole in the page cache, which the kernel writes out; only a
// power loss can cut it short.
class TAppendFile {
public:
    ~TAppendFile();
    TAppendFile(TAppendFile&& other) noexcept : FFd(other.FFd), FPath(std::move(other.FPath)) { other.FFd = -1; }
    TAppendFile& operator=(TAppendFile&&) = delete;
    // Appends line and a newline; throws when not all of it was written.
    void Append(std::string_view line);

private:
    friend class TStateFolder;
    TAppendFile(TStateHandle fd, AnsiString path) : FFd(fd), FPath(std::move(path)) {}
    TStateHandle FFd;
    AnsiString FPath;
};

// A regular file anywhere, read without following a final link, without
// blocking, at most limit bytes.
std::string ReadRegularFile(const AnsiString& path, std::size_t limit);

// The identity of an absolute folder reached from the root ("/", the
// drive's root) without following any link; throws when it cannot be
// reached that way.
TFileIdentity FolderIdentityWithoutLinks(const AnsiString& path);

}  // namespace twsplatform

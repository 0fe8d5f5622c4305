// Durable whole-file writes, shared by the INI file class and anything else
// that rewrites small files in place, and the lock that INI readers and
// writers share.
#pragma once

#include "System.hpp"

namespace vcl {
// Replaces the file with the given bytes so that a crash at any moment
// leaves either the old or the new file: a temporary file in the same folder
// is written, flushed to disk and renamed over the old one, keeping its
// permissions. Raises Exception naming the file when that fails.
void AtomicReplaceFile(const AnsiString& fileName, const AnsiString& contents);

// The whole file as bytes; false when it does not exist. Raises Exception
// naming the file when it exists but cannot be read.
bool ReadWholeFile(const AnsiString& fileName, AnsiString& contents);

// One file held open under an advisory lock, for reading it whole or
// replacing it whole. Every reader and writer of the INI files takes one, so
// a reader never sees a file a writer is halfway through.
//
// Symbolic links are followed to the file they name (a chain of them, up to
// a limit): the link stays, and its target is the file that is read and
// replaced. A writer's lock is on the file that is there when the lock is
// granted (should another writer have replaced it meanwhile, the new file is
// opened and locked instead); a reader may end up holding the version just
// replaced, which is still one whole version.
//
// A missing file is not an error: Exists() is false, Read() gives "", and
// Replace creates it -- unless another process created it in the meantime,
// which fails with "File exists" rather than overwrite it unseen.
enum class TFileLockMode { Shared, Exclusive };

class TLockedFile {
public:
    // Shared locks are for reading. An exclusive lock opens the file for
    // writing, so a file the caller may not write raises EIniFileException
    // naming the file and the reason here, before anything changes. A file
    // that exists but cannot be opened raises EFOpenError.
    TLockedFile(const AnsiString& fileName, TFileLockMode mode);
    ~TLockedFile();
    TLockedFile(const TLockedFile&) = delete;
    TLockedFile& operator=(const TLockedFile&) = delete;

    bool Exists() const { return FHandle >= 0; }
    // The file the name leads to once links are followed.
    const AnsiString& Target() const { return FTarget; }

    // The whole file as bytes. Raises EReadError naming the file.
    AnsiString Read() const;

    // Exclusive lock only. The new bytes replace the file at once: a
    // temporary file in the target's folder is written, flushed, given the
    // file's permissions and owner, and renamed over it; the folder is then
    // flushed. Readers see the old or the new file, and so does a crash.
    // Where that cannot be done while keeping the file's identity -- a
    // folder the caller may not write, or an owner the caller cannot give
    // the copy -- the file is rewritten in place (truncated, written,
    // flushed) under the lock, which still keeps readers out, though a
    // crash halfway may then leave a short file. Raises EIniFileException
    // naming the file.
    void Replace(const AnsiString& contents);

private:
    void Open(const AnsiString& fileName);
    void RewriteInPlace(const AnsiString& contents);
    bool Install(const AnsiString& temp, bool create) const;

    AnsiString FTarget;
    TFileLockMode FMode;
    int FHandle = -1;
};
}  // namespace vcl

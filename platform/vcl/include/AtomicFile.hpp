// Durable whole-file writes, shared by the INI file class and anything else
// that rewrites small files in place, and the lock that INI readers and
// writers share.
#pragma once

#include <cstddef>

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
// The name is taken as it is: files held this way come from outside (a
// settings file in an installation folder), so they are opened without
// following a symbolic link, without blocking, and only as regular files,
// and are read up to a size limit. What is refused, with the file's name
// and one of the reasons below:
//   a symbolic link, also one that leads nowhere    LinkRefusal
//   a FIFO, a device, a folder, a socket            NotRegularRefusal
//   more than MaxLockedFileSize bytes               TooLargeRefusal
// A writer's lock is on the file that is there when the lock is granted
// (should another writer have replaced it meanwhile, the new file is opened
// and locked instead); a reader may end up holding the version just
// replaced, which is still one whole version.
//
// A missing file is not an error: Exists() is false, Read() gives "", and
// Replace creates it -- unless another process created something under the
// name in the meantime (a file or a link), which fails with "File exists"
// rather than overwrite it unseen or write through it.
enum class TFileLockMode { Shared, Exclusive };

// 16 MiB: a settings file holds a few masks and folder lists, a few KiB; the
// limit leaves room for some 100,000 excluded folders while keeping what a
// planted file (a link to /dev/zero, a huge file) can make the reader hold
// to a bounded amount.
inline constexpr std::size_t MaxLockedFileSize = std::size_t{16} << 20;
inline const AnsiString LinkRefusal = "It is a symbolic link, and links are not followed";
inline const AnsiString NotRegularRefusal = "It is not a regular file";
inline const AnsiString TooLargeRefusal = "It is larger than 16 MiB";

class TLockedFile {
public:
    // Shared locks are for reading. An exclusive lock opens the file for
    // writing, so a file the caller may not write raises EIniFileException
    // naming the file and the reason here, before anything changes. A name
    // that exists but cannot be opened or is refused (see above) raises
    // EFOpenError for a reader and EIniFileException for a writer.
    TLockedFile(const AnsiString& fileName, TFileLockMode mode);
    ~TLockedFile();
    TLockedFile(const TLockedFile&) = delete;
    TLockedFile& operator=(const TLockedFile&) = delete;

    bool Exists() const { return FHandle >= 0; }

    // The whole file as bytes. Raises EReadError naming the file, also when
    // it has grown beyond MaxLockedFileSize since it was opened.
    AnsiString Read() const;

    // Exclusive lock only. The new bytes replace the file at once: a
    // temporary file beside it, created exclusively, is written, flushed,
    // given the file's permissions and owner, and renamed over the name (so
    // a link put there meanwhile is replaced, never written through); the
    // folder is then flushed. Readers see the old or the new file, and so
    // does a crash. Where that cannot be done while keeping the file's
    // identity -- a folder the caller may not write, or an owner the caller
    // cannot give the copy -- the file held is rewritten in place
    // (truncated, written, flushed) under the lock, which still keeps
    // readers out, though a crash halfway may then leave a short file.
    // Raises EIniFileException naming the file.
    void Replace(const AnsiString& contents);

private:
    void Open();
    void RewriteInPlace(const AnsiString& contents);
    bool Install(const AnsiString& temp, bool create) const;

    AnsiString FFileName;
    TFileLockMode FMode;
    int FHandle = -1;
};
}  // namespace vcl

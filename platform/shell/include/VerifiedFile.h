// Deleting a file the scan found, and nothing else.
//
// A scan records each file's identity (FileIdentity.h). Before anything
// about the file is changed, TVerifiedFile walks from the volume root to
// the file's folder one component at a time without following symbolic
// links, keeps that folder open, opens the file itself there (O_PATH,
// never through a link) and checks that what it holds is the same regular
// file. Every later step works on what is held:
//   - clearing read-only changes the mode through the file's descriptor,
//     never by name, so a link swapped in meanwhile is never followed;
//   - deleting unlinks the name in the held folder and then checks, on the
//     descriptor, that the file held lost that link; if another file had
//     taken the name in the meantime, the deletion is reported as failed
//     (the file held is still there); once proved removed, the file held is
//     let go by the verifier that opened it, which may do so on a thread of
//     its own (freeing a file can wait for the device) and has done so by
//     the time it is destroyed;
//   - moving to the trash renames from the held folder (Trash.h) and then
//     checks what arrived in the trash; another file is put back.
// A folder swapped for a link between the scan and the purge therefore
// cannot send any of these elsewhere; nor can the volume root itself,
// which is held from the start and never looked up by name again.
//
// On Windows the same walk opens each folder relative to the one before
// without following a reparse point, and the file is held by a handle:
// read-only is an attribute changed through it, a deletion marks the
// handle's file for deletion, and the trash is the shell's recycle bin
// (verifiedfile_win32.cpp, trash_win32.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "FileIdentity.h"
#include "listing.h"
#include "System.hpp"
#include "Trash.h"

namespace twsplatform {

// The identity of an existing path, not following a final link; false when
// it cannot be read.
bool ReadFileIdentity(const AnsiString& path, TFileIdentity& identity);

enum class TVerifyResult {
    Verified,      // the path leads, link-free, to the same regular file
    Missing,       // the file or a folder on the way no longer exists
    Changed,       // another file, a link on the way, or not a regular file
    OutsideRoot,   // the path does not lie below the volume root
};

enum class TDeleteMode { Permanent, ToTrash };

struct TFolderHandle;
class THandleReleaser;

class TVerifiedFile {
public:
    // root: the volume root, as given to the scan (ending in "/");
    // fullName: the file's full path below it.
    static std::unique_ptr<TVerifiedFile> Open(const AnsiString& root, const AnsiString& fullName,
                                               const TFileIdentity& identity, TVerifyResult& result);
    ~TVerifiedFile();
    TVerifiedFile(const TVerifiedFile&) = delete;
    TVerifiedFile& operator=(const TVerifiedFile&) = delete;

    // The owner has no write permission.
    bool IsReadOnly() const;
    // Gives the owner write permission; false when that fails.
    bool ClearReadOnly();
    // Gives the file back the permissions it had when it was verified (after
    // ClearReadOnly, when the deletion did not happen).
    bool RestorePermissions();
    // Deletes the file or moves it to the trash; false with a reason when
    // that fails or when the name no longer led to the file verified. After
    // a permanent deletion nothing of the file is held any more.
    bool Delete(TDeleteMode mode, AnsiString& error);
    // After a Delete that moved the file to the trash: where it went.
    const TTrashEntry& TrashEntry() const { return FTrashEntry; }

private:
    friend class TFileVerifier;
    TVerifiedFile(std::shared_ptr<TFolderHandle> folder, AnsiString name, int fd,
                  const TFileIdentity& identity, unsigned mode, std::uint64_t links, std::shared_ptr<TTrash> trash);
    bool SetPermissions(unsigned mode);

    std::shared_ptr<TFolderHandle> FFolder;  // with its path, ending in "/"
    AnsiString FName;
    int FFd;                 // the file itself: opened O_PATH; on Windows its handle
                             // (HandleToLong: a handle has 32 significant bits)
    TFileIdentity FIdentity;
    unsigned FMode;          // permission bits (Windows: attributes) when verified
    std::uint64_t FLinks;    // link count when verified
    std::shared_ptr<TTrash> FTrash;
    TTrashEntry FTrashEntry;
    std::shared_ptr<THandleReleaser> FReleaser;  // the verifier's; none: let go here
};

// Verifies one file after another below one volume root, held open from
// the start (twslisting::TRootFolder: opened without following a link on
// any component) and walked down from for every folder. The files of a
// purge come folder by folder, so the last folder verified is kept open
// and the next file of the same folder is checked in it directly: whatever
// happens to the path meanwhile, the folder held is the one verified. The
// trash, once used, stays open for the verifier's life. Files deleted
// through it are freed by the time the verifier and every file it opened
// are gone.
class TFileVerifier {
public:
    // Opens root itself when first needed, then holds it; while it cannot
    // be opened without a link on the way, nothing is verified.
    explicit TFileVerifier(AnsiString root);
    // Starts from a root already held, as a scan opened it.
    explicit TFileVerifier(std::shared_ptr<const twslisting::TRootFolder> root);
    ~TFileVerifier();
    TFileVerifier(const TFileVerifier&) = delete;
    TFileVerifier& operator=(const TFileVerifier&) = delete;

    std::unique_ptr<TVerifiedFile> Open(const AnsiString& fullName, const TFileIdentity& identity,
                                        TVerifyResult& result);
    // The same for a file given as a scan lists it: its folder (ending in
    // "/") and its name. Nothing is joined and split again per file.
    std::unique_ptr<TVerifiedFile> Open(const AnsiString& folderPath, const AnsiString& name,
                                        const TFileIdentity& identity, TVerifyResult& result);

    // Tells observer of every move into the trash (TTrash::SetObserver).
    void SetTrashObserver(TTrashObserver* observer);

private:
    std::unique_ptr<TVerifiedFile> OpenIn(std::string_view folderPath, const AnsiString& name,
                                          const TFileIdentity& identity, TVerifyResult& result);

    static TVerifyResult FromWalk(twslisting::TWalkResult walk);
    // The root held, opened first here when it was given by name.
    const twslisting::TRootFolder& Root();

    AnsiString FRoot;  // its path, ending in a delimiter
    std::shared_ptr<const twslisting::TRootFolder> FRootFolder;
    std::shared_ptr<twslisting::TRootFolder> FOwnRoot;  // the same, when given by name
    std::shared_ptr<TFolderHandle> FFolder;  // the last folder verified, with its path
    std::shared_ptr<TTrash> FTrash;
    std::shared_ptr<THandleReleaser> FReleaser;  // lets go of the files deleted
};

}  // namespace twsplatform

// Deleting a file the scan found, and nothing else.
//
// A scan records each file's identity (device and inode). Before anything
// about the file is changed, TVerifiedFile walks from the volume root to the
// file's folder one component at a time without following symbolic links,
// keeps that folder open, and checks that the name there is still the same
// regular file. Every later step (clearing read-only, deleting, moving to
// the trash) works relative to that open folder, so a folder swapped for a
// link between the scan and the purge cannot send a deletion elsewhere.
//
// Moving to the trash uses the freedesktop trash (the home trash, or the
// volume's .Trash-$uid): when the trash refuses a file, the file stays where
// it is; a requested trash move never turns into a permanent deletion.
#pragma once

#include <cstdint>
#include <memory>

#include "System.hpp"

namespace twsplatform {

struct TFileIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
};

enum class TVerifyResult {
    Verified,      // the path leads, link-free, to the same regular file
    Missing,       // the file or a folder on the way no longer exists
    Changed,       // another file, a link on the way, or not a regular file
    OutsideRoot,   // the path does not lie below the volume root
};

enum class TDeleteMode { Permanent, ToTrash };

struct TFolderHandle;

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
    // Gives the owner write permission back; false when that fails or the
    // file is no longer the one verified.
    bool ClearReadOnly();
    // Deletes the file or moves it to the trash; false with a reason when
    // that fails or the file is no longer the one verified.
    bool Delete(TDeleteMode mode, AnsiString& error);

private:
    friend class TFileVerifier;
    TVerifiedFile(std::shared_ptr<TFolderHandle> folder, AnsiString name, AnsiString fullName,
                  TFileIdentity identity);
    bool StillSame() const;
    // The file's folder path still leads to the folder held open.
    bool FolderPathStillLeadsHere() const;

    std::shared_ptr<TFolderHandle> FFolder;
    AnsiString FName;
    AnsiString FFullName;
    TFileIdentity FIdentity;
};

// Verifies one file after another below one volume root. The files of a
// purge come folder by folder, so the last folder verified is kept open
// and the next file of the same folder is checked in it directly: whatever
// happens to the path meanwhile, the folder held is the one verified.
class TFileVerifier {
public:
    explicit TFileVerifier(AnsiString root);
    ~TFileVerifier();
    TFileVerifier(const TFileVerifier&) = delete;
    TFileVerifier& operator=(const TFileVerifier&) = delete;

    std::unique_ptr<TVerifiedFile> Open(const AnsiString& fullName, const TFileIdentity& identity,
                                        TVerifyResult& result);

private:
    AnsiString FRoot;
    AnsiString FFolderPath;
    std::shared_ptr<TFolderHandle> FFolder;
};

// The identity of an existing path (not following a final link); false when
// it cannot be read.
bool ReadFileIdentity(const AnsiString& path, TFileIdentity& identity);

}  // namespace twsplatform

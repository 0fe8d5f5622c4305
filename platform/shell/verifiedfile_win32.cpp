// TVerifiedFile on Windows: each folder below the root is opened relative
// to the one before (NtCreateFile with a root directory) without following
// a reparse point; the file itself is opened the same way and checked on
// its handle (volume serial number, file ID, size and times). Read-only is
// an attribute changed through the handle (FileBasicInfo); a permanent
// deletion marks the handle's file for deletion (FileDispositionInfo), so
// the file removed is the file checked whatever its name leads to by then.
// The recycle bin is the shell's (TTrash, trash_win32.cpp).
//
// The file is held for attributes only, which lets the shell open it to
// move it; a deletion asks the system for a second handle to the same file
// (ReOpenFile) with the right to delete it.
#include "VerifiedFile.h"

#include <windows.h>
#include <winternl.h>

#include "SysUtils.hpp"
#include "Trash.h"
#include "fileops_win32.h"
#include "folderhandle_win32.h"
#include "ntrelative.h"

namespace twsplatform {

namespace {

HANDLE Held(int handle) { return LongToHandle(handle); }

bool IsDelimiter(char c) { return c == '\\' || c == '/'; }

TVerifyResult FailureOf(LONG status)
{
    return twslisting::IsNotFound(status) ? TVerifyResult::Missing : TVerifyResult::Changed;
}

bool SetAttributes(HANDLE h, DWORD attributes)
{
    FILE_BASIC_INFO info{};  // zero times: left as they are
    info.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    return ::SetFileInformationByHandle(h, FileBasicInfo, &info, sizeof info) != FALSE;
}

}  // namespace

bool ReadFileIdentity(const AnsiString& path, TFileIdentity& identity)
{
    const HANDLE h = ::CreateFileW(twslisting::ExtendedPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = IdentityOfHandle(h, identity);
    ::CloseHandle(h);
    return ok;
}

TFileVerifier::TFileVerifier(std::shared_ptr<const twslisting::TRootFolder> root)
    : FRoot(root->Path()), FRootFolder(std::move(root)), FTrash(std::make_shared<TTrash>())
{
    if (FRoot.empty() || !IsDelimiter(FRoot.back()))
        FRoot += PathDelim;
}

TFileVerifier::~TFileVerifier() = default;

std::unique_ptr<TVerifiedFile> TFileVerifier::OpenIn(std::string_view folderPath, const AnsiString& name,
                                                     const TFileIdentity& identity, TVerifyResult& result)
{
    // Drive letters and folder names are the same in either case here.
    if (folderPath.size() < FRoot.size() || !SameText(AnsiString(folderPath.substr(0, FRoot.size())), FRoot)) {
        result = TVerifyResult::OutsideRoot;
        return nullptr;
    }
    if (name.empty() || name == "." || name == "..") {
        result = TVerifyResult::OutsideRoot;
        return nullptr;
    }
    if (!FFolder || folderPath != FFolder->Path) {
        FFolder.reset();
        // Down from the root held, never through a reparse point.
        int folder = -1;
        result = FromWalk(Root().OpenBelow(folderPath.substr(FRoot.size()), folder));
        if (result != TVerifyResult::Verified)
            return nullptr;
        FFolder = std::make_shared<TFolderHandle>(LongToHandle(folder), AnsiString(folderPath));
    }
    // What is held is checked, not the name: the name may change hands at
    // any moment, the handle does not.
    LONG status = 0;
    const HANDLE h = twslisting::OpenRelative(FFolder->Handle, name, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                              FILE_NON_DIRECTORY_FILE, &status);
    if (h == INVALID_HANDLE_VALUE) {
        result = FailureOf(status);
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!HoldsIdentity(h, identity, &info)) {
        ::CloseHandle(h);
        result = TVerifyResult::Changed;
        return nullptr;
    }
    result = TVerifyResult::Verified;
    return std::unique_ptr<TVerifiedFile>(new TVerifiedFile(FFolder, name, HandleToLong(h), identity,
                                                            info.dwFileAttributes, info.nNumberOfLinks, FTrash));
}

TVerifiedFile::~TVerifiedFile() { ::CloseHandle(Held(FFd)); }

bool TVerifiedFile::IsReadOnly() const
{
    BY_HANDLE_FILE_INFORMATION info;
    return ::GetFileInformationByHandle(Held(FFd), &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
}

bool TVerifiedFile::SetPermissions(unsigned mode) { return SetAttributes(Held(FFd), mode); }

bool TVerifiedFile::ClearReadOnly()
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(Held(FFd), &info))
        return false;
    return !(info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ||
           SetPermissions(info.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
}

bool TVerifiedFile::RestorePermissions() { return SetPermissions(FMode); }

bool TVerifiedFile::Delete(TDeleteMode mode, AnsiString& error)
{
    if (mode == TDeleteMode::ToTrash) {
        const TTrashResult moved = FTrash->Move(*FFolder, FFolder->Path, FName, FIdentity, error, &FTrashEntry);
        return moved == TTrashResult::Moved;
    }
    const HANDLE doomed = ::ReOpenFile(Held(FFd), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       FILE_FLAG_OPEN_REPARSE_POINT);
    if (doomed == INVALID_HANDLE_VALUE) {
        error = SysErrorMessage(static_cast<int>(::GetLastError()));
        return false;
    }
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    const bool marked = ::SetFileInformationByHandle(doomed, FileDispositionInfo, &disposition, sizeof disposition);
    const DWORD code = ::GetLastError();
    ::CloseHandle(doomed);
    if (!marked) {
        error = SysErrorMessage(static_cast<int>(code));
        return false;
    }
    return true;
}

}  // namespace twsplatform

// TTrash on Windows: the recycle bin, through the shell (SHFileOperation
// with FOF_ALLOWUNDO), which alone knows how this system's recycle bin is
// kept (each volume's $Recycle.Bin, or under Wine the desktop's trash).
//
// The shell takes a path, not a handle. The file's identity is checked in
// the held folder just before the shell is called, and after it the name
// must no longer lead to that file. What cannot be excluded is another
// process swapping the name between the check and the shell's own open;
// what the shell took then is in the recycle bin and can be restored from
// there, and the file checked is reported as not moved. A permanent
// deletion has no such window (verifiedfile_win32.cpp).
#include "Trash.h"

#include <windows.h>
#include <shellapi.h>

#include "SysUtils.hpp"
#include "VerifiedFile.h"
#include "fileops_win32.h"
#include "folderhandle_win32.h"
#include "ntrelative.h"

namespace twsplatform {

struct TTrash::TState {};

TTrash::TTrash() = default;

TTrash::~TTrash() = default;

TTrashResult TTrash::Move(const TFolderHandle& folder, const AnsiString& folderPath, const AnsiString& name,
                          const TFileIdentity& expected, AnsiString& error, TTrashEntry* entry)
{
    if (NameLeadsTo(folder.Handle, name, expected) != TNameState::Expected) {
        error = "another file had taken its name";
        return TTrashResult::Refused;
    }
    // Where the volume has no recycle bin, the shell would delete the file
    // for good instead: that is for the user to choose, never a fallback.
    const std::wstring folderWide = twslisting::AnsiToWide(folderPath);
    SHQUERYRBINFO bin{};
    bin.cbSize = sizeof bin;
    if (FAILED(::SHQueryRecycleBinW(folderWide.c_str(), &bin))) {
        error = "the volume has no recycle bin";
        return TTrashResult::Refused;
    }
    // pFrom is a list of names, each ended by a null, the list by another.
    std::wstring from = twslisting::AnsiToWide(IncludeTrailingPathDelimiter(folderPath) + name);
    from.push_back(L'\0');
    from.push_back(L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    // Should the recycle bin still turn it away, the shell asks before it
    // destroys the file (FOF_WANTNUKEWARNING overrides FOF_NOCONFIRMATION
    // for that question alone).
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_WANTNUKEWARNING | FOF_NOERRORUI | FOF_SILENT;
    const int code = ::SHFileOperationW(&operation);
    const TNameState after = NameLeadsTo(folder.Handle, name, expected);
    if (code != 0 || operation.fAnyOperationsAborted) {
        // SHFileOperation's codes below 0x71 are the system's error codes.
        error = code != 0 ? "the recycle bin refused it (shell error " + IntToStr(code) + ")"
                          : AnsiString("the recycle bin refused it");
        return after == TNameState::Expected ? TTrashResult::Refused : TTrashResult::Changed;
    }
    if (after == TNameState::Expected) {
        error = "the recycle bin did not take it";
        return TTrashResult::Refused;
    }
    // The shell does not say where in the recycle bin an entry goes.
    if (entry != nullptr)
        *entry = TTrashEntry{};
    return TTrashResult::Moved;
}

// The recycle bin names its entries itself: there is nothing to tell.
void TTrash::SetObserver(TTrashObserver*) {}

const AnsiString& TTrash::HomeTrash() const
{
    static const AnsiString none;
    return none;
}

std::vector<TFileIdentity> TrashFolders(const AnsiString& volume)
{
    // The recycle bin's folder at the root of a volume, by the names the
    // versions of Windows gave it.
    std::vector<TFileIdentity> folders;
    for (const char* name : {"$Recycle.Bin", "RECYCLER", "RECYCLED"}) {
        TFileIdentity identity;
        if (ReadFileIdentity(IncludeTrailingPathDelimiter(volume) + name, identity))
            folders.push_back(identity);
    }
    return folders;
}

TTrashCheck CheckTrashFor(const AnsiString& folder)
{
    // The same question Move asks before each file: a volume without a
    // recycle bin would have the shell delete the files for good.
    TTrashCheck check;
    const std::wstring folderWide = twslisting::AnsiToWide(folder);
    SHQUERYRBINFO bin{};
    bin.cbSize = sizeof bin;
    if (FAILED(::SHQueryRecycleBinW(folderWide.c_str(), &bin)))
        check.Problem = "the volume has no recycle bin";
    return check;
}

}  // namespace twsplatform

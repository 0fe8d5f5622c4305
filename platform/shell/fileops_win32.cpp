// The identity helpers of the Windows file operations.
#include "fileops_win32.h"

#include <winternl.h>

#include "ntrelative.h"

namespace twsplatform {

bool IdentityOfHandle(HANDLE h, TFileIdentity& identity, BY_HANDLE_FILE_INFORMATION* info)
{
    BY_HANDLE_FILE_INFORMATION local;
    BY_HANDLE_FILE_INFORMATION& i = info != nullptr ? *info : local;
    if (!::GetFileInformationByHandle(h, &i))
        return false;
    identity.Device = i.dwVolumeSerialNumber;
    identity.Inode = (static_cast<std::uint64_t>(i.nFileIndexHigh) << 32) | i.nFileIndexLow;
    identity.Size = static_cast<std::int64_t>((static_cast<std::uint64_t>(i.nFileSizeHigh) << 32) | i.nFileSizeLow);
    identity.ModifiedNs = twslisting::Nanoseconds(i.ftLastWriteTime);
    identity.BornNs = twslisting::Nanoseconds(i.ftCreationTime);
    identity.HasBirthTime = true;
    return true;
}

bool HoldsIdentity(HANDLE h, const TFileIdentity& expected, BY_HANDLE_FILE_INFORMATION* info)
{
    BY_HANDLE_FILE_INFORMATION local;
    BY_HANDLE_FILE_INFORMATION& i = info != nullptr ? *info : local;
    TFileIdentity held;
    if (!IdentityOfHandle(h, held, &i) || (i.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    return held.Device == expected.Device && held.Inode == expected.Inode && held.Size == expected.Size &&
           held.ModifiedNs == expected.ModifiedNs && (!expected.HasBirthTime || held.BornNs == expected.BornNs);
}

TNameState NameLeadsTo(HANDLE folder, const AnsiString& name, const TFileIdentity& expected)
{
    LONG status = 0;
    const HANDLE h = twslisting::OpenRelative(folder, name, FILE_READ_ATTRIBUTES, 0, &status);
    if (h == INVALID_HANDLE_VALUE)
        return twslisting::IsNotFound(status) ? TNameState::Missing : TNameState::Other;
    const bool same = HoldsIdentity(h, expected);
    ::CloseHandle(h);
    return same ? TNameState::Expected : TNameState::Other;
}

}  // namespace twsplatform

// CheckPurge on Windows: the drive's read-only flag, then its recycle bin.
#include "PurgeCheck.h"

#include <windows.h>

#include "Trash.h"
#include "ntrelative.h"

namespace twsplatform {

TPurgeCheck CheckPurge(const AnsiString& volume, TPurgeMode mode)
{
    TPurgeCheck check;
    const std::wstring path = twslisting::AnsiToWide(volume);
    wchar_t root[MAX_PATH + 1] = {};
    DWORD flags = 0;
    if (::GetVolumePathNameW(path.c_str(), root, MAX_PATH) &&
        ::GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
        (flags & FILE_READ_ONLY_VOLUME) != 0) {
        check.Problem = "the volume is read-only: nothing on it can be deleted";
        return check;
    }
    if (mode == TPurgeMode::ToTrash) {
        const TTrashCheck trash = CheckTrashFor(volume);
        check.Trash = trash.Path;
        if (!trash.Problem.empty())
            check.Problem = "the recycle bin cannot take the files: " + trash.Problem;
    }
    return check;
}

}  // namespace twsplatform

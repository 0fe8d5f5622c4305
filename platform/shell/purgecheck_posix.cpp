// CheckPurge on POSIX: statvfs for a read-only mount, then the trash the
// volume's files would go to.
#include "PurgeCheck.h"

#include <sys/statvfs.h>

#include "Trash.h"

namespace twsplatform {

TPurgeCheck CheckPurge(const AnsiString& volume, TPurgeMode mode)
{
    TPurgeCheck check;
    struct statvfs fs;
    if (::statvfs(volume.c_str(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0) {
        check.Problem = "the volume is mounted read-only: nothing on it can be deleted";
        return check;
    }
    if (mode == TPurgeMode::ToTrash) {
        const TTrashCheck trash = CheckTrashFor(volume);
        check.Trash = trash.Path;
        if (!trash.Problem.empty())
            check.Problem = "the trash " + (trash.Path.empty() ? AnsiString() : trash.Path + " ") +
                            "cannot take the files: " + trash.Problem;
    }
    return check;
}

}  // namespace twsplatform

// What the Windows listing and the Windows shell operations share: opening
// a name relative to an open folder handle, and the system's times as the
// nanoseconds the identities of files carry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <windows.h>

#include "System.hpp"

namespace twslisting {

// Opens name, a single component, inside the folder root (NtCreateFile with
// a root directory) without following a reparse point: a link or junction
// opens as itself. Every share mode is granted. INVALID_HANDLE_VALUE when
// it cannot be opened, or when name holds a separator; status, when given,
// receives the NTSTATUS.
HANDLE OpenRelative(HANDLE root, std::string_view name, ACCESS_MASK access, ULONG options, LONG* status = nullptr);
// The same with another disposition: FILE_CREATE makes name new (it fails
// on anything already there, a link included), FILE_OPEN_IF opens or makes
// it. attributes: those of a file made (FILE_ATTRIBUTE_NORMAL, ...).
HANDLE CreateRelative(HANDLE root, std::string_view name, ACCESS_MASK access, ULONG options, ULONG disposition,
                      ULONG attributes, LONG* status = nullptr);

// Whether an NTSTATUS of OpenRelative says that nothing has the name (as
// opposed to something that could not be opened, or not as asked).
bool IsNotFound(LONG status);

// The text in the ANSI code page as UTF-16.
std::wstring AnsiToWide(std::string_view text);

// path (in the ANSI code page) as the wide path that opens it exactly: a
// path in the form CanonicalVolume gives, or one level of it without the
// final separator, in the extended form ("\\?\S:\", "\\?\UNC\server\share\x"),
// so that a drive root is the root and not the drive's current folder and
// no length limit applies; a drive alone ("S:") as its root, and a path
// relative to a drive's current folder ("S:x") as nothing that opens; any
// other path as it is (the empty path is the root of the current drive).
std::wstring ExtendedPath(const AnsiString& path);

// 100 ns ticks since 1601 as nanoseconds since 1970.
std::int64_t Nanoseconds(std::int64_t ticks);
inline std::int64_t Nanoseconds(const FILETIME& t)
{
    return Nanoseconds(static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                                                 t.dwLowDateTime));
}

}  // namespace twslisting

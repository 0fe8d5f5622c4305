// Reading a .trashinfo file: where a file in the trash came from and when
// it was trashed.
//
//   [Trash Info]
//   Path=/home/user/project/Unit1.obj        (percent-encoded)
//   DeletionDate=2024-05-01T10:20:30
//
// The home trash records absolute paths; a trash at the top of a file
// system ($topdir/.Trash-$uid, $topdir/.Trash/$uid) records them relative
// to that top folder. Anyone who can write to the trash can write these
// files, so the text is refused (nothing returned) unless it is exactly
// that: the group header first (blank lines and "#" comments aside), Path=
// and DeletionDate= once each, every "%" followed by two hexadecimal
// digits, and a path that decodes to no NUL byte, no empty, "." or ".."
// component, and lies below the top folder. Other keys are ignored, as are
// later groups.
#pragma once

#include <optional>
#include <string_view>

#include "System.hpp"

namespace twsplatform {

struct TTrashInfo {
    AnsiString Path;          // absolute, decoded
    AnsiString DeletionDate;  // as written
};

// topFolder: the folder the trash's relative paths start from, ending in
// "/" ("/" for the home trash).
std::optional<TTrashInfo> ParseTrashInfo(std::string_view bytes, const AnsiString& topFolder);

// The top folder of a trash folder (ending in "/"): the folder holding
// .Trash-$uid or .Trash/$uid, "/" for any other (the home trash).
AnsiString TrashTopFolder(const AnsiString& trashFolder);

}  // namespace twsplatform

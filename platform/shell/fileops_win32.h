// What the Windows file operations share: a file's identity as its open
// handle tells it, and opening a name in a held folder to check it.
#pragma once

#include <windows.h>

#include "FileIdentity.h"
#include "System.hpp"

namespace twsplatform {

// The identity of what h holds: the volume's serial number, the file ID,
// the size, the last write and the creation time, as the listing gives them.
bool IdentityOfHandle(HANDLE h, TFileIdentity& identity, BY_HANDLE_FILE_INFORMATION* info = nullptr);

// Whether what h holds is the file identified, and not a reparse point.
bool HoldsIdentity(HANDLE h, const TFileIdentity& expected, BY_HANDLE_FILE_INFORMATION* info = nullptr);

// What the name in folder leads to now, without following a reparse point.
enum class TNameState { Expected, Other, Missing };
TNameState NameLeadsTo(HANDLE folder, const AnsiString& name, const TFileIdentity& expected);

}  // namespace twsplatform

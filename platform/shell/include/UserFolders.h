// Where a user's own files go: the folders the user's environment names for
// settings and for state, and whether a shared folder (an installation) may
// be written by this user at all.
//
//                 POSIX                                Windows
//   settings      $XDG_CONFIG_HOME, else ~/.config     %APPDATA%
//   state         $XDG_STATE_HOME, else ~/.local/state %LOCALAPPDATA%
//   system-wide   $XDG_CONFIG_DIRS, else /etc/xdg      %ProgramData%
//
// A relative XDG value is ignored, as freedesktop's XDG base directory
// rules require. The folders are returned without a trailing separator and are not
// created; empty when the environment names none (no HOME, no APPDATA).
#pragma once

#include <vector>

#include "System.hpp"

namespace twsplatform {

AnsiString UserConfigBase();
AnsiString UserStateBase();
// Most important first.
std::vector<AnsiString> SystemConfigBases();

// Whether this process may create files in folder, with its effective
// rights (root may write everywhere). A missing folder is not writable.
bool FolderWritable(const AnsiString& folder);

// Whether anything is at path, a link included (it is not followed): a
// settings file that is there in any form is the one to read, or to refuse.
bool PathPresent(const AnsiString& path);

}  // namespace twsplatform

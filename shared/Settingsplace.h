// Where the cleanup settings (TWS.cfg) and the purge reports live, as the
// cleanup handler, the configuration server's clients and the windows all
// decide it from the installation folder.
//
// An installation folder the user may write to (the demo, a portable copy,
// root's own) keeps both: TWS.cfg and Reports/ beside the module. A shared
// installation the user cannot write to (a package in /usr/lib/tidewash or
// Program Files) keeps nothing of the user's: the settings are the user's
// own TWS.cfg under the user's settings folder, and the reports go to the
// user's state folder:
//
//                 Linux                              Windows
//   settings      $XDG_CONFIG_HOME/tidewash/TWS.cfg  %APPDATA%\Tidewash\TWS.cfg
//   reports       $XDG_STATE_HOME/tidewash/Reports   %LOCALAPPDATA%\Tidewash\Reports
//
// Until the user saves settings of their own, the ones read are the
// installation's TWS.cfg, else the system-wide one
// (/etc/xdg/tidewash/TWS.cfg, %ProgramData%\Tidewash\TWS.cfg), else the
// built-in defaults. A file that is there in any form is the one read: one
// that is damaged or a link is refused (TTidewashConfig::Load), never
// skipped for the next.
#pragma once

#include <vector>

#include "Configintf.h"
#include "System.hpp"

namespace tws {

enum class TDataOwner { Installation, User };

struct TSettingsPlace {
    TDataOwner Owner = TDataOwner::Installation;
    // The settings file that is saved, and read first.
    AnsiString File;
    // Read instead while File is missing, the first one present.
    std::vector<AnsiString> Defaults;
    // The folder the purge reports go to, without a trailing separator.
    AnsiString ReportsFolder;
};

// The place for an installation folder ending in a separator. Throws
// Exception when the installation is shared and the environment names no
// folder of the user's (no HOME, no APPDATA).
TSettingsPlace LocateSettings(const AnsiString& installationFolder);

// The file the settings are read from now: File when present, else the
// first present of Defaults, else File (missing: the built-in defaults).
AnsiString SettingsSource(const TSettingsPlace& place);

// Loads config from SettingsSource(place) and returns that file's name.
// Exceptions as TTidewashConfig::Load.
AnsiString LoadSettings(TTidewashConfig& config, const TSettingsPlace& place);

// Creates the folder of place.File (and its parents) so that a save can
// create the file; throws Exception naming the folder when it cannot.
void PrepareSettingsFolder(const TSettingsPlace& place);

}  // namespace tws

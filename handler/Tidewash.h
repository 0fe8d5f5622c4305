// The handler module: its lock count and where it is installed.
#pragma once

#include "System.hpp"
#include "Zelmodulelock.h"

namespace tidewash {

// Live objects and server locks keep the module loaded.
zelcom::TModuleLockCount& Module();

// The folder of the registered handler, ending in "/": TWS.cfg and the
// Reports folder live there. When the class is not registered (yet), the
// folder of this module file.
AnsiString InstallationFolder();

}  // namespace tidewash

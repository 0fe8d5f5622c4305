// DLLPathByGUID: the installation folder of a registered in-process server.
#pragma once

#include "System.hpp"
#include <windows.h>
#include "objbase.h"

namespace zelcom {

// The folder of the module registered as the class's in-process server
// (the default value of HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32), up
// to and with its last path separator, so that a file name can be appended
// directly. Empty when the class has no such registration or the
// registered name has no folder part: callers then append a bare name,
// which refers to the current folder.
AnsiString DLLPathByGUID(const GUID& clsid);

}  // namespace zelcom

// DLLPathByGUID: the installation folder of a registered in-process server;
// CreateServerObject: an object of a registered class, wherever it is served.
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

// Creates an object of the class in whichever server serves it (in
// process, local or remote) and asks it for iid. A system that refuses the
// remote context outright (E_INVALIDARG, as one without distributed COM
// does) is asked once more for an in-process or local server, so that the
// windows find their servers on every system. *object is null on failure;
// the result is CoCreateInstance's (REGDB_E_CLASSNOTREG: not registered).
HRESULT CreateServerObject(REFCLSID clsid, REFIID iid, void** object);

}  // namespace zelcom

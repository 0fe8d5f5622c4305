// Registration of an in-process server, for a module's DllRegisterServer and
// DllUnregisterServer: the class keys, the type library, and the module's
// own file name.
#pragma once

#include "System.hpp"
#include <windows.h>
#include "objbase.h"
#include "olectl.h"

namespace zelcom {

// What RegisterInprocServer writes under HKEY_CLASSES_ROOT, in this order:
//   CLSID\{Clsid}                        default: Description
//   CLSID\{Clsid}\InprocServer32         default: ModulePath, "ThreadingModel": ThreadingModel
//   <ProgID>                             default: Description
//   <ProgID>\CLSID                       default: {Clsid}
//   CLSID\{Clsid}\ProgID                 default: ProgID
//   CLSID\{Clsid}\Version                default: Version
//   CLSID\{Clsid}\Typelib                default: {Libid}
// An empty ThreadingModel, ProgID or Version, or a null Libid, leaves its
// entries out.
struct TInprocServerRegistration {
    CLSID Clsid;
    AnsiString Description;
    AnsiString ModulePath;
    AnsiString ThreadingModel;  // "Apartment", "Both", "Free"
    AnsiString ProgID;
    AnsiString Version;  // the type library's, "1.0"
    GUID Libid;
};

// The module's path as InprocServer32 holds it. A path with a blank is
// written in its short (8.3) form where the volume keeps one, since hosts
// that read the value as a command line would cut it at the blank; POSIX
// has no short names and keeps the path as it is.
AnsiString InprocServerPath(const AnsiString& modulePath);

// S_OK, or SELFREG_E_CLASS at the first entry that cannot be written (the
// entries before it stay).
HRESULT RegisterInprocServer(const TInprocServerRegistration& registration);
// Deletes CLSID\{clsid} and the ProgID key (when not empty), each with all
// its subkeys; keys already missing are no failure. S_OK, or
// SELFREG_E_CLASS when a key that exists cannot be deleted.
HRESULT UnregisterInprocServer(const CLSID& clsid, const AnsiString& progId);

// Loads the type library the module describes and registers it with the
// module's path and the module's folder as help folder; the result of
// LoadTypeLib or RegisterTypeLib.
HRESULT RegisterModuleTypeLib(const AnsiString& modulePath);
// Unregisters the type library the module describes (its version and
// locale as the module gives them).
HRESULT UnregisterModuleTypeLib(const AnsiString& modulePath);

// The full file name of the module holding address; a module passes the
// address of something of its own with internal linkage (a static
// variable), so that it finds itself. Empty when not found.
AnsiString ModuleFileName(const void* address);

}  // namespace zelcom

// The COM library on POSIX: apartments, in-process class objects and
// instances, the task allocator, GUID text, and the exports a server module
// provides.
//
// Apartments: CoInitializeEx keeps a per-thread count and model. A second
// call with the same model gives S_FALSE, with the other model
// RPC_E_CHANGED_MODE; every successful call needs its CoUninitialize.
// Creating objects on a thread that has not initialised COM gives
// CO_E_NOTINITIALIZED. No marshalling exists: every object is used directly
// from whichever thread has its pointer, whatever its threading model.
//
// Class objects: CoGetClassObject reads the default value of
// HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32 (REG_SZ or REG_EXPAND_SZ,
// taken literally) as the module's path, loads that module once per process
// and calls its DllGetClassObject. A context mask with CLSCTX_INPROC_SERVER
// is served in-process whatever other bits it holds (local and remote
// servers do not exist here); a mask without it gives REGDB_E_CLASSNOTREG,
// as for a class without an in-process server. Results:
//   REGDB_E_CLASSNOTREG   no InprocServer32 path is registered for the class
//   HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)  the module cannot be loaded
//   HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND) it has no DllGetClassObject
//   anything the module's DllGetClassObject or factory returns
// The loader's reason for the last such failure on the thread is given by
// twscom::LastModuleLoadError() (comload.h).
//
// CoFreeUnusedLibraries unloads, at once, each loaded module whose
// DllCanUnloadNow returns S_OK; a module without that export stays. The last
// CoUninitialize in the process does the same.
#pragma once

#include "basetyps.h"
#include "guiddef.h"
#include "unknwn.h"
#include "winerror.h"
#include "wtypes.h"

enum COINIT {
    COINIT_MULTITHREADED = 0x0,
    COINIT_APARTMENTTHREADED = 0x2,
    COINIT_DISABLE_OLE1DDE = 0x4,
    COINIT_SPEED_OVER_MEMORY = 0x8
};

enum CLSCTX {
    CLSCTX_INPROC_SERVER = 0x1,
    CLSCTX_INPROC_HANDLER = 0x2,
    CLSCTX_LOCAL_SERVER = 0x4,
    CLSCTX_INPROC_SERVER16 = 0x8,
    CLSCTX_REMOTE_SERVER = 0x10,
    CLSCTX_INPROC_HANDLER16 = 0x20,
    CLSCTX_NO_CODE_DOWNLOAD = 0x400,
    CLSCTX_NO_CUSTOM_MARSHAL = 0x1000,
    CLSCTX_ENABLE_CODE_DOWNLOAD = 0x2000,
    CLSCTX_NO_FAILURE_LOG = 0x4000,
    CLSCTX_DISABLE_AAA = 0x8000,
    CLSCTX_ENABLE_AAA = 0x10000,
    CLSCTX_FROM_DEFAULT_CONTEXT = 0x20000
};
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_SERVER (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | \
                    CLSCTX_REMOTE_SERVER)

// The machine to create an object on; only the local machine exists, so
// the argument is ignored.
struct COSERVERINFO {
    DWORD dwReserved1;
    LPWSTR pwszName;
    void* pAuthInfo;
    DWORD dwReserved2;
};

EXTERN_C const GUID GUID_NULL;
EXTERN_C const IID IID_NULL;
EXTERN_C const CLSID CLSID_NULL;

EXTERN_C {
HRESULT CoInitialize(LPVOID pvReserved);
HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
void CoUninitialize();

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, COSERVERINFO* pServerInfo,
                         REFIID riid, LPVOID* ppv);
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv);
void CoFreeUnusedLibraries();

// The task allocator: memory handed across a COM interface and freed by the
// receiver. CoTaskMemAlloc(0) gives a valid block; CoTaskMemRealloc(p, 0)
// frees p and gives null; freeing null does nothing.
LPVOID CoTaskMemAlloc(SIZE_T cb);
LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb);
void CoTaskMemFree(LPVOID pv);

// GUID text: the braced upper-case form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
// StringFromGUID2 writes it with its zero (39 characters) and returns 39,
// or 0 when cchMax is too small. CLSIDFromString reads the braced form in
// either case, or else takes the text as a ProgID (HKEY_CLASSES_ROOT\<ProgID>
// \CLSID); bad text gives CO_E_CLASSSTRING. IIDFromString reads only the
// braced form (E_INVALIDARG otherwise). StringFromCLSID and StringFromIID
// hand out a task-allocated copy.
int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);
HRESULT StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz);
HRESULT StringFromIID(REFIID rclsid, LPOLESTR* lplpsz);
HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid);
HRESULT IIDFromString(LPCOLESTR lpsz, LPIID lpiid);
HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid);
// A random (version 4) GUID.
HRESULT CoCreateGuid(GUID* pguid);

// The exports of an in-process server module, called through dlsym.
TWS_MODULE_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
TWS_MODULE_EXPORT HRESULT DllCanUnloadNow();
}


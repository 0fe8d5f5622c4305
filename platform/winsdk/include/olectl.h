// Result codes of connection points and of server self-registration, and
// the registration exports of a server module.
#pragma once

#include "basetyps.h"
#include "ocidl.h"
#include "winerror.h"

#define CONNECT_E_FIRST MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0200)
#define CONNECT_E_NOCONNECTION (CONNECT_E_FIRST + 0)
#define CONNECT_E_ADVISELIMIT (CONNECT_E_FIRST + 1)
#define CONNECT_E_CANNOTCONNECT (CONNECT_E_FIRST + 2)
#define CONNECT_E_OVERRIDDEN (CONNECT_E_FIRST + 3)

#define SELFREG_E_FIRST MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0200)
#define SELFREG_E_TYPELIB (SELFREG_E_FIRST + 0)
#define SELFREG_E_CLASS (SELFREG_E_FIRST + 1)

EXTERN_C {
TWS_MODULE_EXPORT HRESULT DllRegisterServer();
TWS_MODULE_EXPORT HRESULT DllUnregisterServer();
}

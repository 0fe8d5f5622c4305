// POSIX stand-in for <windows.h>: the parts of the Windows API the product
// uses. Further facilities (COM, registry, ...) add their own headers here.
#pragma once

#include "windef.h"
#include "handle.h"
#include "sysinfoapi.h"
#include "libloaderapi.h"
#include "processthreadsapi.h"
#include "winuser.h"
#if __has_include("winerror.h")
#include "winerror.h"
#endif
#if __has_include("winreg.h")
#include "winreg.h"
#endif
// Text conversions and, unless the lean form is asked for, COM and OLE
// automation, as the SDK's windows.h brings them in.
#include "winnls.h"
#include "stringapiset.h"
#ifndef WIN32_LEAN_AND_MEAN
#include "ole2.h"
#endif

// The SDK's disk-cleanup interfaces, with the IIDs that the COM headers
// every platform shares look up by type (TwsInterfaceIid, complatform.h):
// mingw-w64's emptyvc.h attaches none to these interfaces.
#pragma once

#include <windows.h>
#include_next <emptyvc.h>

#include <complatform.h>

TWS_INTERFACE_IID(IEmptyVolumeCacheCallBack, IID_IEmptyVolumeCacheCallBack);
TWS_INTERFACE_IID(IEmptyVolumeCache, IID_IEmptyVolumeCache);
TWS_INTERFACE_IID(IEmptyVolumeCache2, IID_IEmptyVolumeCache2);

// What the COM headers every platform shares need from the platform:
// TwsInterfaceIid<I> and TWS_INTERFACE_IID (an interface's IID by its type)
// and TWS_MODULE_EXPORT (a server module's exports). On POSIX the SDK
// stand-in's unknwn.h and basetyps.h define them.
#pragma once

#include "unknwn.h"

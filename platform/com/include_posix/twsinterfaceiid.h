// TwsInterfaceIid<I> and TWS_INTERFACE_IID: on POSIX the SDK stand-in's
// unknwn.h names every interface's IID.
#pragma once

#include "unknwn.h"

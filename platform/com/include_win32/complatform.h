// What the COM headers every platform shares need from the platform, on
// Windows: TwsInterfaceIid<I>, the IID of an interface type (the SDK
// attaches one to each of its interfaces, __uuidof; an interface of ours
// names its own with TWS_INTERFACE_IID), and TWS_MODULE_EXPORT.
#pragma once

#include <windows.h>
#include <unknwn.h>

template <typename I>
struct TwsInterfaceIid {
    static const IID& Get() { return __uuidof(I); }
};

#define TWS_INTERFACE_IID(I, iid)               \
    template <>                                 \
    struct TwsInterfaceIid<I> {                 \
        static const IID& Get() { return iid; } \
    }

#define TWS_MODULE_EXPORT __declspec(dllexport)

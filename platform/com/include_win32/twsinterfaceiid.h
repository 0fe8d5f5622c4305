// TwsInterfaceIid<I>: the IID of an interface type. On Windows the SDK
// attaches the IID to each of its interfaces (__uuidof); an interface of
// ours names its IID with TWS_INTERFACE_IID, as on POSIX.
#pragma once

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

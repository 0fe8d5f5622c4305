// The identifiers and the type library description of the cleanup handler.
#define INITGUID
#include "Tidewash_tlb.h"

#include <typelibdesc.h>

namespace tidewash {

namespace {

const TWS_TYPELIB_MEMBER kCtrlMembers[] = {
    {1, "GetSelectionStats", nullptr},
    {2, "IsVolumeExcluded", nullptr},
};

const TWS_TYPELIB_INTERFACE kInterfaces[] = {
    {{&IID_ITidewashCtrl, "ITidewashCtrl", "Interface for TidewashCtrl Object"}, 1, 0, TKIND_INTERFACE,
     TYPEFLAG_FOLEAUTOMATION, kCtrlMembers},
};

const TWS_TYPELIB_IMPLTYPE kCtrlImplements[] = {
    {&IID_ITidewashCtrl, IMPLTYPEFLAG_FDEFAULT},
};

const TWS_TYPELIB_COCLASS kCoclasses[] = {
    {{&CLSID_TidewashCtrl, "TidewashCtrl", "Tidewash cleaner for temporary IDE files"}, TYPEFLAG_FCANCREATE,
     kCtrlImplements},
};

const TWS_TYPELIB kLibrary = {
    {&LIBID_Tidewash, "Tidewash", "Tidewash Library"}, 1, 0, 0x409, 0, kInterfaces, kCoclasses,
};

}  // namespace

const TWS_TYPELIB& TidewashTypeLibrary() { return kLibrary; }

}  // namespace tidewash

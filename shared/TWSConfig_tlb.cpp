// The identifiers and the type library description of the configuration
// server: member ids and help strings of its interfaces, and its classes.
#define INITGUID
#include "TWSConfig_tlb.h"

#include <typelibdesc.h>

namespace twsconfig {

namespace {

const TWS_TYPELIB_MEMBER kConfigMembers[] = {
    {1, "Initialize", "Initialize the configuration structure"},
    {2, "Load", "Load configuration data for the current user"},
    {3, "GetExcludedFolders", "Get the folders excluded for a given file mask"},
    {4, "GetActiveMasks", "Get all active file masks"},
    {5, "GetDeleteHiddenFiles", "Indicates if hidden files are deleted"},
    {6, "GetDeleteReadOnlyFiles", "Indicates if read-only files are deleted"},
    {7, "GetExcludedVolumes", "Get the volumes excluded from processing"},
    {8, "SetExcludedFolders", "Set the folders excluded for a given file mask"},
    {9, "DeleteActiveMask", nullptr},
    {10, "SetDeleteHiddenFiles", "Indicates if hidden files are deleted"},
    {11, "SetDeleteReadOnlyFiles", "Indicates if read-only files are deleted"},
    {12, "SetExcludedVolumes", nullptr},
    {13, "SetActiveMasks", nullptr},
    {14, "Save", nullptr},
    {15, "GetUseRecycleBin", nullptr},
    {16, "SetUseRecycleBin", nullptr},
};

// In slot order; the member ids are not in sequence.
const TWS_TYPELIB_MEMBER kStringsMembers[] = {
    {1, "Add", "Add a string to the collection"},
    {2, "Delete", "Delete a string from the collection"},
    {3, "SetStringsSDF", "Set multiple strings using SDF format"},
    {4, "Clear", "Clear the string collection"},
    {5, "Count", "Get the number of strings in the collection"},
    {8, "GetItem", "Get a string item from the collection by index"},
    {6, "GetAsCommaText", nullptr},
};

const TWS_TYPELIB_INTERFACE kInterfaces[] = {
    {{&IID_ITidewashConfig, "ITidewashConfig", "Interface for TidewashConfig Object"}, 1, 19, TKIND_INTERFACE,
     TYPEFLAG_FOLEAUTOMATION, kConfigMembers},
    {{&DIID_ITidewashConfigEvents, "ITidewashConfigEvents", "Events interface for TidewashConfig Object"}, 1, 7,
     TKIND_DISPATCH, TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE, {}},
    {{&IID_IConfigStrings, "IConfigStrings", "Interface for ConfigStrings Object"}, 1, 10, TKIND_INTERFACE,
     TYPEFLAG_FOLEAUTOMATION, kStringsMembers},
};

const TWS_TYPELIB_IMPLTYPE kConfigImplements[] = {
    {&IID_ITidewashConfig, IMPLTYPEFLAG_FDEFAULT},
    {&DIID_ITidewashConfigEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE},
};

const TWS_TYPELIB_IMPLTYPE kStringsImplements[] = {
    {&IID_IConfigStrings, IMPLTYPEFLAG_FDEFAULT},
};

const TWS_TYPELIB_COCLASS kCoclasses[] = {
    {{&CLSID_TidewashConfig, "TidewashConfig", "TidewashConfig"}, TYPEFLAG_FCANCREATE, kConfigImplements},
    {{&CLSID_ConfigStrings, "ConfigStrings", "ConfigStrings"}, TYPEFLAG_FCANCREATE, kStringsImplements},
};

const TWS_TYPELIB kLibrary = {
    {&LIBID_TWSConfig, "TWSConfig", "TWSConfig Library"}, 1, 0, 0x409, 0, kInterfaces, kCoclasses,
};

}  // namespace

const TWS_TYPELIB& TWSConfigTypeLibrary() { return kLibrary; }

}  // namespace twsconfig

// The configuration server module: its lock count, the ProgIDs of its two
// classes, and the failures their methods report without error information.
#pragma once

#include "System.hpp"
#include "Zelmodulelock.h"
#include <windows.h>
#include "oleauto.h"

namespace twsconfig {

inline constexpr const char* ProgIDTidewashConfig = "TWSConfig.TidewashConfig";
inline constexpr const char* ProgIDConfigStrings = "TWSConfig.ConfigStrings";

// Live objects and server locks keep the module loaded.
zelcom::TModuleLockCount& Module();

// A failure the method reports without error information (E_INVALIDARG for
// a null argument, E_OUTOFMEMORY): the thread's error information is
// cleared, so that a client asking for it after this failure does not read
// the description of an earlier one. Returns result.
HRESULT Failure(HRESULT result);
inline HRESULT InvalidArgument() { return Failure(E_INVALIDARG); }

}  // namespace twsconfig

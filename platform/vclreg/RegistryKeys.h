// What both registry classes need around the Win32 registry functions:
// exceptions from results, and the names below an open key.
#pragma once

#include "Registry.hpp"

namespace vclreg {

// Results that say the registry itself failed (a damaged or unreadable
// file, no memory), as opposed to a key or value that is missing or not
// accessible.
bool IsRegistryFailure(LONG rc);

// Raises ERegistryException: what + ": " + the reason for rc.
[[noreturn]] void Raise(const AnsiString& what, LONG rc);

// Raises for a registry failure; returns otherwise.
void CheckRegistry(LONG rc, const AnsiString& what);

enum class NameKind { SubKeys, Values };

// Fills names (cleared first) with the subkey or value names of an open
// key, in the registry's order. Returns the failing result, or
// ERROR_SUCCESS.
LONG EnumerateNames(HKEY key, NameKind kind, TStrings* names);

}  // namespace vclreg

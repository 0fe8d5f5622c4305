// Modules and their resources on POSIX: a module is a shared object and its
// HMODULE the handle the dynamic loader gives it.
//
// A module's string table is written as a resource script (STRINGTABLE in
// an .rc file); on POSIX the build turns it into data of the module (see
// cmake/StringTable.cmake) that LoadStringA reads.
#pragma once

#include "windef.h"

using HMODULE = void*;
using HINSTANCE = void*;
using FARPROC = void (*)();

#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x1
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x2
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x4

extern "C" {
HMODULE LoadLibraryA(LPCSTR fileName);
BOOL FreeLibrary(HMODULE module);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
// With GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, name is an address inside
// the module wanted; that is the form a module uses to find itself.
BOOL GetModuleHandleExA(DWORD flags, LPCSTR name, HMODULE* module);
// The module's full path; for a null module, the program's.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
// Copies string resource id of the module into buffer (cut to size - 1
// characters and zero-terminated); returns the length copied, 0 when the
// module has no such string.
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size);
}

namespace winsdk {
// The text the dynamic loader gave for the last failure of LoadLibraryA on
// this thread (for messages that name the reason).
const char* LastLoadError();
}  // namespace winsdk

// Open registry keys: what an HKEY names (a root and a key path, with the
// access it was opened for), and the text of the calling thread's last
// registry failure.
//
// An HKEY is either a predefined root or a handle made here. A handle holds
// no file and no cached tree: every call through it reads the registry
// afresh, so a handle sees the changes of other handles and processes, and
// a key deleted meanwhile gives ERROR_KEY_DELETED. Unknown or closed
// handles are recognised without being dereferenced.
#pragma once

#include <string>

#include "RegistryStore.h"
#include "winreg.h"

namespace twsregistry {

struct KeyRef {
    Root root = Root::CurrentUser;
    KeyPath path;  // as stored, below the root
    REGSAM access = 0;
};

// The predefined root a handle value stands for; false for other values.
bool PredefinedRoot(HKEY key, Root& root);
HKEY PredefinedKey(Root root);

// ERROR_SUCCESS and the key a handle names, or ERROR_INVALID_HANDLE.
LONG ResolveKey(HKEY key, KeyRef& ref);
HKEY NewKeyHandle(const KeyRef& ref);
// ERROR_SUCCESS, or ERROR_INVALID_HANDLE for a handle not open here.
LONG CloseKeyHandle(HKEY key);

void SetLastErrorText(std::string text);
const std::string& LastErrorTextRef();

// A change the registry's files refused (damaged, unreadable or unwritable
// file, read-only root), kept for the whole process until taken (see
// TakeFileFailures).
void RecordFileFailure(std::string text);

}  // namespace twsregistry

// The registry files: where they are, reading a root, and changing a root
// safely while other processes do the same.
//
// Each root is one file in the prefix folder (HKEY_CLASSES_ROOT.reg,
// HKEY_CURRENT_USER.reg, HKEY_LOCAL_MACHINE.reg; format in RegistryText.h).
// A change takes the exclusive lock on the file ".lock" in the prefix,
// reads the file afresh, applies the change, writes the new text to a
// temporary file, flushes it, renames it over the old file and only then
// releases the lock: changes from several processes never overwrite each
// other, and a writer killed at any moment leaves the old or the new file.
// A temporary file such a writer leaves behind is removed by the next
// change. Reads take no lock: the rename makes every file they see whole.
//
// A file that does not read as a registry file is never rewritten: every
// read and change of its root fails with ERROR_BADDB and a message naming
// the file and the line, printed once to stderr.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "RegistryTree.h"
#include "windef.h"

namespace twsregistry {

enum class Root { ClassesRoot, CurrentUser, LocalMachine };
const char* RootName(Root root);  // "HKEY_CURRENT_USER"

// A failure of the store: an ERROR_* code and a message naming the file.
class RegStoreError : public std::runtime_error {
public:
    RegStoreError(LONG code, const std::string& message)
        : std::runtime_error(message), FCode(code) {}
    LONG Code() const { return FCode; }

private:
    LONG FCode;
};

// The prefix folder: $TIDEWASH_REGISTRY when set and not empty, otherwise
// $XDG_DATA_HOME/tidewash/registry, with XDG_DATA_HOME defaulting to
// ~/.local/share. Read afresh on every call.
std::string RegistryPrefix();
std::string RootFilePath(Root root);

// The system-wide registry, where a package registers its servers once for
// every user (written by root, read by everyone): $TIDEWASH_SYSTEM_REGISTRY
// when set and not empty, else /var/lib/tidewash/registry. It is read
// beneath HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE of the prefix above (the
// user's keys and values win, so a developer's registration overrides the
// package's); HKEY_CURRENT_USER is the user's alone. A TIDEWASH_REGISTRY of
// its own (a demo, a test) is a whole registry: the system's is read with it
// only when TIDEWASH_SYSTEM_REGISTRY names it. Empty when no system registry
// is read. Changes always go to the prefix above.
std::string SystemRegistryPrefix();
// The system registry's folder whether read or not: $TIDEWASH_SYSTEM_REGISTRY,
// else /var/lib/tidewash/registry.
std::string SystemRegistryFolder();

// The root as its file holds it now (empty when there is no file), with
// the system registry's root beneath it (see SystemRegistryPrefix). A
// system root file, or its folder, that is not a regular file or folder of
// root's (or this user's) that nobody else may write is refused: anyone
// who could write it could choose the module every user loads. Raises
// RegStoreError.
std::shared_ptr<const RegKey> ReadRoot(Root root);

enum class Change { None, Made };

// Runs change on the current tree of the root under the exclusive lock.
// When it returns ERROR_SUCCESS and sets Change::Made, the file is replaced
// before ModifyRoot returns; otherwise nothing is written. Returns the
// change's result. Raises RegStoreError.
LONG ModifyRoot(Root root, const std::function<LONG(RegKey& tree, Change& change)>& change);

// False when the root's file exists and its owner has no write permission:
// the root is then read-only, for every user.
bool RootWritable(Root root);

}  // namespace twsregistry

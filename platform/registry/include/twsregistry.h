// What the registry on POSIX offers beyond the Win32 functions of winreg.h:
// where it lives, its root names, and the text of its failures.
//
// The registry is a folder of text files, one per root (see RegistryStore.h
// for the folder and the locking, RegistryText.h for the file format).
#pragma once

#include <string>
#include <vector>

#include "RegistryErrorText.h"
#include "winreg.h"

namespace twsregistry {

// The folder holding the registry files: $TIDEWASH_REGISTRY, or by default
// $XDG_DATA_HOME/tidewash/registry (XDG_DATA_HOME defaults to ~/.local/share).
std::string Prefix();
// The system-wide registry a package registers in for every user, read
// beneath the user's HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE:
// $TIDEWASH_SYSTEM_REGISTRY, by default /var/lib/tidewash/registry (see
// RegistryStore.h for when it is read).
std::string SystemPrefix();

// "HKEY_CURRENT_USER" for a predefined root, null for any other handle.
const char* RootKeyName(HKEY key);
// The predefined root of a full name ("HKEY_LOCAL_MACHINE") or its short form
// ("HKLM"), ignoring case; null when the name is neither.
HKEY RootKeyFromName(const std::string& name);
// The file that holds a predefined root; empty for any other handle.
std::string RootKeyFileName(HKEY key);

// The message of the calling thread's last failing registry function (for a
// damaged file it names the file and the line); empty after a success.
std::string LastErrorText();
// The messages of every change the registry's files refused in this process
// (on any thread) since the last call: a damaged, unreadable or unwritable
// file, or a read-only root. A program running another module's
// registration names each key that could not be written with these. Keys
// or values that merely do not exist are not failures of the files.
std::vector<std::string> TakeFileFailures();

// ErrorText (RegistryErrorText.h): a sentence for an ERROR_* code; for the
// last failure of this thread its message when there is one.

}  // namespace twsregistry

// The sentence for a registry function's ERROR_* result: what the VCL
// registry classes put into their exceptions. On POSIX, for a failure of
// the registry's files, the message names the file; on Windows it is the
// system's own message.
#pragma once

#include <string>
#include <windows.h>

namespace twsregistry {
std::string ErrorText(LONG code);
}  // namespace twsregistry

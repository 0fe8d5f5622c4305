// Where a test's registry lives while it runs. On POSIX a folder of its own
// (TIDEWASH_REGISTRY); on Windows a key of its own under the real
// HKEY_CURRENT_USER, which the predefined roots are redirected to
// (RegOverridePredefKey) until the test ends, and which is then deleted.
#pragma once

#include <filesystem>

namespace twsregistrytesting {
void UseScratchRegistry(const std::filesystem::path& folder);
void ReleaseScratchRegistry();
}  // namespace twsregistrytesting

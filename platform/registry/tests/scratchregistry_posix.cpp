#include "ScratchRegistry.h"

#include <cstdlib>

namespace twsregistrytesting {

void UseScratchRegistry(const std::filesystem::path& folder) { ::setenv("TIDEWASH_REGISTRY", folder.c_str(), 1); }

// The folder goes with the test's temporary folder.
void ReleaseScratchRegistry() {}

}  // namespace twsregistrytesting

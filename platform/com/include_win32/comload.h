// Why COM could not load a server module. On Windows the system's COM
// loads the modules and says nothing beyond the HRESULT, which the caller
// already has: there is no more to tell.
#pragma once

namespace twscom {
inline const char* LastModuleLoadError() { return ""; }
}  // namespace twscom

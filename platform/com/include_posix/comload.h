// Why the COM runtime could not load a server module: the POSIX extra that
// lets tools name the reason behind a failed CoGetClassObject or
// CoCreateInstance.
#pragma once

namespace twscom {
// The dynamic loader's text for the last module this thread failed to load
// or to find DllGetClassObject in ("" when none failed yet).
const char* LastModuleLoadError();
}  // namespace twscom

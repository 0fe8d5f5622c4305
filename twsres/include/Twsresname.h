// The file name of the resource library TWSRES on this platform (set by the
// build from the platform's module suffix: TWSRES.so, TWSRES.dll). Callers
// append it to the installation folder, DLLPathByGUID(CLSID_TidewashCtrl).
#pragma once

inline constexpr const char* kResourceLibraryName = TWSRES_FILE_NAME;
// The icon of the resource library that stands for the handler class.
inline constexpr int kDefaultIconIndex = 1;

// Where the cleanup handler finds the factory of its review window
// (Reviewwindow.h). The build picks one of two sources: in
// Reviewloader_linked.cpp the view is linked into the handler and the
// factory is simply there; in Reviewloader_loaded.cpp the view is a module
// of its own beside the handler, loaded only when a window is wanted, so
// that a process that loads the handler to scan never maps the toolkit.
#pragma once

#include <windows.h>

#include "Reviewwindow.h"
#include "System.hpp"

namespace tidewash {

// The factory of the view that belongs to the handler installed in
// installationFolder (an absolute folder ending in a separator; the view's
// module is looked for there alone, never along a search path). S_OK with
// factory set; otherwise factory is null and the result says why:
//   HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)   the module is missing, cannot
//                                             be loaded, or the folder is
//                                             not absolute
//   HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND)  it has no factory
// A module once found stays loaded for the rest of the process: windows it
// made, and its toolkit's application object, must outlive every caller.
HRESULT FindReviewWindowFactory(const AnsiString& installationFolder, TReviewWindowFactory& factory);

}  // namespace tidewash

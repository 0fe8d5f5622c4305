// Bringing one of the program's windows to the front.
#pragma once

namespace zelutils {

// window is the program's TWinControl (a QWidget). A minimised window is
// shown again; then the window is raised and activated. True when it is the
// active window afterwards (the application is then restored as well);
// false for a null window or when the desktop refused.
bool ForceWindowToFront(const void* window);

}  // namespace zelutils

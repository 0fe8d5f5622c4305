#include "Zelforms.h"

#include "Forms.hpp"

namespace zelutils {

bool ForceWindowToFront(const void* window)
{
    if (window == nullptr)
        return false;
    auto* widget = const_cast<TWinControl*>(static_cast<const TWinControl*>(window));
    if (widget->isMinimized())
        widget->showNormal();
    if (widget->isActiveWindow())
        return true;
    // Qt asks the desktop on our behalf; a desktop that guards the focus
    // may still refuse, which the result tells.
    widget->raise();
    widget->activateWindow();
    Application->ProcessMessages();
    const bool front = widget->isActiveWindow();
    if (front)
        Application->Restore();
    return front;
}

}  // namespace zelutils

// Hiding the taskbar's Start button, where the desktop has one.
#pragma once

#include <windows.h>

namespace zelutils {

class THideStart {
public:
    // Finds the Start button (once for the whole program); raises "Unable
    // to locate Windows Start button" where there is none, as on every
    // POSIX desktop.
    THideStart();
    bool GetVisible() const;
    void SetVisible(bool visible);

private:
    static HWND FStartButtonHandle;
};

// Puts the button's visibility back as it was when the guard was made.
class THideStartGuard {
public:
    THideStartGuard();
    ~THideStartGuard();
    THideStartGuard(const THideStartGuard&) = delete;
    THideStartGuard& operator=(const THideStartGuard&) = delete;

private:
    THideStart FHideStart;
    bool FVisible;
};

void HideStartButton();
void ShowStartButton();

}  // namespace zelutils

#include "Zelhidestart.h"

#include <cstring>

#include "System.hpp"

namespace zelutils {

HWND THideStart::FStartButtonHandle = nullptr;

THideStart::THideStart()
{
    if (FStartButtonHandle != nullptr)
        return;
    HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
    HWND child = nullptr;
    while (tray != nullptr && (child = FindWindowExA(tray, child, nullptr, nullptr)) != nullptr) {
        char className[64];
        GetClassNameA(child, className, sizeof className);
        if (std::strncmp(className, "Button", 6) == 0) {
            FStartButtonHandle = child;
            return;
        }
    }
    throw Exception("Unable to locate Windows Start button");
}

bool THideStart::GetVisible() const { return IsWindowVisible(FStartButtonHandle) != FALSE; }

void THideStart::SetVisible(bool visible) { ShowWindow(FStartButtonHandle, visible ? SW_SHOW : SW_HIDE); }

THideStartGuard::THideStartGuard() : FVisible(FHideStart.GetVisible()) {}

THideStartGuard::~THideStartGuard() { FHideStart.SetVisible(FVisible); }

void HideStartButton() { THideStart().SetVisible(false); }

void ShowStartButton() { THideStart().SetVisible(true); }

}  // namespace zelutils

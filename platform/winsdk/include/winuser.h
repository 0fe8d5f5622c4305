// Windows of other programs. A POSIX desktop gives a program no way to find
// or show another program's windows (and has no taskbar window with a Start
// button), so on POSIX every lookup finds nothing and the calls on a window
// fail; the program's own windows are Qt widgets and are handled through Qt.
#pragma once

#include "windef.h"

using HWND = void*;

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5
#define SW_SHOWDEFAULT 10

extern "C" {
HWND FindWindowA(LPCSTR className, LPCSTR windowName);
HWND FindWindowExA(HWND parent, HWND childAfter, LPCSTR className, LPCSTR windowName);
int GetClassNameA(HWND window, LPSTR className, int size);
BOOL IsWindowVisible(HWND window);
BOOL ShowWindow(HWND window, int command);
}

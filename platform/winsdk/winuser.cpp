// Other programs' windows: none can be found (see winuser.h).
#include "winuser.h"

extern "C" {
HWND FindWindowA(LPCSTR, LPCSTR) { return nullptr; }
HWND FindWindowExA(HWND, HWND, LPCSTR, LPCSTR) { return nullptr; }
int GetClassNameA(HWND, LPSTR className, int size)
{
    if (className != nullptr && size > 0)
        className[0] = 0;
    return 0;
}
BOOL IsWindowVisible(HWND) { return FALSE; }
BOOL ShowWindow(HWND, int) { return FALSE; }
}

// What every windowed program does around its window on Windows: COM in a
// single-threaded apartment for the whole run, the thread's message loop
// with the window's own keys first, and a message box for an error that
// escapes, since such a program has no console to report it on.
#pragma once

#include <windows.h>

#include <objbase.h>

#include <exception>

#include "Zelcomstrings.h"

namespace zelgui {

// A program's main window made from a dialog template: not copied, its
// handle, and its keys taken before the message loop dispatches. The
// derived window sets FWindow and FAccelerators and frees them.
class TProgramWindow {
public:
    TProgramWindow(const TProgramWindow&) = delete;
    TProgramWindow& operator=(const TProgramWindow&) = delete;

    HWND Handle() const { return FWindow; }
    // Handles the message when it is a key of the window (an accelerator,
    // then the dialog's own navigation); true when taken.
    bool PreTranslate(MSG& message)
    {
        if (FWindow == nullptr)
            return false;
        if (FAccelerators != nullptr && TranslateAcceleratorW(FWindow, FAccelerators, &message))
            return true;
        return IsDialogMessageW(FWindow, &message) != FALSE;
    }

protected:
    TProgramWindow() = default;
    ~TProgramWindow() = default;

    // The dialog procedure to create the window with, its creation
    // parameter this window (DialogParam): on WM_INITDIALOG it sets FWindow
    // and calls Initialise, then it hands every message to Handle.
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(window, DWLP_USER, lParam);
            auto* self = reinterpret_cast<TProgramWindow*>(lParam);
            self->FWindow = window;
            self->Initialise();
            return TRUE;
        }
        auto* self = reinterpret_cast<TProgramWindow*>(GetWindowLongPtrW(window, DWLP_USER));
        return self == nullptr ? FALSE : self->Handle(message, wParam, lParam);
    }
    LPARAM DialogParam() { return reinterpret_cast<LPARAM>(this); }

    virtual void Initialise() = 0;
    virtual INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    HWND FWindow = nullptr;
    HACCEL FAccelerators = nullptr;
};

// Dispatches the thread's messages until WM_QUIT. Each message goes to
// `window.PreTranslate(message)` first (dialog navigation, accelerators),
// which returns true when it took the message.
template <class Window>
int RunMessageLoop(Window& window)
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.PreTranslate(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

// Runs `run()` with COM initialised on this thread and returns its result;
// 1 when COM cannot be initialised or run throws, after showing the error
// in a box captioned `title`.
template <class Run>
int RunWindowedProgram(const wchar_t* title, Run run)
{
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    int result = 1;
    try {
        result = run();
    } catch (const std::exception& error) {
        MessageBoxW(nullptr, zelcom::AnsiToWide(error.what()).c_str(), title, MB_OK | MB_ICONERROR);
    }
    CoUninitialize();
    return result;
}

}  // namespace zelgui

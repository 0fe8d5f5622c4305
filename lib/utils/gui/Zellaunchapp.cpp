#include "Zellaunchapp.h"

#include <vector>
#include <windows.h>

#include "SysUtils.hpp"

namespace zelutils {

namespace {

AnsiString CurrentDirectory()
{
    const DWORD size = GetCurrentDirectoryA(0, nullptr);
    std::vector<char> buffer(size + 1);
    const DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    return AnsiString(buffer.data(), length);
}

// Puts the remembered current directory back when the launch is done,
// however it ends.
class TCurrentDirectoryRestorer {
public:
    explicit TCurrentDirectoryRestorer(bool active) : FActive(active), FSaved(active ? CurrentDirectory() : "") {}
    ~TCurrentDirectoryRestorer()
    {
        if (FActive)
            SetCurrentDirectoryA(FSaved.c_str());
    }
    TCurrentDirectoryRestorer(const TCurrentDirectoryRestorer&) = delete;
    TCurrentDirectoryRestorer& operator=(const TCurrentDirectoryRestorer&) = delete;

private:
    bool FActive;
    AnsiString FSaved;
};

}  // namespace

bool LaunchApplication(const AnsiString& directory, const AnsiString& commandLine, const AnsiString& desktop,
                       TLaunchWait wait, TWinControl* control, unsigned long* exitCode)
{
    AnsiString desktopName = desktop.empty() ? AnsiString("Default") : desktop;
    if (exitCode != nullptr)
        *exitCode = 0;
    TCurrentDirectoryRestorer restorer(!directory.empty());
    if (!directory.empty() && (!DirectoryExists(directory) || !SetCurrentDirectoryA(directory.c_str())))
        throw Exception("Unable to change current directory");

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.lpDesktop = desktopName.data();
    PROCESS_INFORMATION process{};
    AnsiString line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process))
        return false;

    if (wait == TLaunchWait::UntilExit) {
        DWORD waited;
        do {
            waited = WaitForSingleObject(process.hProcess, 150);
            if (control != nullptr)
                control->repaint();
            Sleep(1);
        } while (waited == WAIT_TIMEOUT);
        DWORD code = 0;
        // The process has ended: its exit code is final at once here, so
        // this reads it once (STILL_ACTIVE only for a failed wait).
        while (GetExitCodeProcess(process.hProcess, &code) && code == STILL_ACTIVE &&
               WaitForSingleObject(process.hProcess, 1) != WAIT_FAILED)
            ;
        if (exitCode != nullptr)
            *exitCode = code;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace zelutils

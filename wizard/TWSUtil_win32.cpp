// TWSUtil.exe: the scan-and-purge wizard on Windows, over the cleanup
// handler registered on this machine.
#include <windows.h>

#include <objbase.h>

#include "Classes.hpp"
#include "Main_win32.h"
#include "Twshelpers.h"
#include "Zelcomstrings.h"

using namespace twswizard;

namespace {

std::vector<TVolume> FixedVolumes()
{
    TStringList listed;
    ListFixedVolumes(&listed);
    std::vector<TVolume> volumes;
    for (int i = 0; i < listed.Count(); ++i)
        volumes.push_back({listed.Names(i), listed.ValueFromIndex(i)});
    return volumes;
}

int Run(int showCommand)
{
    TWizardWindow window(FixedVolumes(), TOnClose::QuitMessageLoop);
    window.Show(showCommand);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.PreTranslate(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand)
{
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    int result = 1;
    try {
        result = Run(showCommand);
    } catch (const std::exception& error) {
        MessageBoxW(nullptr, zelcom::AnsiToWide(error.what()).c_str(), L"TWS Utility", MB_OK | MB_ICONERROR);
    }
    CoUninitialize();
    return result;
}

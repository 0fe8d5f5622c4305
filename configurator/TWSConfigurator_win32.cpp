// TWSConfigurator.exe: the settings editor on Windows. The settings are the
// registered handler's installation's (or the user's own when that
// installation is shared), the wizard is looked for beside this program.
#include <windows.h>

#include <objbase.h>

#include "Classes.hpp"
#include "Main_win32.h"
#include "Settingsplace.h"
#include "Tidewash_tlb.h"
#include "Twshelpers.h"
#include "Zelcomstrings.h"
#include "Zelcomutils.h"

using namespace twsconfigurator;

namespace {

AnsiString ProgramFolder()
{
    wchar_t path[32768] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    AnsiString folder = zelcom::WideToAnsi(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

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
    TConfiguratorWindow window(tws::LocateSettings(zelcom::DLLPathByGUID(CLSID_TidewashCtrl)), FixedVolumes(),
                               ProgramFolder(), TOnClose::QuitMessageLoop);
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
        MessageBoxW(nullptr, zelcom::AnsiToWide(error.what()).c_str(), L"TWS Configurator", MB_OK | MB_ICONERROR);
    }
    CoUninitialize();
    return result;
}

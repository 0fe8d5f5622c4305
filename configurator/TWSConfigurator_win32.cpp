// TWSConfigurator.exe: the settings editor on Windows. The settings are the
// registered handler's installation's (or the user's own when that
// installation is shared), the wizard is looked for beside this program.
#include <windows.h>

#include "Classes.hpp"
#include "Main_win32.h"
#include "Settingsplace.h"
#include "Tidewash_tlb.h"
#include "Twshelpers.h"
#include "Zelcomstrings.h"
#include "Zelwinprogram_win32.h"
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

int Run(int showCommand)
{
    TConfiguratorWindow window(tws::LocateSettings(zelcom::DLLPathByGUID(CLSID_TidewashCtrl)), FixedVolumes<TVolume>(),
                               ProgramFolder(), TOnClose::QuitMessageLoop);
    window.Show(showCommand);
    return zelgui::RunMessageLoop(window);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand)
{
    return zelgui::RunWindowedProgram(L"TWS Configurator", [&] { return Run(showCommand); });
}

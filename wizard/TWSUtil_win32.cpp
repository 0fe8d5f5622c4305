// TWSUtil.exe: the scan-and-purge wizard on Windows, over the cleanup
// handler registered on this machine.
#include <windows.h>

#include "Classes.hpp"
#include "Main_win32.h"
#include "Twshelpers.h"
#include "Zelcomstrings.h"
#include "Zelwinprogram_win32.h"

using namespace twswizard;

namespace {

int Run(int showCommand)
{
    TWizardWindow window(FixedVolumes<TVolume>(), TOnClose::QuitMessageLoop);
    window.Show(showCommand);
    return zelgui::RunMessageLoop(window);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand)
{
    return zelgui::RunWindowedProgram(L"TWS Utility", [&] { return Run(showCommand); });
}

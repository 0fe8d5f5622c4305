// TWSConfigurator: the settings editor of the cleanup.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstring>
#include <exception>

#include <objbase.h>

#include "Forms.hpp"
#include "Main.h"
#include "Programinfo.h"

int main(int argc, char* argv[])
{
    // Answered before any window or display is needed.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s\n", VersionLine(TProgram::Configurator).c_str());
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("TWS Configurator");
    QApplication::setDesktopFileName("tws-configurator");
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int code = 1;
    try {
        twsconfigurator::TfrmMain frmMain(twsconfigurator::TConfiguratorSetup::Installed());
        Application->MainForm = &frmMain;
        frmMain.show();
        code = QApplication::exec();
        Application->MainForm = nullptr;
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, "TWS Configurator", QString::fromStdString(error.what()));
    }
    CoUninitialize();
    return code;
}

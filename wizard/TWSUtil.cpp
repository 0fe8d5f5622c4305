// TWSUtil: the scan-and-purge wizard, for a desktop without a disk-cleanup
// host.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "Forms.hpp"
#include "Main.h"
#include "Programinfo.h"

int main(int argc, char** argv)
{
    // Answered before any window or display is needed.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s\n", VersionLine(TProgram::Wizard).c_str());
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("TWS Utility");
    QApplication::setDesktopFileName("twsutil");
    TfrmMain frmMain;
    Application->MainForm = &frmMain;
    frmMain.show();
    const int code = app.exec();
    Application->MainForm = nullptr;
    return code;
}

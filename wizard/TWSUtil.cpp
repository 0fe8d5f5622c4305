// TWSUtil: the scan-and-purge wizard, for a desktop without a disk-cleanup
// host.
#include <QApplication>

#include "Forms.hpp"
#include "Main.h"

int main(int argc, char** argv)
{
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

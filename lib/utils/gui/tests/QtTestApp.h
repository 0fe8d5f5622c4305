// The application object the Qt-backed tests need, on the offscreen
// platform so that no display is required.
#pragma once

#include <QApplication>
#include <cstdlib>

inline QApplication& TestApplication()
{
    static int argc = 1;
    static char name[] = "zelkitutilsgui_test";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Never destroyed: Qt's own statics may be gone by the time a static
    // application object would be.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

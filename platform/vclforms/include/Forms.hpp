// The application object: the program's message queue and its main form.
// The program creates its QApplication first and names its main window in
// MainForm.
#pragma once

#include "Controls.hpp"

class TApplication {
public:
    // The program's main window, or null before it has one.
    TWinControl* MainForm = nullptr;

    // Serves the events waiting in the queue, then returns.
    void ProcessMessages();
    // Shows the main form again if it is minimised.
    void Restore();
};

extern TApplication* Application;

#include "Forms.hpp"

#include <QCoreApplication>

namespace {
TApplication application;
}

TApplication* Application = &application;

void TApplication::ProcessMessages()
{
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::processEvents();
}

void TApplication::Restore()
{
    if (MainForm != nullptr && MainForm->isMinimized())
        MainForm->showNormal();
}

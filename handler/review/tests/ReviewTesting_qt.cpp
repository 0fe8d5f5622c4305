#include "ReviewTesting.h"

#include <QApplication>

namespace reviewtest {

void EnsureOffscreenApplication()
{
    if (QApplication::instance() != nullptr)
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "review_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own statics may already be gone.
    static QApplication* application = new QApplication(argc, argv);
    (void)application;
}

}  // namespace reviewtest

#include "Zelsingleinstance.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "Forms.hpp"
#include "QtTestApp.h"
#include "System.hpp"
#include "Zelforms.h"
#include "Zelhidestart.h"

using zelutils::TZelSingleInstance;

namespace {
std::string UniqueName(const char* tag) { return std::string("zel test/") + tag + "-" + std::to_string(getpid()); }

// Runs a second start of name in a child process; its exit status is 0 when
// it saw that it was not the first.
int SecondStartInChild(const std::string& name)
{
    const pid_t pid = fork();
    if (pid == 0) {
        int status = 3;
        try {
            TZelSingleInstance second(name.c_str());
            status = second.IsFirstInstance ? 1 : 0;
        } catch (...) {
            status = 2;
        }
        _exit(status);
    }
    int status = -1;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Serves the event loop until done() or five seconds have passed.
template <class Done>
bool ServeUntil(Done done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}
}  // namespace

TEST(TZelSingleInstance, ASecondStartElsewhereIsToldAndTheFirstHearsIt)
{
    TestApplication();
    QWidget mainForm;
    mainForm.show();
    Application->MainForm = &mainForm;
    const std::string name = UniqueName("first");
    TZelSingleInstance first(name.c_str());
    ASSERT_TRUE(first.IsFirstInstance);
    int messages = 0;
    int beforeFront = 0;
    first.OnBeforeBringToFront = [&](TZelSingleInstance* sender) {
        EXPECT_EQ(sender, &first);
        ++beforeFront;
    };
    first.Register([&](TZelSingleInstance* sender) {
        EXPECT_EQ(sender, &first);
        ++messages;
    });
    EXPECT_EQ(SecondStartInChild(name), 0);
    EXPECT_TRUE(ServeUntil([&] { return messages == 1; }));
    EXPECT_EQ(beforeFront, 1);
    EXPECT_TRUE(mainForm.isActiveWindow());

    // Two more starts: two more messages; without BringToFront only OnMessage.
    first.BringToFront = false;
    EXPECT_EQ(SecondStartInChild(name), 0);
    EXPECT_EQ(SecondStartInChild(name), 0);
    EXPECT_TRUE(ServeUntil([&] { return messages == 3; }));
    EXPECT_EQ(beforeFront, 1);

    // Once the first lets go, the next start is a first one.
    first.Unregister();
    EXPECT_EQ(SecondStartInChild(name), 1);
    Application->MainForm = nullptr;
}

TEST(TZelSingleInstance, NamesAndOtherMessages)
{
    TZelSingleInstance unnamed;
    EXPECT_FALSE(unnamed.IsFirstInstance);
    for (const char* bad : {static_cast<const char*>(nullptr), ""}) {
        try {
            unnamed.SetMutexName(bad);
            FAIL() << "accepted a missing name";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "A mutex name must be provided");
        }
    }
    const std::string name = UniqueName("names");
    unnamed.SetMutexName(name.c_str());
    EXPECT_TRUE(unnamed.IsFirstInstance);
    try {
        unnamed.SetMutexName("another");
        FAIL() << "took a second name";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "A mutex already exists.");
    }
    // In the same process a second object is a second start too.
    TZelSingleInstance again(name.c_str());
    EXPECT_FALSE(again.IsFirstInstance);
    TMessage other;
    other.Msg = 0x0010;
    EXPECT_FALSE(unnamed.MessageHandler(other));
    TMessage own;
    own.Msg = twsinstance::MessageId(name);
    int heard = 0;
    unnamed.BringToFront = false;
    unnamed.OnMessage = [&](TZelSingleInstance*) { ++heard; };
    EXPECT_TRUE(unnamed.MessageHandler(own));
    EXPECT_EQ(heard, 1);
}

TEST(TZelSingleInstance, WindowsComeToTheFrontAndThereIsNoStartButton)
{
    TestApplication();
    EXPECT_FALSE(zelutils::ForceWindowToFront(nullptr));
    QWidget a;
    QWidget b;
    a.show();
    b.show();
    b.activateWindow();
    a.showMinimized();
    EXPECT_TRUE(zelutils::ForceWindowToFront(&a));
    EXPECT_FALSE(a.isMinimized());
    EXPECT_TRUE(a.isActiveWindow());
    EXPECT_TRUE(zelutils::ForceWindowToFront(&a));  // already in front

    try {
        zelutils::THideStart hide;
        FAIL() << "found a Start button";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unable to locate Windows Start button");
    }
    EXPECT_THROW(zelutils::HideStartButton(), Exception);
}

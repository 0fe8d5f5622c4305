#include "Zellaunchapp.h"

#include <chrono>
#include <filesystem>
#include <thread>
#include <gtest/gtest.h>

#include "QtTestApp.h"
#include "TempFolder.h"

using zelutils::LaunchApplication;
using zelutils::TLaunchWait;

TEST(LaunchApplication, WaitsForTheExitCodeAndRunsInTheGivenDirectory)
{
    twstesting::TTempFolder folder("launch");
    const auto before = std::filesystem::current_path();
    TestApplication();
    QWidget window;  // repainted while waiting
    const struct {
        std::string directory;
        std::string commandLine;
        unsigned long exitCode;
    } cases[] = {
        {"", "sh -c \"exit 3\"", 3},
        {"", "true", 0},
        {folder.Path().string(), "sh -c \"touch here; exit 9\"", 9},
    };
    for (const auto& c : cases) {
        unsigned long exitCode = 12345;
        EXPECT_TRUE(LaunchApplication(c.directory, c.commandLine, "", TLaunchWait::UntilExit, &window, &exitCode));
        EXPECT_EQ(exitCode, c.exitCode) << c.commandLine;
        EXPECT_EQ(std::filesystem::current_path(), before) << c.commandLine;
    }
    EXPECT_TRUE(std::filesystem::exists(folder / "here"));
    EXPECT_FALSE(std::filesystem::exists(before / "here"));
}

TEST(LaunchApplication, AMissingDirectoryRaisesBeforeAnythingStarts)
{
    twstesting::TTempFolder folder("launch");
    const auto before = std::filesystem::current_path();
    unsigned long exitCode = 12345;
    try {
        LaunchApplication((folder / "missing").string(), "touch " + (folder / "started").string(), "",
                          TLaunchWait::UntilExit, nullptr, &exitCode);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unable to change current directory");
    }
    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(std::filesystem::exists(folder / "started"));
    EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST(LaunchApplication, AStartFailureIsTheResultAndNoWaitReturnsAtOnce)
{
    unsigned long exitCode = 12345;
    EXPECT_FALSE(LaunchApplication("", "/no/such/program", "", TLaunchWait::UntilExit, nullptr, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    twstesting::TTempFolder folder("launch");
    EXPECT_TRUE(LaunchApplication(folder.Path().string(), "sh -c \"sleep 0.2; touch done\"", "Default",
                                  TLaunchWait::NoWait, nullptr, &exitCode));
    EXPECT_FALSE(std::filesystem::exists(folder / "done"));  // not waited for
    for (int i = 0; i < 100 && !std::filesystem::exists(folder / "done"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(std::filesystem::exists(folder / "done"));  // but it ran, in the folder
}

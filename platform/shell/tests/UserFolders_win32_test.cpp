// The user's folders on Windows: the known folders from the environment,
// without a trailing separator; whether a folder may be written, found by
// a probe that leaves nothing behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <windows.h>

#include "TempFolder.h"
#include "UserFolders.h"

namespace {

class UserFolders : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : kNames) {
            char value[4096];
            const DWORD n = ::GetEnvironmentVariableA(name, value, sizeof value);
            saved.push_back(n > 0 && n < sizeof value ? std::string(value, n) : std::string());
        }
    }
    void TearDown() override
    {
        for (std::size_t i = 0; i < saved.size(); ++i)
            ::SetEnvironmentVariableA(kNames[i], saved[i].empty() ? nullptr : saved[i].c_str());
    }
    static constexpr const char* kNames[] = {"APPDATA", "LOCALAPPDATA", "ProgramData"};
    std::vector<std::string> saved;
};

TEST_F(UserFolders, AreTheKnownFoldersOfTheEnvironment)
{
    ::SetEnvironmentVariableA("APPDATA", "C:\\Users\\u\\AppData\\Roaming\\");
    ::SetEnvironmentVariableA("LOCALAPPDATA", "C:\\Users\\u\\AppData\\Local");
    ::SetEnvironmentVariableA("ProgramData", "C:\\ProgramData");
    EXPECT_EQ(twsplatform::UserConfigBase(), "C:\\Users\\u\\AppData\\Roaming");
    EXPECT_EQ(twsplatform::UserStateBase(), "C:\\Users\\u\\AppData\\Local");
    EXPECT_EQ(twsplatform::SystemConfigBases(), std::vector<AnsiString>{"C:\\ProgramData"});
    for (const char* name : kNames)
        ::SetEnvironmentVariableA(name, nullptr);
    EXPECT_EQ(twsplatform::UserConfigBase(), "");
    EXPECT_EQ(twsplatform::UserStateBase(), "");
    EXPECT_TRUE(twsplatform::SystemConfigBases().empty());
}

TEST_F(UserFolders, AWritableFolderIsProbedWithoutATrace)
{
    twstesting::TTempFolder temp("tws-userfolders");
    EXPECT_TRUE(twsplatform::FolderWritable(temp.Path().string()));
    EXPECT_TRUE(twsplatform::FolderWritable(temp.Slash()));
    EXPECT_TRUE(std::filesystem::is_empty(temp.Path()));
    EXPECT_FALSE(twsplatform::FolderWritable((temp / "missing").string()));
    EXPECT_FALSE(twsplatform::PathPresent((temp / "missing").string()));
    twstesting::WriteFile(temp / "TWS.cfg", "x");
    EXPECT_TRUE(twsplatform::PathPresent((temp / "TWS.cfg").string()));
}

}  // namespace

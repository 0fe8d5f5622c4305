#include "RegistryStore.h"

#include <atomic>
#include <csignal>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <vector>

#include "TempRegistry.h"
#include "twsregistry.h"

using namespace twsregistry;

namespace {

class RegistryStore : public TempRegistry {
protected:
    static LONG CreateWithValue(const std::string& path, const std::string& value)
    {
        HKEY key;
        LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr);
        if (rc != ERROR_SUCCESS)
            return rc;
        rc = RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1));
        RegCloseKey(key);
        return rc;
    }
    static DWORD SubKeyCount(const char* path, LONG& rc)
    {
        HKEY key;
        DWORD count = 0;
        rc = RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key);
        if (rc != ERROR_SUCCESS)
            return 0;
        rc = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(key);
        return count;
    }
    std::vector<std::string> Temporaries() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir)) {
            const std::string name = e.path().filename().string();
            if (name.rfind(".HKEY_", 0) == 0)
                names.push_back(name);
        }
        return names;
    }
};

}  // namespace

TEST_F(RegistryStore, ThePrefixComesFromTheEnvironment)
{
    EXPECT_EQ(Prefix(), dir.string());
    EXPECT_EQ(RootKeyFileName(HKEY_CLASSES_ROOT), dir.string() + "/HKEY_CLASSES_ROOT.reg");
    ::setenv("TIDEWASH_REGISTRY", (dir.string() + "//").c_str(), 1);
    EXPECT_EQ(Prefix(), dir.string());

    ::setenv("TIDEWASH_REGISTRY", "", 1);
    ::setenv("XDG_DATA_HOME", "/data/home", 1);
    EXPECT_EQ(Prefix(), "/data/home/tidewash/registry");
    ::setenv("XDG_DATA_HOME", "relative/ignored", 1);
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(Prefix(), "/home/someone/.local/share/tidewash/registry");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(Prefix(), "/home/someone/.local/share/tidewash/registry");

    EXPECT_EQ(RootKeyFromName("hklm"), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RootKeyFromName("HKEY_Current_User"), HKEY_CURRENT_USER);
    EXPECT_EQ(RootKeyFromName("HKEY_USERS"), nullptr);
    EXPECT_STREQ(RootKeyName(HKEY_CLASSES_ROOT), "HKEY_CLASSES_ROOT");
}

TEST_F(RegistryStore, ADamagedFileIsNamedAndNeverOverwritten)
{
    const std::string damaged = "Windows Registry Editor Version 5.00\n\n"
                                "[HKEY_CURRENT_USER\\Software]\n"
                                "\"v\"=bogus\n";
    Put("HKEY_CURRENT_USER", damaged);

    ::testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_BADDB);
    const std::string text = LastErrorText();
    EXPECT_NE(text.find(File("HKEY_CURRENT_USER")), std::string::npos) << text;
    EXPECT_NE(text.find("line 4"), std::string::npos) << text;
    EXPECT_EQ(ErrorText(ERROR_BADDB), text);

    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Other", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_BADDB);
    const BYTE one[4] = {1, 0, 0, 0};
    EXPECT_EQ(RegSetValueExA(HKEY_CURRENT_USER, "x", 0, REG_DWORD, one, 4), ERROR_BADDB);
    EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "Software"), ERROR_BADDB);
    const std::string printed = ::testing::internal::GetCapturedStderr();
    // Reported once, on stderr, with the file's name.
    EXPECT_NE(printed.find(File("HKEY_CURRENT_USER")), std::string::npos) << printed;
    EXPECT_EQ(printed.find("twsregistry:"), printed.rfind("twsregistry:")) << printed;

    EXPECT_EQ(Contents("HKEY_CURRENT_USER"), damaged);
    // The other roots go on working.
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(LastErrorText(), "");
}

TEST_F(RegistryStore, AnEmptyOrForeignFileIsDamageToo)
{
    for (const std::string& text : {std::string(), std::string("[HKEY_CURRENT_USER]\n"),
                                   std::string("\x00\x01garbage", 9)}) {
        Put("HKEY_CURRENT_USER", text);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(CreateWithValue("A", "x"), ERROR_BADDB);
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(Contents("HKEY_CURRENT_USER"), text);
    }
}

TEST_F(RegistryStore, TwoProcessesWritingAtOnceLoseNothing)
{
    constexpr int kKeys = 200;
    std::vector<pid_t> children;
    for (int p = 0; p < 2; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int failures = 0;
            for (int i = 0; i < kKeys; ++i)
                if (CreateWithValue("Software\\P" + std::to_string(p) + "\\K" + std::to_string(i),
                                    std::to_string(p * 1000 + i)) != ERROR_SUCCESS)
                    ++failures;
            ::_exit(failures == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int p = 0; p < 2; ++p) {
        LONG rc;
        EXPECT_EQ(SubKeyCount(("Software\\P" + std::to_string(p)).c_str(), rc),
                  static_cast<DWORD>(kKeys));
        EXPECT_EQ(rc, ERROR_SUCCESS);
        for (int i = 0; i < kKeys; ++i) {
            char buf[16];
            LONG size = sizeof buf;
            const std::string path = "Software\\P" + std::to_string(p) + "\\K" + std::to_string(i);
            HKEY key;
            ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key),
                      ERROR_SUCCESS)
                << path;
            DWORD bytes = static_cast<DWORD>(size);
            ASSERT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(buf),
                                       &bytes),
                      ERROR_SUCCESS);
            EXPECT_STREQ(buf, std::to_string(p * 1000 + i).c_str());
            RegCloseKey(key);
        }
    }
}

TEST_F(RegistryStore, ThreadsOfOneProcessAreSerialisedToo)
{
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 40; ++i)
                if (CreateWithValue("T\\" + std::to_string(t) + "_" + std::to_string(i), "x") !=
                    ERROR_SUCCESS)
                    ++failures;
        });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(failures.load(), 0);
    LONG rc;
    EXPECT_EQ(SubKeyCount("T", rc), 160u);
}

TEST_F(RegistryStore, AWriterKilledInALoopNeverLeavesAnUnreadableRegistry)
{
    std::mt19937 random(12345);
    DWORD previous = 0;
    const std::string big(2000, 'x');  // longer writes: more chances to die mid-write
    for (int round = 0; round < 40; ++round) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (int i = 0;; ++i)
                CreateWithValue("Loop\\R" + std::to_string(round) + "_" + std::to_string(i), big);
        }
        ::usleep(static_cast<useconds_t>(random() % 20000));
        ::kill(pid, SIGKILL);
        int status;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);

        LONG rc;
        const DWORD count = SubKeyCount("Loop", rc);
        if (rc == ERROR_FILE_NOT_FOUND && previous == 0)
            continue;  // killed before its first key
        ASSERT_EQ(rc, ERROR_SUCCESS) << "round " << round << ": " << LastErrorText();
        EXPECT_GE(count, previous);  // old or new file, never less
        previous = count;
    }
    EXPECT_GT(previous, 0u);
    // The next change clears what killed writers left behind, and the lock
    // of a killed writer is free again.
    ASSERT_EQ(CreateWithValue("After", "x"), ERROR_SUCCESS);
    EXPECT_TRUE(Temporaries().empty());
}

TEST_F(RegistryStore, TemporariesOfOtherFilesAreLeftAlone)
{
    ASSERT_EQ(CreateWithValue("A", "x"), ERROR_SUCCESS);
    Put("HKEY_LOCAL_MACHINE", "Windows Registry Editor Version 5.00\n\n");
    const auto mine = dir / ".HKEY_CURRENT_USER.reg.Ab12Cd";
    const auto other = dir / ".HKEY_LOCAL_MACHINE.reg.Ab12Cd";
    for (const auto& p : {mine, other})
        vcl::AtomicReplaceFile(p.string(), "half");
    ASSERT_EQ(CreateWithValue("B", "x"), ERROR_SUCCESS);
    EXPECT_FALSE(std::filesystem::exists(mine));
    EXPECT_TRUE(std::filesystem::exists(other));
}

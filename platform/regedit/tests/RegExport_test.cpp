#include "RegExport.h"

#include <cstdio>
#include <cstring>
#include <sys/wait.h>

#include "TempRegistry.h"

namespace {

class RegExport : public TempRegistry {
protected:
    void SetUp() override
    {
        TempRegistry::SetUp();
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Zel\\App", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const char text[] = "line one\nline \"two\"";
        const DWORD n = 42;
        RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
        RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), 4);
        RegCloseKey(key);
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Zel\\App\\Sub", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        RegSetValueExA(HKEY_LOCAL_MACHINE, "AtRoot", 0, REG_BINARY,
                       reinterpret_cast<const BYTE*>("\x01\x02"), 2);
    }

    // Runs twsregedit with arguments; its exit status and standard output.
    int Run(const std::string& args, std::string& output) const
    {
        const char* out = std::getenv("TIDEWASH_BUILD_OUT");
        const std::string command = std::string(out) + "/twsregedit " + args + " 2>/dev/null";
        FILE* pipe = ::popen(command.c_str(), "r");
        output.clear();
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
            output.append(buf, n);
        const int status = ::pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";

}  // namespace

TEST_F(RegExport, AWholeRootReadsAsItsFile)
{
    std::string out = kHeader;
    ASSERT_EQ(regedit::ExportKey(HKEY_LOCAL_MACHINE, "", out), ERROR_SUCCESS);
    EXPECT_EQ(out, Contents("HKEY_LOCAL_MACHINE"));
    EXPECT_NE(out.find("[HKEY_LOCAL_MACHINE]\n\"AtRoot\"=hex:01,02\n"), std::string::npos);
}

TEST_F(RegExport, ASubtreeShowsNamesAsStored)
{
    std::string out;
    ASSERT_EQ(regedit::ExportKey(HKEY_LOCAL_MACHINE, "software\\ZEL\\app\\", out), ERROR_SUCCESS);
    EXPECT_EQ(out,
              "[HKEY_LOCAL_MACHINE\\Software\\Zel\\App]\n"
              "@=\"line one\\nline \\\"two\\\"\"\n"
              "\"Count\"=dword:0000002a\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Zel\\App\\Sub]\n"
              "\n");
    EXPECT_EQ(regedit::ExportKey(HKEY_LOCAL_MACHINE, "Software\\Nope", out), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(regedit::ExportKey(HKEY_CURRENT_USER, "Software", out), ERROR_FILE_NOT_FOUND);

    HKEY root;
    std::string path;
    ASSERT_TRUE(regedit::ParseKeyName("hklm\\Software\\X", root, path));
    EXPECT_EQ(root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(path, "Software\\X");
    ASSERT_TRUE(regedit::ParseKeyName("HKEY_CLASSES_ROOT", root, path));
    EXPECT_EQ(root, HKEY_CLASSES_ROOT);
    EXPECT_EQ(path, "");
    EXPECT_FALSE(regedit::ParseKeyName("HKEY_USERS\\X", root, path));
}

TEST_F(RegExport, TheProgramPrintsKeysAndReportsFailures)
{
    if (std::getenv("TIDEWASH_BUILD_OUT") == nullptr)
        GTEST_SKIP() << "TIDEWASH_BUILD_OUT not set";
    std::string out;
    EXPECT_EQ(Run("--help", out), 0);
    EXPECT_NE(out.find("Usage: twsregedit"), std::string::npos);
    EXPECT_NE(out.find(dir.string()), std::string::npos);

    EXPECT_EQ(Run("'HKLM\\Software\\Zel\\App\\Sub'", out), 0);
    EXPECT_EQ(out, kHeader + "[HKEY_LOCAL_MACHINE\\Software\\Zel\\App\\Sub]\n\n");
    EXPECT_EQ(Run("", out), 0);
    EXPECT_EQ(out, Contents("HKEY_LOCAL_MACHINE"));  // the other roots are empty

    EXPECT_EQ(Run("'HKLM\\Missing'", out), 1);
    // Not a key name, or an unknown option: bad usage.
    EXPECT_EQ(Run("HKEY_USERS", out), 64);
    EXPECT_EQ(Run("--bogus", out), 64);
    EXPECT_EQ(Run("--version", out), 0);
    EXPECT_EQ(out.rfind("twsregedit (Tidewash) ", 0), 0u) << out;
    Put("HKEY_CURRENT_USER", "not a registry file\n");
    EXPECT_EQ(Run("HKCU", out), 2);
    EXPECT_EQ(out, "");
}

#include <libloaderapi.h>

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {
std::string ModulePath()
{
    const char* out = std::getenv("TIDEWASH_BUILD_OUT");
    return std::string(out != nullptr ? out : ".") + "/winsdk_testmodule.so";
}
}  // namespace

TEST(Module, AModuleReadsItsOwnStringTable)
{
    HMODULE module = LoadLibraryA(ModulePath().c_str());
    ASSERT_NE(module, nullptr) << winsdk::LastLoadError();
    auto get = reinterpret_cast<int (*)(unsigned, char*, int)>(GetProcAddress(module, "TestModuleString"));
    ASSERT_NE(get, nullptr);
    char buffer[64];
    EXPECT_EQ(get(65523, buffer, sizeof buffer), 27);
    EXPECT_STREQ(buffer, "Software\\Microsoft\\Windows\\");
    EXPECT_EQ(get(7, buffer, sizeof buffer), 10);
    EXPECT_STREQ(buffer, "&Review...");
    EXPECT_EQ(get(8, buffer, sizeof buffer), 13);  // a macro of an included header
    EXPECT_STREQ(buffer, "from a header");
    EXPECT_EQ(get(7, buffer, 4), 3);  // cut to the buffer
    EXPECT_STREQ(buffer, "&Re");
    EXPECT_EQ(get(12345, buffer, sizeof buffer), 0);
    char path[4096];
    ASSERT_GT(GetModuleFileNameA(module, path, sizeof path), 0u);
    EXPECT_EQ(std::string(path), ModulePath());
    EXPECT_TRUE(FreeLibrary(module));
}

TEST(Module, AMissingModuleSaysWhy)
{
    EXPECT_EQ(LoadLibraryA("/no/such/module.so"), nullptr);
    EXPECT_NE(std::string(winsdk::LastLoadError()).find("/no/such/module.so"), std::string::npos);
}

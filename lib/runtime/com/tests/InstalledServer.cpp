// The installed-server fixture: folders, registration by the tool, and the
// small readers the server tests share.
#include "InstalledServer.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <oleauto.h>
#include <stringapiset.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zelcomtest {

std::string BuildOut()
{
    const char* out = std::getenv("TIDEWASH_BUILD_OUT");
    return out != nullptr ? out : ".";
}

void TInstalledServerTest::SetUp()
{
    install = base / "Program Files" / "Tidewash";
    registry = base / "registry";
    data = base / "data";
    for (const auto& folder : {install, registry, data})
        fs::create_directories(folder);
    ::setenv("TIDEWASH_REGISTRY", registry.c_str(), 1);
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    fs::copy_file(BuildOut() + "/" + FModule, ModulePath());
    ASSERT_EQ(RegisterTool(""), 0);
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
}

void TInstalledServerTest::TearDown()
{
    SetErrorInfo(0, nullptr);
    CoUninitialize();
}

int TInstalledServerTest::RegisterTool(const std::string& option)
{
    const std::string command =
        "'" + BuildOut() + "/twsregsvr' /s " + option + " '" + ModulePath().string() + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::u16string Wide(const std::string& text)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::u16string out(static_cast<std::size_t>(n), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), n);
    out.resize(out.size() - 1);
    return out;
}

std::string Narrow(const char16_t* text)
{
    if (text == nullptr)
        return "";
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

std::string RegString(HKEY root, const std::string& path, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<missing>";
    char value[2048] = {};
    DWORD size = sizeof value - 1, type = 0;
    const LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? std::string(value) : "<missing>";
}

bool KeyExists(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

}  // namespace zelcomtest

// The installed-server fixture: folders, registration by the tool, object
// creation, lists, error information and registry reads.
#include "ConfigServerFixture.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <objbase.h>
#include <stringapiset.h>
#include <sys/wait.h>
#include <unistd.h>

namespace configtest {

namespace {

std::string BuildOut()
{
    const char* out = std::getenv("TIDEWASH_BUILD_OUT");
    return out != nullptr ? out : ".";
}

}  // namespace

void ConfigServerFixture::SetUp()
{
    // Cases run in parallel, each in its own process: the folders are
    // named after both.
    base = fs::temp_directory_path() /
           ("tws configserver " + std::to_string(::getpid()) + " " +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(base);
    install = base / "Program Files" / "Tidewash";
    registry = base / "registry";
    data = base / "data";
    for (const auto& folder : {install, registry, data})
        fs::create_directories(folder);
    ::setenv("TIDEWASH_REGISTRY", registry.c_str(), 1);
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    fs::copy_file(BuildOut() + "/TWSConfig.so", install / "TWSConfig.so");
    ASSERT_EQ(RegisterTool(""), 0);
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
}

void ConfigServerFixture::TearDown()
{
    SetErrorInfo(0, nullptr);
    CoUninitialize();
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(base, ec))
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(base, ec);
}

int ConfigServerFixture::RegisterTool(const std::string& option)
{
    const std::string command = "'" + BuildOut() + "/twsregsvr' /s " + option + " '" +
                                (install / "TWSConfig.so").string() + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TPtr<ITidewashConfig> ConfigServerFixture::CreateConfig()
{
    ITidewashConfig* config = nullptr;
    const HRESULT hr = CoCreateInstance(CLSID_TidewashConfig, nullptr, CLSCTX_INPROC_SERVER, IID_ITidewashConfig,
                                        reinterpret_cast<void**>(&config));
    EXPECT_EQ(hr, S_OK);
    return TPtr<ITidewashConfig>(config);
}

TPtr<ITidewashConfig> ConfigServerFixture::InitializedConfig()
{
    TPtr<ITidewashConfig> config = CreateConfig();
    if (config != nullptr) {
        EXPECT_EQ(config->Initialize(), S_OK);
    }
    return config;
}

TPtr<IConfigStrings> ConfigServerFixture::List(const std::vector<std::string>& strings)
{
    IConfigStrings* list = nullptr;
    const HRESULT hr = CoCreateInstance(CLSID_ConfigStrings, nullptr, CLSCTX_INPROC_SERVER, IID_IConfigStrings,
                                        reinterpret_cast<void**>(&list));
    EXPECT_EQ(hr, S_OK);
    if (list != nullptr) {
        for (const std::string& s : strings)
            EXPECT_EQ(list->Add(Str(s), nullptr), S_OK);
    }
    return TPtr<IConfigStrings>(list);
}

std::vector<std::string> Items(IConfigStrings* list)
{
    std::vector<std::string> items;
    if (list == nullptr) {
        ADD_FAILURE() << "no list";
        return items;
    }
    LONG count = -1;
    EXPECT_EQ(list->Count(&count), S_OK);
    for (LONG i = 0; i < count; ++i) {
        BSTR item = nullptr;
        EXPECT_EQ(list->GetItem(i, &item), S_OK);
        items.push_back(Narrow(item));
        SysFreeString(item);
    }
    return items;
}

std::string CommaText(IConfigStrings* list)
{
    BSTR text = nullptr;
    EXPECT_EQ(list->GetAsCommaText(&text), S_OK);
    const std::string result = Narrow(text);
    SysFreeString(text);
    return result;
}

TErrorReport TakeErrorInfo()
{
    TErrorReport report;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || info == nullptr)
        return report;
    report.Present = true;
    info->GetGUID(&report.Interface);
    BSTR text = nullptr;
    if (SUCCEEDED(info->GetSource(&text)))
        report.Source = Narrow(text);
    SysFreeString(text);
    text = nullptr;
    if (SUCCEEDED(info->GetDescription(&text)))
        report.Description = Narrow(text);
    SysFreeString(text);
    info->Release();
    return report;
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
    return rc == ERROR_SUCCESS && type == REG_SZ ? std::string(value) : "<missing>";
}

bool KeyExists(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

}  // namespace configtest

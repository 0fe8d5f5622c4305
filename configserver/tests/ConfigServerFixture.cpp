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

}  // namespace configtest

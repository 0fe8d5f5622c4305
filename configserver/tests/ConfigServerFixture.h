// A configuration server installed the way an installer would do it: the
// module copied into a fresh installation folder (with a blank in its
// path), registered into a fresh registry by the registration tool run as
// a separate process, and used through COM only, as the configurator uses
// it.
#pragma once

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <oleauto.h>
#include <winreg.h>

#include "InstalledServer.h"
#include "TWSConfig_tlb.h"

namespace configtest {

namespace fs = std::filesystem;

using zelcomtest::KeyExists;
using zelcomtest::Narrow;
using zelcomtest::ReadFile;
using zelcomtest::RegString;
using zelcomtest::TPtr;
using zelcomtest::Wide;

// The thread's error information as GetErrorInfo hands it out.
struct TErrorReport {
    bool Present = false;
    GUID Interface{};
    std::string Source;
    std::string Description;
};

class ConfigServerFixture : public zelcomtest::TInstalledServerTest {
protected:
    ConfigServerFixture() : TInstalledServerTest("TWSConfig.so") {}

    // A new TidewashConfig object, as created, or with Initialize called.
    TPtr<ITidewashConfig> CreateConfig();
    TPtr<ITidewashConfig> InitializedConfig();
    // A new ConfigStrings object holding the strings, added one by one.
    TPtr<IConfigStrings> List(const std::vector<std::string>& strings = {});

    // The settings file in the installation folder, as the configurator
    // names it.
    std::string ConfigPath() const { return (install / "TWS.cfg").string(); }

};

// A mutable copy of a text for the LPSTR parameters, alive until the end of
// the full expression: config->Load(Str(path)).
class Str {
public:
    explicit Str(std::string text) : FText(std::move(text)) {}
    operator LPSTR() { return FText.data(); }

private:
    std::string FText;
};

// Every string of the list, read with Count and GetItem.
std::vector<std::string> Items(IConfigStrings* list);
std::string CommaText(IConfigStrings* list);
// Takes (and so clears) the thread's error information.
TErrorReport TakeErrorInfo();

}  // namespace configtest

// A server module installed the way an installer would do it, for the
// tests of the server modules: the module copied into a fresh installation
// folder (with a blank in its path), registered into a fresh registry by
// the registration tool run as a separate process, and used through COM
// only. Test cases run in parallel, each in its own process, so each has
// its own temporary folder, removed with the fixture.
#pragma once

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <winreg.h>

#include "TempFolder.h"
#include "comref.h"
#include "objbase.h"

namespace zelcomtest {

namespace fs = std::filesystem;

template <typename T>
using TPtr = twscom::TComRef<T>;

class TInstalledServerTest : public ::testing::Test {
protected:
    // module: the file name of the module in the build's output folder.
    explicit TInstalledServerTest(std::string module) : FModule(std::move(module)) {}

    // Folders, the registry and the trash of this case; the module
    // installed and registered; COM initialised.
    void SetUp() override;
    void TearDown() override;

    // Runs the registration tool on the installed module ("" or "/u"); its
    // exit code.
    int RegisterTool(const std::string& option);
    fs::path ModulePath() const { return install / FModule; }

    twstesting::TTempFolder folder{"tws server"};
    fs::path base = folder.Path(), install, registry, data;

private:
    std::string FModule;
};

// The build's output folder, where the modules and tools are.
std::string BuildOut();

std::string ReadFile(const fs::path& path);
std::u16string Wide(const std::string& text);
std::string Narrow(const char16_t* text);  // "" for null

// A string value of the registry, or "<missing>".
std::string RegString(HKEY root, const std::string& path, const char* name = nullptr);
bool KeyExists(HKEY root, const std::string& path);

}  // namespace zelcomtest

// The fixture the tests of the settings object share: a settings file in
// a folder of its own, and small list helpers.
#pragma once

#include <filesystem>
#include <gtest/gtest.h>

#include "AtomicFile.hpp"
#include "Configintf.h"
#include "SettingsFile.h"
#include "SysUtils.hpp"
#include "TempFolder.h"
namespace fs = std::filesystem;

// One class in every test file that includes it: GoogleTest wants one
// fixture type per suite.
namespace configintftest {

using namespace tws;

class TidewashConfig : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = (dir / "TWS.cfg").string();
        config.DefineSchema();
    }

    AnsiString Contents() const
    {
        AnsiString s;
        vcl::ReadWholeFile(path, s);
        return s;
    }
    void Put(const AnsiString& text) const { vcl::AtomicReplaceFile(path, text); }

    static TStringListAdaptor List(std::deque<AnsiString> items) { return TStringListAdaptor(items); }
    TStringListAdaptor Folders(TTidewashConfig& c, const AnsiString& mask) const
    {
        TStringListAdaptor out;
        c.GetExcludedFolders(mask, out);
        return out;
    }

    twstesting::TTempFolder folder;
    const fs::path dir = folder.Path();
    AnsiString path;
    TTidewashConfig config;
};

// What the first Save of the defaults writes.
const AnsiString kDefaultFile = twstesting::TSettingsFile().Text();

}  // namespace configintftest

using configintftest::TidewashConfig;
using configintftest::kDefaultFile;

// The fixture the INI file tests share: a file in a folder of its own.
#pragma once

#include <filesystem>
#include <gtest/gtest.h>

#include "AtomicFile.hpp"
#include "System.hpp"
#include "TempFolder.h"

namespace fs = std::filesystem;

// One class in every test file that includes it: GoogleTest wants one
// fixture type per suite.
namespace vcltest {

class IniFile : public ::testing::Test {
protected:
    void SetUp() override { path = (dir / "test.ini").string(); }

    AnsiString Contents() const
    {
        AnsiString s;
        vcl::ReadWholeFile(path, s);
        return s;
    }
    void Put(const AnsiString& text) const { vcl::AtomicReplaceFile(path, text); }

    twstesting::TTempFolder folder{"tws_ini"};
    const fs::path dir = folder.Path();
    AnsiString path;
};

}  // namespace vcltest

using vcltest::IniFile;

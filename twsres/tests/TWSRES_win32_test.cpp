// TWSRES.dll as Windows programs use it: every bitmap and icon the resource
// script names, found by name at its size, and the icon the handler's
// DefaultIcon names ("TWSRES.dll,1") as the shell extracts it.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <regex>
#include <sstream>
#include <string>

#include "TempFolder.h"
#include "Twsresname.h"

namespace {

std::string BesideThisProgram(const char* name)
{
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, n);
    return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

TEST(TWSRES, EveryImageOfTheScriptIsThereAtItsSize)
{
    const std::string library = BesideThisProgram(kResourceLibraryName);
    const HMODULE module = LoadLibraryExA(library.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << library;
    std::istringstream script(twstesting::ReadFile(TWSRES_SCRIPT));
    const std::regex entry(R"(^\s*([A-Za-z_][A-Za-z0-9_]*)\s+(BITMAP|ICON)\s+"[^"]+"\s*$)");
    int bitmaps = 0, icons = 0;
    for (std::string line; std::getline(script, line);) {
        std::smatch m;
        if (!std::regex_match(line, m, entry))
            continue;
        const std::string name = m[1];
        if (m[2] == "BITMAP") {
            ++bitmaps;
            const auto bitmap = static_cast<HBITMAP>(LoadImageA(module, name.c_str(), IMAGE_BITMAP, 0, 0, 0));
            ASSERT_NE(bitmap, nullptr) << name;
            BITMAP info{};
            EXPECT_TRUE(GetObjectA(bitmap, sizeof info, &info)) << name;
            EXPECT_EQ(info.bmWidth, 16) << name;
            EXPECT_EQ(info.bmHeight, 16) << name;
            DeleteObject(bitmap);
        } else {
            ++icons;
            const auto icon = static_cast<HICON>(LoadImageA(module, name.c_str(), IMAGE_ICON, 48, 48, 0));
            EXPECT_NE(icon, nullptr) << name;
            DestroyIcon(icon);
        }
    }
    FreeLibrary(module);
    EXPECT_GT(bitmaps, 0);
    EXPECT_GT(icons, kDefaultIconIndex);

    // The shell counts the icons and takes the DefaultIcon's by its index.
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(ExtractIconA(nullptr, library.c_str(), static_cast<UINT>(-1))),
              static_cast<UINT_PTR>(icons));
    const HICON shown = ExtractIconA(nullptr, library.c_str(), kDefaultIconIndex);
    EXPECT_NE(shown, nullptr);
    DestroyIcon(shown);
}

}  // namespace

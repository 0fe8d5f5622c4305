// The handler as the system's disk cleanup uses it, under the system's COM:
// installed in a folder whose path holds a blank and registered there by
// regsvr32 (the CTest fixture "TidewashRegistered"), created by its class,
// driven through IEmptyVolumeCache2 on a folder tree, and purged into the
// recycle bin.
#include <gtest/gtest.h>
#include <windows.h>
#include <emptyvc.h>
#include <shellapi.h>

#include <filesystem>
#include <string>

#include "SettingsFile.h"
#include "TempFolder.h"
#include "Tidewash_tlb.h"
#include "Zelcomutils.h"
#include "RecordingCallback.h"

namespace {

namespace fs = std::filesystem;

LONGLONG RecycledItems(const std::string& folder)
{
    const std::wstring wide(folder.begin(), folder.end());
    SHQUERYRBINFO info{};
    info.cbSize = sizeof info;
    EXPECT_HRESULT_SUCCEEDED(SHQueryRecycleBinW(wide.c_str(), &info));
    return info.i64NumItems;
}

class TidewashHandler : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        install = zelcom::DLLPathByGUID(CLSID_TidewashCtrl);
        ASSERT_FALSE(install.empty());
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove(install / "TWS.cfg", ignored);
        if (!HasFailure())
            fs::remove_all(install / "Reports", ignored);
        CoUninitialize();
    }
    fs::path install;
    twstesting::TTempFolder volume{"tws volume"};
};

std::string ClassValue(const std::string& subkey)
{
    HKEY key = nullptr;
    const std::string path = "CLSID\\{BDC88FE5-B140-4484-82BE-8AFC18AAC3D1}\\" + subkey;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS) << path;
    char value[MAX_PATH * 2] = {};
    DWORD size = sizeof value;
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size), ERROR_SUCCESS);
    RegCloseKey(key);
    return value;
}

TEST_F(TidewashHandler, RegisteredWithTheShortPathAndItsIcon)
{
    // Installed under "Program Files", registered without the blank.
    const std::string module = ClassValue("InprocServer32");
    EXPECT_EQ(module.find(' '), std::string::npos) << module;
    EXPECT_TRUE(fs::equivalent(module, install / "Tidewash.dll")) << module;

    // "TWSRES.dll,1", as the shell reads it.
    const std::string icon = ClassValue("DefaultIcon");
    const auto comma = icon.rfind(',');
    ASSERT_NE(comma, std::string::npos) << icon;
    const HICON shown = ExtractIconA(nullptr, icon.substr(0, comma).c_str(), std::stoi(icon.substr(comma + 1)));
    EXPECT_NE(shown, nullptr) << icon;
    DestroyIcon(shown);
}

TEST_F(TidewashHandler, ScansAFolderTreeAndPurgesItIntoTheRecycleBin)
{
    twstesting::TSettingsFile settings;
    settings.ActiveMasks = "*.obj,*.tds,*.~*";
    settings.WriteTo(install / "TWS.cfg");
    const fs::path root = volume.Path();
    twstesting::WriteFile(root / "proj" / "Unit1.obj", std::string(100, 'o'));
    twstesting::WriteFile(root / "proj" / "sub" / "Unit1.tds", std::string(50, 't'));
    twstesting::WriteFile(root / "proj" / "Unit1.~cpp", std::string(10, '~'));
    twstesting::WriteFile(root / "proj" / "Unit1.cpp", "int main() {}");
    twstesting::WriteFile(root / "proj" / "Locked.obj", std::string(7, 'r'));
    ASSERT_TRUE(SetFileAttributesA((root / "proj" / "Locked.obj").string().c_str(), FILE_ATTRIBUTE_READONLY));
    // Linked by a project and by a unit, with no source to build them
    // again: found, but left alone.
    twstesting::WriteFile(root / "proj" / "Project1.bpr",
                          "<?xml version='1.0'?><PROJECT><MACROS><OBJFILES value=\"Unit1.obj vendor.obj\"/>"
                          "</MACROS></PROJECT>");
    twstesting::WriteFile(root / "proj" / "vendor.obj", std::string(400, 'v'));
    twstesting::WriteFile(root / "proj" / "ZLibUnit.pas", "unit ZLibUnit; {$L lib\\zlib.obj}\nend.");
    twstesting::WriteFile(root / "proj" / "lib" / "zlib.obj", std::string(20, 'z'));

    IEmptyVolumeCache2* handler = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_TidewashCtrl, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IEmptyVolumeCache2, reinterpret_cast<void**>(&handler)));
    // Handed over in lower case, the volume keeps its case (a folder may
    // have a case twin); the files are found all the same.
    const std::string rootText = volume.Slash();
    std::string lower = rootText;
    CharLowerBuffA(lower.data(), static_cast<DWORD>(lower.size()));
    const std::wstring rootWide(lower.begin(), lower.end());
    LPWSTR display = nullptr, description = nullptr, button = nullptr;
    DWORD flags = 0;
    ASSERT_HRESULT_SUCCEEDED(
        handler->InitializeEx(nullptr, rootWide.c_str(), L"", &display, &description, &button, &flags));
    CoTaskMemFree(display);
    CoTaskMemFree(description);
    CoTaskMemFree(button);
    // No review window in this build: no settings button, and no window.
    EXPECT_EQ(flags, static_cast<DWORD>(EVCF_ENABLEBYDEFAULT));
    EXPECT_EQ(handler->ShowProperties(nullptr), E_NOTIMPL);

    TRecordingCallback callback;
    DWORDLONG space = 0;
    ASSERT_HRESULT_SUCCEEDED(handler->GetSpaceUsed(&space, &callback));
    EXPECT_TRUE(callback.Last);
    // What the purge frees: neither the linked objects nor the read-only
    // file the settings keep.
    EXPECT_EQ(space, 160u);
    ITidewashCtrl* control = nullptr;
    ASSERT_HRESULT_SUCCEEDED(handler->QueryInterface(IID_ITidewashCtrl, reinterpret_cast<void**>(&control)));
    LONGLONG selected = 0, selectedSize = 0, total = 0, totalSize = 0;
    EXPECT_HRESULT_SUCCEEDED(control->GetSelectionStats(&selected, &selectedSize, &total, &totalSize));
    control->Release();
    EXPECT_EQ(total, 6);
    EXPECT_EQ(totalSize, 587);
    // Neither the linked files nor the read-only one the settings keep.
    EXPECT_EQ(selected, 3);
    EXPECT_EQ(selectedSize, 160);

    const LONGLONG recycledBefore = RecycledItems(rootText);
    callback.Last = false;
    ASSERT_HRESULT_SUCCEEDED(handler->Purge(space, &callback));
    EXPECT_TRUE(callback.Last);
    handler->Release();

    EXPECT_FALSE(fs::exists(root / "proj" / "Unit1.obj"));
    EXPECT_FALSE(fs::exists(root / "proj" / "sub" / "Unit1.tds"));
    EXPECT_FALSE(fs::exists(root / "proj" / "Unit1.~cpp"));
    EXPECT_TRUE(fs::exists(root / "proj" / "Unit1.cpp"));
    // Read-only files stay unless the settings say otherwise, linked ones
    // unless the user selects them.
    EXPECT_TRUE(fs::exists(root / "proj" / "Locked.obj"));
    EXPECT_TRUE(fs::exists(root / "proj" / "vendor.obj"));
    EXPECT_TRUE(fs::exists(root / "proj" / "lib" / "zlib.obj"));
    EXPECT_EQ(RecycledItems(rootText), recycledBefore + 3);

    const std::string report = twstesting::ReadFile(install / "Reports" / "FilePurge.html");
    EXPECT_NE(report.find("Unit1.tds"), std::string::npos);
    EXPECT_NE(report.find(lower + "proj"), std::string::npos) << lower;
    EXPECT_NE(report.find("read-only"), std::string::npos);
    SetFileAttributesA((root / "proj" / "Locked.obj").string().c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace

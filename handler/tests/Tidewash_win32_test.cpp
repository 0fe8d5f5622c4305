// The handler as the system's disk cleanup uses it, under the system's COM:
// installed in a folder whose path holds a blank and registered there by
// regsvr32 (the CTest fixture "TidewashRegistered"), created by its class,
// driven through IEmptyVolumeCache2 on a folder tree, and purged into the
// recycle bin; and reviewed in its window before the purge.
#include <gtest/gtest.h>
#include <windows.h>
#include <emptyvc.h>
#include <shellapi.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include "Filedetailsform_win32.h"
#include "ReviewTesting_win32.h"
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
    // The review window is behind Disk Cleanup's settings button.
    EXPECT_EQ(flags, static_cast<DWORD>(EVCF_HASSETTINGS | EVCF_ENABLEBYDEFAULT));

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

// The caller's window that ShowProperties is handed. The review window is
// up once it has disabled this window (it is modal to it): the owner's
// procedure signals Shown then.
class TOwnerWindow {
public:
    TOwnerWindow()
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"TidewashTestOwner";
        RegisterClassW(&windowClass);
        Handle = CreateWindowW(L"TidewashTestOwner", L"Disk Cleanup", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(Handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~TOwnerWindow()
    {
        DestroyWindow(Handle);
        CloseHandle(Shown);
    }
    TOwnerWindow(const TOwnerWindow&) = delete;
    TOwnerWindow& operator=(const TOwnerWindow&) = delete;

    HWND Handle = nullptr;
    HANDLE Shown = CreateEventW(nullptr, TRUE, FALSE, nullptr);

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_ENABLE && !wParam)
            if (auto* self = reinterpret_cast<TOwnerWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
                SetEvent(self->Shown);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
};

TEST_F(TidewashHandler, ShowPropertiesLetsTheUserUncheckAFolderBeforeThePurge)
{
    twstesting::TSettingsFile settings;
    settings.ActiveMasks = "*.obj";
    settings.WriteTo(install / "TWS.cfg");
    const fs::path root = volume.Path();
    twstesting::WriteFile(root / "keep" / "k1.obj", std::string(10, 'k'));
    twstesting::WriteFile(root / "keep" / "deep" / "k2.obj", std::string(20, 'k'));
    twstesting::WriteFile(root / "go" / "g1.obj", std::string(30, 'g'));
    twstesting::WriteFile(root / "go" / "sub" / "g2.obj", std::string(40, 'g'));

    IEmptyVolumeCache2* handler = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_TidewashCtrl, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IEmptyVolumeCache2, reinterpret_cast<void**>(&handler)));
    const std::string rootText = volume.Slash();
    const std::wstring rootWide(rootText.begin(), rootText.end());
    LPWSTR display = nullptr, description = nullptr, button = nullptr;
    DWORD flags = 0;
    ASSERT_HRESULT_SUCCEEDED(
        handler->InitializeEx(nullptr, rootWide.c_str(), L"", &display, &description, &button, &flags));
    CoTaskMemFree(display);
    CoTaskMemFree(description);
    CoTaskMemFree(button);
    ASSERT_NE(flags & EVCF_HASSETTINGS, 0u);
    TRecordingCallback callback;
    DWORDLONG space = 0;
    ASSERT_HRESULT_SUCCEEDED(handler->GetSpaceUsed(&space, &callback));
    EXPECT_EQ(space, 100u);

    // The user, from another thread: once the window is up, a click on the
    // check of folder "keep", then OK. What it saw is checked afterwards.
    TOwnerWindow owner;
    std::atomic<bool> found{false}, clicked{false};
    std::string rootChildren;
    std::thread user([&] {
        if (WaitForSingleObject(owner.Shown, 60000) != WAIT_OBJECT_0)
            return;
        const HWND review = reviewtest::OwnedWindow(owner.Handle);
        if (review == nullptr)
            return;
        found = true;
        const HWND tree = GetDlgItem(review, IDC_TREE);
        const HTREEITEM top = TreeView_GetRoot(tree);
        for (const std::string& text : reviewtest::TreeChildTexts(tree, top))
            rootChildren += text + ";";
        if (const HTREEITEM keep = reviewtest::TreeChildNamed(tree, top, "keep"))
            clicked = reviewtest::ClickStateImage(tree, keep);
        SendMessageW(review, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    const HRESULT shown = handler->ShowProperties(owner.Handle);
    user.join();
    EXPECT_HRESULT_SUCCEEDED(shown);
    ASSERT_TRUE(found);
    EXPECT_EQ(rootChildren, "go;keep;");
    EXPECT_TRUE(clicked);
    // The owner takes input again.
    EXPECT_TRUE(IsWindowEnabled(owner.Handle));

    ITidewashCtrl* control = nullptr;
    ASSERT_HRESULT_SUCCEEDED(handler->QueryInterface(IID_ITidewashCtrl, reinterpret_cast<void**>(&control)));
    LONGLONG selected = 0, selectedSize = 0, total = 0, totalSize = 0;
    EXPECT_HRESULT_SUCCEEDED(control->GetSelectionStats(&selected, &selectedSize, &total, &totalSize));
    control->Release();
    EXPECT_EQ(total, 4);
    EXPECT_EQ(selected, 2);
    EXPECT_EQ(selectedSize, 70);

    callback.Last = false;
    ASSERT_HRESULT_SUCCEEDED(handler->Purge(space, &callback));
    EXPECT_TRUE(callback.Last);
    DWORD deactivated = 1;
    EXPECT_HRESULT_SUCCEEDED(handler->Deactivate(&deactivated));
    handler->Release();
    // Exactly the checked files went.
    EXPECT_TRUE(fs::exists(root / "keep" / "k1.obj"));
    EXPECT_TRUE(fs::exists(root / "keep" / "deep" / "k2.obj"));
    EXPECT_FALSE(fs::exists(root / "go" / "g1.obj"));
    EXPECT_FALSE(fs::exists(root / "go" / "sub" / "g2.obj"));
}

}  // namespace

// What a volume string names, as the system's disk cleanup hands it over:
// the handler installed and registered (fixture "TidewashRegistered"),
// drive S: mapped to a temporary tree (wine-drive-run), the process's
// current folder on that drive, and canary files beside the named folder,
// above it and above the drive. Every spelling either cleans exactly the
// folder it names or is refused with error information; no canary changes.
//
// Under Wine the drive is a Unix folder: its folders are case-sensitive
// (so "inside" and "INSIDE" are twins, as on a case-sensitive NTFS folder
// or a share backed by a POSIX server; wine-drive-run makes them, with
// INSIDE\twin.obj, as Wine cannot), and the ANSI code page is 1252.
#include <gtest/gtest.h>
#include <windows.h>
#include <emptyvc.h>
#include <shellapi.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "SettingsFile.h"
#include "Tidewash_tlb.h"
#include "Zelcomutils.h"
#include "RecordingCallback.h"

namespace {

namespace fs = std::filesystem;

// The tree above and on the drive, as paths below the tree's folder (the
// drive is "drive\"). Files ending in .obj are what a scan selects.
const wchar_t* const kTree[] = {
    L"above.obj",                       // above the drive
    L"drive\\root.obj",                 // on the drive, beside every folder
    L"drive\\inside\\a.obj",
    L"drive\\inside\\keep.cpp",
    L"drive\\inside\\sub\\b.obj",
    L"drive\\inside\\sub\\vendor.obj",  // linked by sub\Project1.bpr, with no source
    L"drive\\inside\\\xFF0E\xFF0E\\dots.obj",  // fullwidth full stops, best fit ".."
    L"drive\\\xFF49\xFF4E\xFF53\xFF49\xFF44\xFF45\\wide.obj",  // fullwidth "inside"
    L"drive\\\x041F\x0440\x043E\x0435\x043A\x0442\\cyr.obj",    // Cyrillic "project"
    L"drive\\other\\beside.obj",
};

// The folders a long volume name is made of, below inside\ (more than
// MAX_PATH characters in all).
std::wstring LongFolder()
{
    std::wstring path = L"drive\\inside\\long";
    for (int i = 0; i < 6; ++i)
        path += L"\\" + std::wstring(45, static_cast<wchar_t>(L'a' + i));
    return path;
}

std::wstring Extended(const std::wstring& path) { return L"\\\\?\\" + path; }

void MakeFolders(const std::wstring& full)
{
    for (std::size_t at = full.find(L'\\', 3); at != std::wstring::npos; at = full.find(L'\\', at + 1))
        CreateDirectoryW(Extended(full.substr(0, at)).c_str(), nullptr);
    CreateDirectoryW(Extended(full).c_str(), nullptr);
}

void MakeFile(const std::wstring& full, const std::string& bytes)
{
    MakeFolders(full.substr(0, full.rfind(L'\\')));
    const HANDLE h = CreateFileW(Extended(full).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << GetLastError();
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

// Every file below folder (relative path -> size), read wide and extended,
// so that no name or length escapes the comparison.
void ListFiles(const std::wstring& folder, const std::wstring& relative, std::map<std::wstring, LONGLONG>& files)
{
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW(Extended(folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring path = relative.empty() ? name : relative + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(folder + L"\\" + name, path, files);
        else
            files[path] = (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

std::string ErrorDescription()
{
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || info == nullptr)
        return std::string();
    BSTR text = nullptr;
    info->GetDescription(&text);
    info->Release();
    std::string narrow;
    for (UINT i = 0; text != nullptr && i < SysStringLen(text); ++i)
        narrow += static_cast<char>(text[i] < 128 ? text[i] : '?');
    SysFreeString(text);
    return narrow;
}

class VolumePaths : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        install = zelcom::DLLPathByGUID(CLSID_TidewashCtrl);
        ASSERT_FALSE(install.empty());
        const char* unix = std::getenv("TIDEWASH_DRIVE_TREE");
        ASSERT_NE(unix, nullptr) << "run through wine-drive-run";
        tree = L"Z:";
        for (const char* p = unix; *p != '\0'; ++p)
            tree += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
        for (const wchar_t* file : kTree)
            MakeFile(tree + L"\\" + file, std::string(10, 'x'));
        MakeFile(tree + L"\\drive\\inside\\sub\\Project1.bpr",
                 "<?xml version='1.0'?><PROJECT><MACROS><OBJFILES value=\"vendor.obj\"/></MACROS></PROJECT>");
        MakeFile(tree + L"\\" + LongFolder() + L"\\deep.obj", std::string(10, 'x'));
        ListFiles(tree, L"", before);
        // The current folder lies on the drive, below the folders named, as
        // it does for the system's disk cleanup on C:.
        ASSERT_TRUE(SetCurrentDirectoryW(L"S:\\inside\\sub"));
    }
    void TearDown() override
    {
        SetCurrentDirectoryW(install.wstring().c_str());
        std::error_code ignored;
        fs::remove(install / "TWS.cfg", ignored);
        fs::remove_all(install / "Reports", ignored);
        CoUninitialize();
    }

    void WriteSettings(const std::string& excluded, bool recycleBin = false)
    {
        twstesting::TSettingsFile settings;
        settings.ActiveMasks = "*.obj";
        settings.DeleteHidden = true;
        settings.UseRecycleBin = recycleBin;
        if (!excluded.empty())
            settings.ExcludedVolumes = {excluded};
        settings.WriteTo(install / "TWS.cfg");
    }

    // Initializes a new handler with volume, scans and purges everything it
    // selected. The result of Initialize, or of the scan when Initialize
    // succeeded (a volume that is no folder is refused there); space is the
    // scan's.
    HRESULT Clean(const wchar_t* volume, DWORDLONG& space, std::string& error, TRecordingCallback& callback)
    {
        IEmptyVolumeCache2* handler = nullptr;
        EXPECT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_TidewashCtrl, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IEmptyVolumeCache2, reinterpret_cast<void**>(&handler)));
        if (handler == nullptr)
            return E_FAIL;
        LPWSTR display = nullptr, description = nullptr, button = nullptr;
        DWORD flags = 0;
        space = 0;
        const HRESULT hr =
            handler->InitializeEx(nullptr, volume, L"", &display, &description, &button, &flags);
        CoTaskMemFree(display);
        CoTaskMemFree(description);
        CoTaskMemFree(button);
        HRESULT scanned = S_OK;
        if (SUCCEEDED(hr))
            scanned = handler->GetSpaceUsed(&space, &callback);
        if (FAILED(hr) || FAILED(scanned)) {
            error = ErrorDescription();
        } else {
            EXPECT_HRESULT_SUCCEEDED(handler->Purge(static_cast<DWORDLONG>(-1), &callback));
            DWORD deactivated = 0xFFFFFFFF;
            EXPECT_HRESULT_SUCCEEDED(handler->Deactivate(&deactivated));
            EXPECT_EQ(deactivated, 0u) << "no flag applies";
        }
        handler->Release();
        return FAILED(hr) ? hr : scanned;
    }

    // Each case starts from the whole tree again: what a case removed is
    // made anew.
    void Restore()
    {
        for (const auto& [path, size] : before)
            if (GetFileAttributesW(Extended(tree + L"\\" + path).c_str()) == INVALID_FILE_ATTRIBUTES)
                MakeFile(tree + L"\\" + path, std::string(static_cast<std::size_t>(size), 'x'));
    }

    // The files that went, as paths below the tree's folder.
    std::set<std::wstring> Gone()
    {
        std::map<std::wstring, LONGLONG> after;
        ListFiles(tree, L"", after);
        std::set<std::wstring> gone;
        for (const auto& [path, size] : before) {
            const auto it = after.find(path);
            if (it == after.end())
                gone.insert(path);
            else
                EXPECT_EQ(it->second, size) << "changed: " << fs::path(path).string();
        }
        EXPECT_EQ(after.size() + gone.size(), before.size()) << "files appeared";
        return gone;
    }

    fs::path install;
    std::wstring tree;
    std::map<std::wstring, LONGLONG> before;
};

std::string Printable(const std::wstring& text)
{
    std::string narrow;
    for (wchar_t c : text)
        narrow += c < 128 ? static_cast<char>(c) : '?';
    return narrow;
}

// The .obj files below drive\<folder> that a scan can select: not the
// linked vendor.obj, and none whose name the ANSI code page (1252 here)
// cannot spell, which the listing leaves out as no A function could open
// it again.
std::set<std::wstring> ObjectsBelow(const std::map<std::wstring, LONGLONG>& files, const std::wstring& folder)
{
    std::set<std::wstring> found;
    const std::wstring prefix = folder.empty() ? L"drive\\" : L"drive\\" + folder + L"\\";
    for (const auto& [path, size] : files)
        if (path.rfind(prefix, 0) == 0 && path.size() > 4 && path.substr(path.size() - 4) == L".obj" &&
            path.find(L"vendor.obj") == std::wstring::npos && path.find_first_of(L"\xFF0E\xFF49\x041F") == std::wstring::npos)
            found.insert(path);
    return found;
}

TEST_F(VolumePaths, EachSpellingCleansExactlyTheFolderItNamesOrIsRefused)
{
    WriteSettings("");
    const std::wstring longVolume = L"S:" + LongFolder().substr(5) + L"\\";
    ASSERT_GE(longVolume.size(), 260u);
    // The folder cleaned, below S:\ (nullopt: refused). Names the ANSI code
    // page cannot spell exactly are refused, never read as a look-alike.
    const std::optional<std::wstring> refused;
    const struct {
        const wchar_t* volume;
        std::optional<std::wstring> cleaned;
    } cases[] = {
        {L"S:\\inside\\", L"inside"},
        {L"s:\\inside\\", L"inside"},
        {L"S:\\inside", L"inside"},
        {L"S:/inside/", L"inside"},
        {L"S:\\inside\\\\", L"inside"},
        {L"S:\\\\inside", L"inside"},
        {L"S:\\.\\inside\\.\\", L"inside"},
        {L"\\\\?\\S:\\inside\\", L"inside"},
        {L"\\\\.\\S:\\inside\\", L"inside"},
        {L"S:\\INSIDE\\", L"INSIDE"},
        {longVolume.c_str(), LongFolder().substr(6)},
        {L"S:\\inside\\\xFF0E\xFF0E\\", refused},
        {L"S:\\\xFF49\xFF4E\xFF53\xFF49\xFF44\xFF45\\", refused},
        {L"S:\\\x041F\x0440\x043E\x0435\x043A\x0442\\", refused},
        {L"S:\\inside\\..\\", refused},
        {L"S:\\inside\\sub\\..\\..\\", refused},
        {L"S:", refused},
        {L"S:inside", refused},
        {L"\\inside\\", refused},
        {L"inside", refused},
        {L"..", refused},
        {L"S:\\inside\\a.obj", refused},
        {L"S:\\missing\\", refused},
        {L"S:\\inside\\a.obj:stream", refused},
        {L"S:\\in*", refused},
        {L"\\\\?\\GLOBALROOT\\Device\\Null", refused},
        {L"\\\\nosuchserver\\share\\", refused},
        {L"\\\\server", refused},
        {L"", refused},
        {nullptr, refused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.volume == nullptr ? std::string("NULL") : Printable(c.volume));
        Restore();
        ASSERT_TRUE(Gone().empty());
        DWORDLONG space = 0;
        std::string error;
        TRecordingCallback callback;
        const HRESULT hr = Clean(c.volume, space, error, callback);
        const std::set<std::wstring> gone = Gone();
        if (!c.cleaned) {
            EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
            EXPECT_FALSE(error.empty()) << "the reason is told";
            EXPECT_TRUE(gone.empty());
            continue;
        }
        ASSERT_HRESULT_SUCCEEDED(hr) << error;
        const std::set<std::wstring> expected = ObjectsBelow(before, *c.cleaned);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(gone, expected);
        // The last notification tells nothing left to free, however much
        // Purge was asked for.
        ASSERT_FALSE(callback.Progress.empty());
        EXPECT_EQ(callback.Progress.back().first, 10u * expected.size());
        EXPECT_EQ(callback.Progress.back().second, 0u);
    }
}

// The drive root is the root, whatever the current folder: the system's
// disk cleanup runs in C:\Windows\system32 and passes "C:\". What a name
// in the ANSI code page cannot spell is left alone (it cannot be opened
// again by that name); the linked vendor.obj is kept.
TEST_F(VolumePaths, TheDriveRootIsTheRootWhateverTheCurrentFolder)
{
    WriteSettings("", false);
    for (const wchar_t* volume : {L"S:\\", L"s:\\", L"\\\\?\\S:\\", L"S:\\.\\"}) {
        SCOPED_TRACE(Printable(volume));
        Restore();
        DWORDLONG space = 0;
        std::string error;
        TRecordingCallback callback;
        ASSERT_HRESULT_SUCCEEDED(Clean(volume, space, error, callback)) << error;
        EXPECT_EQ(Gone(), ObjectsBelow(before, L""));
        // The three folders whose names code page 1252 cannot spell are
        // left out, and the purge report says so.
        std::ifstream report(install / "Reports" / "FilePurge.html");
        const std::string text((std::istreambuf_iterator<char>(report)), std::istreambuf_iterator<char>());
        EXPECT_NE(text.find("3 files or folders were left out of the scan"), std::string::npos);
    }
    // Into the recycle bin, from the drive root: the same files, each in
    // the bin (the bin's folder at the root is never scanned).
    WriteSettings("", true);
    Restore();
    SHQUERYRBINFO bin{};
    bin.cbSize = sizeof bin;
    ASSERT_HRESULT_SUCCEEDED(SHQueryRecycleBinW(L"S:\\", &bin));
    const LONGLONG binBefore = bin.i64NumItems;
    DWORDLONG space = 0;
    std::string error;
    TRecordingCallback callback;
    ASSERT_HRESULT_SUCCEEDED(Clean(L"S:\\", space, error, callback)) << error;
    const std::set<std::wstring> expected = ObjectsBelow(before, L"");
    EXPECT_EQ(Gone(), expected);
    ASSERT_HRESULT_SUCCEEDED(SHQueryRecycleBinW(L"S:\\", &bin));
    EXPECT_EQ(bin.i64NumItems, binBefore + static_cast<LONGLONG>(expected.size()));
}

struct TScanned {
    DWORDLONG Space = 0;
    LONGLONG Selected = 0, SelectedSize = 0, Total = 0, TotalSize = 0;
    bool operator==(const TScanned&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TScanned& s)
{
    return out << s.Space << " bytes to free; selected " << s.Selected << " (" << s.SelectedSize << " bytes) of "
               << s.Total << " (" << s.TotalSize << " bytes)";
}

TScanned ScanOnly(const std::wstring& volume)
{
    TScanned scanned;
    IEmptyVolumeCache2* handler = nullptr;
    EXPECT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_TidewashCtrl, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IEmptyVolumeCache2, reinterpret_cast<void**>(&handler)));
    if (handler == nullptr)
        return scanned;
    LPWSTR display = nullptr, description = nullptr;
    EXPECT_HRESULT_SUCCEEDED(handler->Initialize(nullptr, volume.c_str(), &display, &description, nullptr));
    CoTaskMemFree(display);
    CoTaskMemFree(description);
    TRecordingCallback callback;
    EXPECT_HRESULT_SUCCEEDED(handler->GetSpaceUsed(&scanned.Space, &callback));
    ITidewashCtrl* control = nullptr;
    if (SUCCEEDED(handler->QueryInterface(IID_ITidewashCtrl, reinterpret_cast<void**>(&control)))) {
        EXPECT_HRESULT_SUCCEEDED(control->GetSelectionStats(&scanned.Selected, &scanned.SelectedSize, &scanned.Total,
                                                            &scanned.TotalSize));
        control->Release();
    }
    handler->Release();
    return scanned;
}

// The drive root, with the current folder inside it, finds, selects and
// spares exactly what the same tree gives scanned as a plain folder
// (through Z:, where it is no drive root).
TEST_F(VolumePaths, TheDriveRootScansAsThePlainFolderDoes)
{
    WriteSettings("");
    const TScanned plain = ScanOnly(tree + L"\\drive\\");
    EXPECT_EQ(plain.Total, static_cast<LONGLONG>(ObjectsBelow(before, L"").size() + 1)) << "and the linked object";
    EXPECT_EQ(plain.Selected, static_cast<LONGLONG>(ObjectsBelow(before, L"").size()));
    for (const wchar_t* volume : {L"S:\\", L"s:\\", L"\\\\?\\S:\\"}) {
        SCOPED_TRACE(Printable(volume));
        EXPECT_EQ(ScanOnly(volume), plain);
    }
    EXPECT_TRUE(Gone().empty());
}

// An excluded volume is excluded however it is spelled, and so is every
// folder on it.
TEST_F(VolumePaths, AnExcludedVolumeIsExcludedInEverySpelling)
{
    for (const char* excluded : {"S:\\", "s:", "S:\\\\", "\\\\?\\S:\\"}) {
        WriteSettings(excluded);
        for (const wchar_t* volume : {L"S:\\", L"S:\\\\", L"S:\\.\\", L"s:\\", L"S:\\inside\\", L"S:/inside/sub"}) {
            SCOPED_TRACE(std::string(excluded) + " / " + Printable(volume));
            DWORDLONG space = 1;
            std::string error;
            TRecordingCallback callback;
            EXPECT_HRESULT_SUCCEEDED(Clean(volume, space, error, callback)) << error;
            EXPECT_EQ(space, 0u);
            EXPECT_TRUE(Gone().empty());
        }
    }
}

}  // namespace

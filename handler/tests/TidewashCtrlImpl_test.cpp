// The cleanup handler through COM only, as the disk-cleanup host and the
// wizard drive it.
#include <cstdlib>
#include <fstream>
#include <functional>
#include <new>
#include <stdexcept>
#include <objbase.h>
#include <oleauto.h>
#include <set>
#include <sys/stat.h>
#include <winreg.h>

#include "Twsresname.h"

#include "Classes.hpp"
#include "Emptycachecallback.h"

#include "FailingAllocation.h"
#include "HandlerFixture.h"
#include "Unprivileged.h"

using namespace handlertest;

namespace {

struct TSettings {
    std::string Masks = "*.obj";
    bool Hidden = false;
    bool ReadOnly = false;
    bool Trash = false;
    std::vector<std::string> VolumesExcluded;
    std::vector<std::pair<std::string, std::vector<std::string>>> Excluded;  // mask -> entries
};

// A list as TWS.cfg stores it: its comma text in double quotes.
std::string Stored(const std::vector<std::string>& items)
{
    TStringList list;
    for (const auto& item : items)
        list.Add(item);
    return "\"" + list.CommaText() + "\"";
}

std::string ConfigText(const TSettings& s)
{
    TStringList masks;
    masks.SetCommaText(s.Masks);
    std::vector<std::string> maskItems;
    for (int i = 0; i < masks.Count(); ++i)
        maskItems.push_back(masks[i]);
    std::string text = "[Files]\nActiveMasks=" + Stored(maskItems) + "\nDeleteHidden=" + (s.Hidden ? "1" : "0") +
                       "\nDeleteReadOnly=" + (s.ReadOnly ? "1" : "0") + "\nUseRecycleBin=" + (s.Trash ? "1" : "0") +
                       "\n\n[Volumes]\nExcluded=" + Stored(s.VolumesExcluded) + "\n";
    if (!s.Excluded.empty()) {
        text += "\n[Files/Excluded]\n";
        for (const auto& [mask, entries] : s.Excluded)
            text += mask + "=" + Stored(entries) + "\n";
    }
    return text;
}

const std::string kClsid = "{BDC88FE5-B140-4484-82BE-8AFC18AAC3D1}";
const std::string kLibid = "{A26D50E2-16AD-41EE-8B2B-33B4C183AC6D}";
const std::string kCleanupKey = std::string(VOLUMECACHES_KEY) + "Tideworks Suite (TWS)";

using zelcomtest::KeyExists;
using zelcomtest::RegString;
using THandler = zelcomtest::TPtr<IEmptyVolumeCache2>;

class HandlerTest : public HandlerFixture {
protected:
    THandler Handler(const std::string& volumeText = std::string()) { return THandler(CreateHandler(volumeText)); }
    std::string Report() const { return ReadFile(install / "Reports" / "FilePurge.html"); }
    // The part of the purge report for one section: successful (true) or not.
    std::string Section(bool successful) const
    {
        const std::string report = Report();
        const auto good = report.find("Files successfully deleted");
        const auto bad = report.find("Files unsuccessfully deleted");
        if (good == std::string::npos || bad == std::string::npos)
            return "<no report>";
        return successful ? report.substr(good, bad - good) : report.substr(bad);
    }
};

}  // namespace

TEST_F(HandlerTest, RegistrationWritesTheClassAndTheCleanupKeyAndUnregistrationRemovesThem)
{
    const std::string module = (install / "Tidewash.so").string();
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kCleanupKey), kClsid);
    const std::string clsidKey = "CLSID\\" + kClsid;
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, clsidKey), "Cleaner for temporary Borland Development Files");
    // No short names here: the full path, blank and all.
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, clsidKey + "\\InprocServer32"), module);
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, clsidKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, "Zel.TidewashCtrl"), "Cleaner for temporary Borland Development Files");
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, "Zel.TidewashCtrl\\CLSID"), kClsid);
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, clsidKey + "\\ProgID"), "Zel.TidewashCtrl");
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, clsidKey + "\\Version"), "1.0");
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, clsidKey + "\\Typelib"), kLibid);
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, clsidKey + "\\DefaultIcon"), install.string() + "/" + kResourceLibraryName + ",1");
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, "TypeLib\\" + kLibid + "\\1.0"), "Tidewash Library");

    ASSERT_EQ(RegisterTool("/u"), 0);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, clsidKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Zel.TidewashCtrl"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kCleanupKey));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\" + kLibid));
    IUnknown* object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_TidewashCtrl, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&object)),
              REGDB_E_CLASSNOTREG);
}

TEST_F(HandlerTest, InitializeHandsOutItsStringsAndKeepsTheVolume)
{
    IEmptyVolumeCache2* raw = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_TidewashCtrl, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                               IID_IEmptyVolumeCache2, reinterpret_cast<void**>(&raw)),
              S_OK);
    THandler handler(raw);
    LPWSTR display = nullptr, description = nullptr, button = nullptr;
    ASSERT_EQ(handler->InitializeEx(nullptr, u"/Some/Mixed/Case/", u"", &display, &description, &button, nullptr),
              S_OK);
    EXPECT_EQ(Narrow(display), "Tideworks Suite (TWS)");
    EXPECT_EQ(Narrow(description), "Temporary files created during project development");
    EXPECT_EQ(Narrow(button), "&Review...");
    for (LPWSTR s : {display, description, button})
        CoTaskMemFree(s);
    DWORD flags = 0;
    ASSERT_EQ(handler->Initialize(nullptr, u"/x/", &display, &description, &flags), S_OK);
    EXPECT_EQ(flags, static_cast<DWORD>(EVCF_HASSETTINGS | EVCF_ENABLEBYDEFAULT));
    CoTaskMemFree(display);
    CoTaskMemFree(description);

    // One pointer serves both cleanup interfaces; IUnknown is ITidewashCtrl.
    void *cache = nullptr, *cache2 = nullptr, *unknown = nullptr, *ctrl = nullptr;
    ASSERT_EQ(handler->QueryInterface(IID_IEmptyVolumeCache, &cache), S_OK);
    ASSERT_EQ(handler->QueryInterface(IID_IEmptyVolumeCache2, &cache2), S_OK);
    ASSERT_EQ(handler->QueryInterface(IID_IUnknown, &unknown), S_OK);
    ASSERT_EQ(handler->QueryInterface(IID_ITidewashCtrl, &ctrl), S_OK);
    EXPECT_EQ(cache, cache2);
    EXPECT_EQ(unknown, ctrl);
    for (void* p : {cache, cache2, unknown, ctrl})
        static_cast<IUnknown*>(p)->Release();

    EXPECT_EQ(handler->ShowProperties(nullptr), E_NOTIMPL);
    EXPECT_EQ(handler->Deactivate(nullptr), S_OK);
    // The settings file was created with the defaults beside the module.
    EXPECT_NE(ReadFile(install / "TWS.cfg").find("UseRecycleBin=1"), std::string::npos);
}

TEST_F(HandlerTest, ExcludedVolumesAreWholeEntries)
{
    TSettings s;
    s.VolumesExcluded = {"/elsewhere/", Volume()};
    WriteConfig(ConfigText(s));
    MakeFile("a.obj");
    auto handler = Handler();
    ITidewashCtrl* ctrl = nullptr;
    ASSERT_EQ(handler->QueryInterface(IID_ITidewashCtrl, reinterpret_cast<void**>(&ctrl)), S_OK);
    VARIANT_BOOL excluded = 0;
    std::string text = Volume();
    EXPECT_EQ(ctrl->IsVolumeExcluded(text.data(), &excluded), S_OK);
    EXPECT_EQ(excluded, VARIANT_TRUE);
    char root[] = "/";
    EXPECT_EQ(ctrl->IsVolumeExcluded(root, &excluded), S_OK);
    EXPECT_EQ(excluded, VARIANT_FALSE) << "\"/\" is part of every root but is not listed";
    EXPECT_EQ(ctrl->IsVolumeExcluded(root, nullptr), E_INVALIDARG);
    ctrl->Release();

    DWORDLONG space = 99;
    EXPECT_EQ(handler->GetSpaceUsed(&space, nullptr), S_OK);
    EXPECT_EQ(space, 0u);
    auto second = Handler();
    std::vector<TNote> notes;
    EXPECT_EQ(Scan(second.get(), space, &notes), S_OK);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].Space, 0u);
    EXPECT_TRUE(notes[0].Last);
    const auto stats = Stats(second.get());
    EXPECT_EQ(stats.TotalCount + stats.TotalSize + stats.SelectedCount + stats.SelectedSize, 0);
}

TEST_F(HandlerTest, ScanReportsEachFolderAndFilePerMaskAndSelectsEverything)
{
    TSettings s;
    s.Masks = "*.obj,*.o*";
    WriteConfig(ConfigText(s));
    MakeFile("a.obj", 10);
    MakeFile("sub/b.obj", 20);
    MakeFile("sub/c.txt", 5);
    MakeFile(".hidden/d.obj", 7);  // a hidden folder is not entered
    auto handler = Handler();
    const auto before = Stats(handler.get());
    EXPECT_EQ(before.TotalCount + before.TotalSize + before.SelectedCount + before.SelectedSize, 0);

    std::vector<TNote> notes;
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space, &notes), S_OK);
    EXPECT_EQ(space, 60u) << "a file found by two masks counts twice";
    // Start; per mask: the volume, its subfolder, the subfolder's file, then
    // the volume's own file; the final report.
    const std::vector<DWORDLONG> expected = {0, 0, 0, 20, 30, 30, 30, 50, 60, 60};
    ASSERT_EQ(notes.size(), expected.size());
    for (std::size_t i = 0; i < notes.size(); ++i) {
        EXPECT_EQ(notes[i].Space, expected[i]) << "notification " << i;
        EXPECT_EQ(notes[i].Last, i + 1 == notes.size()) << "notification " << i;
    }
    const auto stats = Stats(handler.get());
    EXPECT_EQ(stats.TotalCount, 4);
    EXPECT_EQ(stats.TotalSize, 60);
    EXPECT_EQ(stats.SelectedCount, 4);
    EXPECT_EQ(stats.SelectedSize, 60);

    ITidewashCtrl* ctrl = nullptr;
    ASSERT_EQ(handler->QueryInterface(IID_ITidewashCtrl, reinterpret_cast<void**>(&ctrl)), S_OK);
    EXPECT_EQ(ctrl->GetSelectionStats(nullptr, nullptr, nullptr, nullptr), S_OK);
    ctrl->Release();
}

TEST_F(HandlerTest, NoActiveMaskMeansOnlyTheFirstAndFinalReports)
{
    TSettings s;
    s.Masks = "";
    WriteConfig(ConfigText(s));
    MakeFile("a.obj");
    auto handler = Handler();
    std::vector<TNote> notes;
    DWORDLONG space = 1;
    EXPECT_EQ(Scan(handler.get(), space, &notes), S_OK);
    EXPECT_EQ(space, 0u);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_TRUE(notes[1].Last);
}

TEST_F(HandlerTest, WithoutAVolumeNothingIsSearched)
{
    WriteConfig(ConfigText(TSettings{}));
    IEmptyVolumeCache2* raw = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_TidewashCtrl, nullptr, CLSCTX_INPROC_SERVER, IID_IEmptyVolumeCache2,
                               reinterpret_cast<void**>(&raw)),
              S_OK);
    THandler handler(raw);
    LPWSTR display = nullptr, description = nullptr;
    ASSERT_EQ(handler->Initialize(nullptr, nullptr, &display, &description, nullptr), S_OK);
    CoTaskMemFree(display);
    CoTaskMemFree(description);
    std::vector<TNote> notes;
    DWORDLONG space = 1;
    EXPECT_EQ(Scan(handler.get(), space, &notes), S_OK);
    EXPECT_EQ(space, 0u);
    EXPECT_EQ(notes.size(), 2u) << "the first and the final report only";
    EXPECT_EQ(Stats(handler.get()).TotalCount, 0);
}

TEST_F(HandlerTest, AbortOnTheThirdFileSelectsNothing)
{
    WriteConfig(ConfigText(TSettings{}));
    for (const char* name : {"1.obj", "2.obj", "3.obj", "4.obj", "5.obj"})
        MakeFile(name, 100);
    auto handler = Handler();
    std::vector<TNote> notes;
    DWORDLONG space = 1;
    // Notifications: start, the volume folder, then one per file.
    EXPECT_EQ(Scan(handler.get(), space, &notes, 5), E_ABORT);
    EXPECT_EQ(space, 0u);
    ASSERT_EQ(notes.size(), 6u) << "the search stops before its next file";
    EXPECT_EQ(notes.back().Space, 0u);
    EXPECT_TRUE(notes.back().Last);
    const auto stats = Stats(handler.get());
    EXPECT_EQ(stats.SelectedCount, 0);
    EXPECT_EQ(stats.TotalCount, 3);
    EXPECT_EQ(Purge(handler.get(), 300), S_OK);
    for (const char* name : {"1.obj", "2.obj", "3.obj"})
        EXPECT_TRUE(fs::exists(volume / name)) << "an aborted scan selects nothing";
}

// The wizard's own callback object, as the wizard hands it to the handler.
TEST_F(HandlerTest, TheWizardsCallbackStopsTheScanAndThePurge)
{
    WriteConfig(ConfigText(TSettings{}));
    for (const char* name : {"1.obj", "2.obj", "3.obj", "4.obj"})
        MakeFile(name, 100);
    auto handler = Handler();
    auto* callback = new TEmptyVolumeCacheCallback;
    callback->AddRef();
    std::vector<std::uint64_t> seen;
    callback->OnScanProgress = [&](std::uint64_t used, bool& abort) {
        seen.push_back(used);
        abort = seen.size() == 5;  // start, the volume folder, then the third file
    };
    DWORDLONG space = 1;
    EXPECT_EQ(handler->GetSpaceUsed(&space, callback), E_ABORT);
    EXPECT_EQ(space, 0u);
    EXPECT_EQ(seen, (std::vector<std::uint64_t>{0, 0, 100, 200, 300, 0}));

    auto rescan = Handler();
    callback->OnScanProgress = nullptr;
    ASSERT_EQ(rescan->GetSpaceUsed(&space, callback), S_OK);
    ASSERT_EQ(space, 400u);
    std::vector<std::uint64_t> freed;
    callback->OnPurgeProgress = [&](std::uint64_t done, std::uint64_t toFree, bool& abort) {
        EXPECT_EQ(toFree, 400u);
        freed.push_back(done);
        abort = freed.size() == 2;
    };
    EXPECT_EQ(rescan->Purge(space, callback), E_ABORT);
    EXPECT_EQ(freed, (std::vector<std::uint64_t>{100, 200}));
    EXPECT_EQ(callback->Release(), 0u) << "the handler keeps no reference to the callback";
    std::size_t left = 0;
    for (const char* name : {"1.obj", "2.obj", "3.obj", "4.obj"})
        left += fs::exists(volume / name);
    EXPECT_EQ(left, 2u);
}

TEST_F(HandlerTest, ExcludedFoldersFollowTheSubfolderAndSubstringRules)
{
    TSettings s;
    s.Excluded = {{"*.obj", {Volume() + "proj=0", Volume() + "keep"}}};
    WriteConfig(ConfigText(s));
    MakeFile("proj/a.obj");
    MakeFile("proj/sub/b.obj");
    MakeFile("keep/c.obj");
    MakeFile("keep/x/d.obj");
    MakeFile("keeper/e.obj");  // the bare entry is a substring of this path
    MakeFile("other/f.obj");
    auto handler = Handler();
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    EXPECT_EQ(Stats(handler.get()).TotalCount, 2);
    ASSERT_EQ(Purge(handler.get(), space), S_OK);
    EXPECT_FALSE(fs::exists(volume / "proj/sub/b.obj"));
    EXPECT_FALSE(fs::exists(volume / "other/f.obj"));
    for (const char* kept : {"proj/a.obj", "keep/c.obj", "keep/x/d.obj", "keeper/e.obj"})
        EXPECT_TRUE(fs::exists(volume / kept)) << kept;
}

// Every combination of the hidden, read-only and trash settings.
class PurgeRules : public HandlerTest, public ::testing::WithParamInterface<int> {};

TEST_P(PurgeRules, DeleteWhatTheSettingsAllow)
{
    TSettings s;
    s.Hidden = GetParam() & 1;
    s.ReadOnly = GetParam() & 2;
    s.Trash = GetParam() & 4;
    WriteConfig(ConfigText(s));
    MakeFile("plain.obj", 1);
    MakeFile(".hidden.obj", 2);
    fs::permissions(MakeFile("ro.obj", 4), fs::perms::owner_read | fs::perms::group_read);
    fs::permissions(MakeFile(".hiddenro.obj", 8), fs::perms::owner_read);
    auto handler = Handler();
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    ASSERT_EQ(space, 15u);
    std::vector<TNote> notes;
    ASSERT_EQ(Purge(handler.get(), space, &notes), S_OK);

    struct TExpect {
        bool Gone;
        DWORDLONG Size;
    };
    const std::map<std::string, TExpect> expected = {
        {"plain.obj", {true, 1}},
        {".hidden.obj", {s.Hidden, 2}},
        {"ro.obj", {s.ReadOnly, 4}},
        {".hiddenro.obj", {s.Hidden && s.ReadOnly, 8}},
    };
    DWORDLONG freed = 0;
    std::size_t attempted = 0;
    for (const auto& [name, e] : expected) {
        EXPECT_EQ(!fs::exists(volume / name), e.Gone) << name;
        EXPECT_EQ(fs::exists(data / "Trash" / "files" / name), e.Gone && s.Trash) << name;
        const std::string listed = "<td>" + Volume() + name + "</td>";
        EXPECT_NE(Section(e.Gone).find(listed), std::string::npos) << name << " is not in its list";
        EXPECT_EQ(Section(!e.Gone).find(listed), std::string::npos) << name << " is in both lists";
        if (e.Gone) {
            freed += e.Size;
            ++attempted;
        }
    }
    // A file a rule refuses makes no callback and frees nothing.
    ASSERT_EQ(notes.size(), attempted + 1);
    EXPECT_TRUE(notes.back().Last);
    EXPECT_EQ(notes.back().Space, freed);
}

INSTANTIATE_TEST_SUITE_P(AllCombinations, PurgeRules, ::testing::Range(0, 8));

TEST_F(HandlerTest, PurgeOfNothingTouchesNothing)
{
    WriteConfig(ConfigText(TSettings{}));
    MakeFile("a.obj");
    auto handler = Handler();
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    std::vector<TNote> notes;
    EXPECT_EQ(Purge(handler.get(), 0, &notes), S_OK);
    EXPECT_TRUE(notes.empty());
    EXPECT_TRUE(fs::exists(volume / "a.obj"));
    EXPECT_FALSE(fs::exists(install / "Reports"));

    // Before any scan, a non-zero amount writes a report with two empty lists.
    auto fresh = Handler();
    EXPECT_EQ(Purge(fresh.get(), 10, &notes), S_OK);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].Space, 0u);
    EXPECT_TRUE(notes[0].Last);
    EXPECT_EQ(Section(true).find("<td>/"), std::string::npos);
    EXPECT_EQ(Section(false).find("<td>/"), std::string::npos);
}

TEST_F(HandlerTest, AFileFoundByTwoMasksIsDeletedOnceAndFailsTheSecondTime)
{
    TSettings s;
    s.Masks = "*.obj,*.o*";
    WriteConfig(ConfigText(s));
    MakeFile("a.obj", 10);
    auto handler = Handler();
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    ASSERT_EQ(space, 20u);
    ASSERT_EQ(Purge(handler.get(), space), S_OK);
    EXPECT_FALSE(fs::exists(volume / "a.obj"));
    const std::string name = "<td>" + Volume() + "a.obj</td>";
    EXPECT_NE(Section(true).find(name), std::string::npos);
    EXPECT_NE(Section(false).find(name), std::string::npos);
}

TEST_F(HandlerTest, AbortOnTheFirstFileWritesNoReport)
{
    WriteConfig(ConfigText(TSettings{}));
    MakeFile("a.obj");
    MakeFile("b.obj");
    auto handler = Handler();
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    std::vector<TNote> notes;
    EXPECT_EQ(Purge(handler.get(), space, &notes, 1), E_ABORT);
    EXPECT_EQ(notes.size(), 1u);
    EXPECT_EQ(fs::exists(volume / "a.obj") + fs::exists(volume / "b.obj"), 1);
    EXPECT_FALSE(fs::exists(install / "Reports"));
}

TEST_F(HandlerTest, AFolderSwappedForALinkIsNotFollowed)
{
    WriteConfig(ConfigText(TSettings{}));
    MakeFile("proj/a.obj");
    MakeFile("proj/deep/b.obj");
    MakeFile("keep.obj");
    auto handler = Handler();
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    ASSERT_EQ(Stats(handler.get()).TotalCount, 3);

    // Between scan and purge the folder becomes a link to a look-alike
    // folder outside the volume.
    fs::rename(volume / "proj", base / "proj-moved");
    fs::create_directories(outside / "deep");
    std::ofstream(outside / "a.obj") << "precious";
    std::ofstream(outside / "deep" / "b.obj") << "precious";
    fs::create_directory_symlink(outside, volume / "proj");

    ASSERT_EQ(Purge(handler.get(), space), S_OK);
    EXPECT_TRUE(fs::exists(outside / "a.obj"));
    EXPECT_TRUE(fs::exists(outside / "deep" / "b.obj"));
    EXPECT_TRUE(fs::exists(base / "proj-moved" / "a.obj"));
    EXPECT_FALSE(fs::exists(volume / "keep.obj"));
    EXPECT_NE(Section(false).find(Volume() + "proj/a.obj"), std::string::npos);
    EXPECT_NE(Section(false).find(Volume() + "proj/deep/b.obj"), std::string::npos);
}

TEST_F(HandlerTest, AStrangeNameIsFoundPurgedAndEscaped)
{
    WriteConfig(ConfigText(TSettings{}));
    const std::string name = "<script>&\"x\"\nline.obj";
    MakeFile(name, 3);
    auto handler = Handler();
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    ASSERT_EQ(space, 3u);
    ASSERT_EQ(Purge(handler.get(), space), S_OK);
    EXPECT_FALSE(fs::exists(volume / name));
    const std::string report = Report();
    EXPECT_EQ(report.find("<script>"), std::string::npos);
    EXPECT_NE(report.find("&lt;script&gt;&amp;&quot;x&quot;<span"), std::string::npos);
    EXPECT_NE(report.find(">\\x0A</span>line.obj"), std::string::npos) << "the line break is shown, not obeyed";
    EXPECT_NE(report.find("charset=UTF-8"), std::string::npos);
    if (std::system("command -v tidy >/dev/null 2>&1") == 0) {
        const std::string command = "tidy -q -e '" + (install / "Reports" / "FilePurge.html").string() +
                                    "' >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        EXPECT_LT(WEXITSTATUS(status), 2) << "tidy found errors in the purge report";
    }
}

namespace handlertest {

// The description the handler left in the thread's error information.
std::string TakeErrorDescription()
{
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || info == nullptr)
        return "<no error information>";
    BSTR text = nullptr;
    std::string description;
    if (SUCCEEDED(info->GetDescription(&text)) && text != nullptr)
        description = Narrow(text);
    SysFreeString(text);
    info->Release();
    return description;
}

// A folder whose name holds "=" is excluded: the entry's value is after the
// last "=".
TEST_F(HandlerTest, AFolderNameHoldingEqualsIsExcluded)
{
    TSettings s;
    s.Excluded = {{"*.obj", {Volume() + "a=b=1", Volume() + "c=d=0"}}};
    WriteConfig(ConfigText(s));
    MakeFile("a=b/x.obj");
    MakeFile("a=b/sub/y.obj");
    MakeFile("c=d/z.obj");
    MakeFile("c=d/sub/w.obj");
    MakeFile("a/v.obj");
    auto handler = Handler();
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    EXPECT_EQ(Stats(handler.get()).TotalCount, 2);  // c=d/sub/w.obj and a/v.obj
    ASSERT_EQ(Purge(handler.get(), space), S_OK);
    for (const char* kept : {"a=b/x.obj", "a=b/sub/y.obj", "c=d/z.obj"})
        EXPECT_TRUE(fs::exists(volume / kept)) << kept;
    EXPECT_FALSE(fs::exists(volume / "a/v.obj"));
}

// A settings file that is there but damaged stops the scan with the file
// and the reason; the defaults are never used in its place. A missing file
// means the defaults and is created.
TEST_F(HandlerTest, ADamagedSettingsFileStopsTheScanWithTheReason)
{
    const fs::path cfg = install / "TWS.cfg";
    MakeFile("proj/a.obj");
    struct Case {
        const char* name;
        std::string text;
        const char* reason;
    };
    const std::string files = "[Files]\nActiveMasks=\"*.obj\"\n";
    const Case cases[] = {
        {"unclosed quote in the folder list", files + "\n[Files/Excluded]\n*.obj=\"\"" + Volume() + "proj=1\"\n",
         "not a list"},
        {"NUL bytes", files + std::string("\0\0\0", 3), "NUL bytes"},
        {"a line that is not name=value", files + "\n[Files/Excluded]\n" + Volume() + "proj\n", "not name=value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteConfig(c.text);
        auto handler = Handler();
        DWORDLONG space = 1;
        EXPECT_EQ(Scan(handler.get(), space), DISP_E_EXCEPTION);
        EXPECT_EQ(space, 0u);
        const std::string why = TakeErrorDescription();
        EXPECT_NE(why.find(cfg.string()), std::string::npos) << why;
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
        EXPECT_EQ(Stats(handler.get()).TotalCount, 0);
        EXPECT_EQ(ReadFile(cfg), c.text);  // left as it was
    }

    fs::remove(cfg);
    auto handler = Handler();
    DWORDLONG space = 0;
    EXPECT_EQ(Scan(handler.get(), space), S_OK);
    EXPECT_EQ(Stats(handler.get()).TotalCount, 1);  // proj/a.obj under the default masks
    EXPECT_NE(ReadFile(cfg).find("UseRecycleBin=1"), std::string::npos);
}

// Unreadable (mode 000, as a user who is not root): the same refusal.
TEST_F(HandlerTest, AnUnreadableSettingsFileStopsTheScan)
{
    TSettings s;
    s.Excluded = {{"*.obj", {Volume() + "proj=1"}}};
    WriteConfig(ConfigText(s));
    MakeFile("proj/a.obj");
    const fs::path cfg = install / "TWS.cfg";
    // The user the check runs as must reach the module, the registry and
    // the volume; only the settings file is closed to it.
    for (const auto& entry : fs::recursive_directory_iterator(base))
        fs::permissions(entry.path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(base, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(cfg, fs::perms::none);
    const std::string result = twstesting::RunUnprivileged([&]() -> std::string {
        auto handler = Handler();
        DWORDLONG space = 1;
        const HRESULT hr = Scan(handler.get(), space);
        if (hr != DISP_E_EXCEPTION)
            return "GetSpaceUsed gave " + std::to_string(hr) + " with " + std::to_string(space) + " bytes";
        const std::string why = TakeErrorDescription();
        if (why.find(cfg.string()) == std::string::npos || why.find("Permission denied") == std::string::npos)
            return "reason: " + why;
        return std::string();
    });
    fs::permissions(cfg, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(result, "");
}

}  // namespace handlertest

namespace {

// A host whose progress notifications throw whatever the test hands it:
// the error comes back through the handler as a C++ exception.
class TThrowingCallback : public IEmptyVolumeCacheCallBack {
public:
    explicit TThrowingCallback(std::function<void()> raise) : FRaise(std::move(raise)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE ScanProgress(DWORDLONG, DWORD, LPCWSTR) override { return Raise(); }
    HRESULT STDMETHODCALLTYPE PurgeProgress(DWORDLONG, DWORDLONG, DWORD, LPCWSTR) override { return Raise(); }

private:
    HRESULT Raise()
    {
        FRaise();
        return S_OK;
    }
    std::function<void()> FRaise;
};

}  // namespace

TEST_F(HandlerTest, AnErrorEscapingTheScanOrThePurgeBecomesAnHResult)
{
    WriteConfig(ConfigText(TSettings{}));
    struct TCase {
        const char* Name;
        std::function<void()> Raise;
        HRESULT Scan;   // the scan's result
        HRESULT Purge;  // the purge's result, when its progress report throws
    };
    const TCase cases[] = {
        {"out of memory", [] { throw std::bad_alloc(); }, E_OUTOFMEMORY, E_OUTOFMEMORY},
        {"library error", [] { throw Exception("The volume went away"); }, S_FALSE, E_UNEXPECTED},
        {"standard error", [] { throw std::length_error("too long"); }, S_FALSE, E_UNEXPECTED},
        {"anything", [] { throw 7; }, E_UNEXPECTED, E_UNEXPECTED},
    };
    for (const TCase& c : cases) {
        MakeFile("a.obj");  // the purge of the case before deleted it
        THandler handler = Handler();
        TThrowingCallback throwing(c.Raise);
        DWORDLONG space = 1;
        EXPECT_EQ(handler->GetSpaceUsed(&space, &throwing), c.Scan) << c.Name;
        EXPECT_EQ(space, 0u) << c.Name;

        THandler scanned = Handler();
        ASSERT_EQ(Scan(scanned.get(), space), S_OK);
        ASSERT_GT(space, 0u);
        EXPECT_EQ(scanned->Purge(space, &throwing), c.Purge) << c.Name;
    }
}

TEST_F(HandlerTest, RunningOutOfMemoryIsToldByEveryMethodThatAllocates)
{
    WriteConfig(ConfigText(TSettings{}));
    MakeFile("a.obj");
    THandler handler = Handler();
    zelcomtest::TPtr<ITidewashCtrl> ctrl;
    {
        ITidewashCtrl* raw = nullptr;
        ASSERT_EQ(handler->QueryInterface(IID_ITidewashCtrl, reinterpret_cast<void**>(&raw)), S_OK);
        ctrl = zelcomtest::TPtr<ITidewashCtrl>(raw);
    }
    const std::u16string volume = Wide(Volume());
    char volumeText[] = "/";
    LPWSTR display = nullptr, description = nullptr, button = nullptr;
    VARIANT_BOOL excluded = VARIANT_TRUE;
    DWORDLONG space = 1;
    LONGLONG count = -1;
    HRESULT initialize, initializeEx, isExcluded, scan, stats;
    {
        handlertest::TFailingAllocation failing;
        initialize = handler->Initialize(nullptr, volume.c_str(), &display, &description, nullptr);
        initializeEx = handler->InitializeEx(nullptr, volume.c_str(), u"", &display, &description, &button, nullptr);
        isExcluded = ctrl->IsVolumeExcluded(volumeText, &excluded);
        scan = handler->GetSpaceUsed(&space, nullptr);
        stats = ctrl->GetSelectionStats(&count, nullptr, nullptr, nullptr);  // allocates nothing
    }
    EXPECT_EQ(initialize, E_OUTOFMEMORY);
    EXPECT_EQ(initializeEx, E_OUTOFMEMORY);
    EXPECT_EQ(display, nullptr);
    EXPECT_EQ(description, nullptr);
    EXPECT_EQ(button, nullptr);
    EXPECT_EQ(isExcluded, E_OUTOFMEMORY);
    EXPECT_EQ(excluded, VARIANT_FALSE) << "the answer is written before anything can fail";
    EXPECT_EQ(scan, E_OUTOFMEMORY);
    EXPECT_EQ(space, 0u);
    EXPECT_EQ(stats, S_OK);
    EXPECT_EQ(count, 0);

    // Nothing was left half done: the same object works once memory is back.
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    EXPECT_EQ(space, 10u);
}

TEST_F(HandlerTest, AVolumeInASystemFolderFindsNothing)
{
    TSettings settings;
    settings.Masks = "*";
    WriteConfig(ConfigText(settings));
    MakeFile("a.obj");
    for (const char* system : {"/usr/", "/usr/share/", "/var/lib/", "/etc", "/boot/", "/lib/"}) {
        THandler handler = Handler(system);
        DWORDLONG space = 1;
        EXPECT_EQ(Scan(handler.get(), space), S_OK) << system;
        EXPECT_EQ(space, 0u) << system;
        EXPECT_EQ(Stats(handler.get()).TotalCount, 0) << system;
    }
    // A folder of the user's is still searched.
    THandler handler = Handler();
    DWORDLONG space = 0;
    EXPECT_EQ(Scan(handler.get(), space), S_OK);
    EXPECT_EQ(space, 10u);
}

// The cleanup handler through COM only, as the disk-cleanup host and the
// wizard drive it.
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <new>
#include <stdexcept>
#include <map>
#include <random>
#include <objbase.h>
#include <oleauto.h>
#include <set>
#include <signal.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <winreg.h>

#include "Twsresname.h"

#include "Classes.hpp"
#include "comload.h"
#include "Emptycachecallback.h"

#include "FailingAllocation.h"
#include "HandlerFixture.h"
#include "SettingsFile.h"
#include "Unprivileged.h"

using namespace handlertest;

namespace {

// GetSpaceUsed's answer for a volume that is no folder opened without
// following a link (missing, a file, a link on the way).
const HRESULT kNotAFolder = HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);

// The usual settings of these tests: *.obj only, deleted permanently.
struct TSettings : twstesting::TSettingsFile {
    TSettings()
    {
        ActiveMasks = "*.obj";
        UseRecycleBin = false;
    }
};

std::string ConfigText(const TSettings& s) { return s.Text(); }

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
    // Whether a section of the report lists the file: its cell holds the
    // path alone, or (in the list of files not deleted) followed by why.
    static bool Lists(const std::string& section, const std::string& path)
    {
        return section.find("<td>" + path + "</td>") != std::string::npos ||
               section.find("<td>" + path + "&nbsp;&nbsp;(") != std::string::npos;
    }
};

}  // namespace

TEST_F(HandlerTest, RegistrationWritesTheClassAndTheCleanupKeyAndUnregistrationRemovesThem)
{
    const std::string module = (install / "Tidewash.so").string();
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kCleanupKey), kClsid);
    const std::string clsidKey = "CLSID\\" + kClsid;
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, clsidKey), "Tidewash cleaner for temporary IDE files");
    // No short names here: the full path, blank and all.
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, clsidKey + "\\InprocServer32"), module);
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, clsidKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, "Zel.TidewashCtrl"), "Tidewash cleaner for temporary IDE files");
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
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\" + kLibid)) << "the type library goes with the class";
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

    // Without a review window (TidewashCtrlImpl_review_test shows one).
    EXPECT_EQ(handler->Deactivate(nullptr), S_OK);
    DWORD deactivated = 0xFFFFFFFF;
    EXPECT_EQ(handler->Deactivate(&deactivated), S_OK);
    EXPECT_EQ(deactivated, 0u) << "its output flags are written: none applies";
    // Without a settings file the handler used the defaults and wrote none.
    EXPECT_FALSE(fs::exists(fs::symlink_status(install / "TWS.cfg")));
}

// An excluded volume is compared as the folder it is: another spelling of
// it, or a folder below it on the same file system, is excluded too.
TEST_F(HandlerTest, AFolderOnAnExcludedVolumeIsExcludedWhateverItsSpelling)
{
    MakeFile("a.obj");
    MakeFile("sub/b.obj");
    for (const std::string& excluded : {volume.string(), (volume / "sub" / "..").string(), base.string()}) {
        TSettings s;
        s.ExcludedVolumes = {excluded};
        WriteConfig(ConfigText(s));
        for (const std::string& scanned : {Volume(), Volume() + "sub/"}) {
            auto handler = Handler(scanned);
            DWORDLONG space = 1;
            EXPECT_EQ(Scan(handler.get(), space), S_OK) << excluded << " / " << scanned;
            EXPECT_EQ(Stats(handler.get()).TotalCount, 0) << excluded << " / " << scanned;
        }
    }
    // Not excluded: a folder beside the volume.
    TSettings s;
    s.ExcludedVolumes = {Volume() + "sub/"};
    WriteConfig(ConfigText(s));
    auto handler = Handler();
    DWORDLONG space = 0;
    EXPECT_EQ(Scan(handler.get(), space), S_OK);
    EXPECT_EQ(Stats(handler.get()).TotalCount, 2) << "an excluded subfolder does not exclude the volume above it";
}

TEST_F(HandlerTest, ExcludedVolumesAreWholeEntries)
{
    TSettings s;
    s.ExcludedVolumes = {"/elsewhere/", Volume()};
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
    s.ActiveMasks = "*.obj,*.o*";
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
    EXPECT_EQ(space, 30u) << "a file found by two masks counts once";
    // Start; per mask: the volume, its subfolder, the subfolder's file, then
    // the volume's own file (the running total counts what each mask
    // found); the final report with each file once.
    // The text tells the mask, its files and folders so far and where the
    // search is, written anew as a mask's search starts and at each file
    // found (and every so many folders); the first and final reports tell
    // none.
    const std::string vol = Volume(), sub = vol + "sub";
    const struct {
        DWORDLONG Space;
        std::string Text;
    } expected[] = {
        {0, ""},
        {0, "*.obj: 0 files found in 1 folder: " + vol},
        {0, "*.obj: 0 files found in 1 folder: " + vol},
        {20, "*.obj: 1 file found in 2 folders: " + sub},
        {30, "*.obj: 2 files found in 2 folders: " + vol},
        {30, "*.o*: 0 files found in 1 folder: " + vol},
        {30, "*.o*: 0 files found in 1 folder: " + vol},
        {50, "*.o*: 1 file found in 2 folders: " + sub},
        {60, "*.o*: 2 files found in 2 folders: " + vol},
        {30, ""},
    };
    ASSERT_EQ(notes.size(), std::size(expected));
    for (std::size_t i = 0; i < notes.size(); ++i) {
        EXPECT_EQ(notes[i].Space, expected[i].Space) << "notification " << i;
        EXPECT_EQ(notes[i].Last, i + 1 == notes.size()) << "notification " << i;
        EXPECT_EQ(notes[i].Text, Wide(expected[i].Text)) << "notification " << i;
    }
    const auto stats = Stats(handler.get());
    EXPECT_EQ(stats.TotalCount, 2);
    EXPECT_EQ(stats.TotalSize, 30);
    EXPECT_EQ(stats.SelectedCount, 2);
    EXPECT_EQ(stats.SelectedSize, 30);

    ITidewashCtrl* ctrl = nullptr;
    ASSERT_EQ(handler->QueryInterface(IID_ITidewashCtrl, reinterpret_cast<void**>(&ctrl)), S_OK);
    EXPECT_EQ(ctrl->GetSelectionStats(nullptr, nullptr, nullptr, nullptr), S_OK);
    ctrl->Release();
}

TEST_F(HandlerTest, NoActiveMaskMeansOnlyTheFirstAndFinalReports)
{
    TSettings s;
    s.ActiveMasks = "";
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
    // No folder named: refused, never read as some folder.
    EXPECT_EQ(handler->Initialize(nullptr, nullptr, &display, &description, nullptr), E_INVALIDARG);
    EXPECT_EQ(handler->Initialize(nullptr, u"", &display, &description, nullptr), E_INVALIDARG);
    EXPECT_EQ(display, nullptr);
    EXPECT_EQ(description, nullptr);
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
    callback->OnPurgeProgress = [&](std::uint64_t done, std::uint64_t remaining, bool& abort) {
        EXPECT_EQ(done + remaining, 400u) << "the space still to free, not Purge's argument";
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
    s.ExcludedFolders = {{"*.obj", {Volume() + "proj=0", Volume() + "keep"}}};
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
    s.DeleteHidden = GetParam() & 1;
    s.DeleteReadOnly = GetParam() & 2;
    s.UseRecycleBin = GetParam() & 4;
    WriteConfig(ConfigText(s));
    MakeFile("plain.obj", 1);
    MakeFile(".hidden.obj", 2);
    fs::permissions(MakeFile("ro.obj", 4), fs::perms::owner_read | fs::perms::group_read);
    fs::permissions(MakeFile(".hiddenro.obj", 8), fs::perms::owner_read);
    std::map<std::string, fs::perms> modes;
    for (const char* name : {"plain.obj", ".hidden.obj", "ro.obj", ".hiddenro.obj"})
        modes[name] = fs::status(volume / name).permissions();
    auto handler = Handler();
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    EXPECT_EQ(Stats(handler.get()).TotalSize, 15);
    // The space the purge will free: what the settings let go.
    ASSERT_EQ(space, 1u + (s.DeleteHidden ? 2 : 0) + (s.DeleteReadOnly ? 4 : 0) + (s.DeleteHidden && s.DeleteReadOnly ? 8 : 0));
    std::vector<TNote> notes;
    ASSERT_EQ(Purge(handler.get(), space, &notes), S_OK);

    struct TExpect {
        bool Gone;
        DWORDLONG Size;
    };
    const std::map<std::string, TExpect> expected = {
        {"plain.obj", {true, 1}},
        {".hidden.obj", {s.DeleteHidden, 2}},
        {"ro.obj", {s.DeleteReadOnly, 4}},
        {".hiddenro.obj", {s.DeleteHidden && s.DeleteReadOnly, 8}},
    };
    DWORDLONG freed = 0;
    std::size_t attempted = 0;
    for (const auto& [name, e] : expected) {
        EXPECT_EQ(!fs::exists(volume / name), e.Gone) << name;
        // A file a rule refuses keeps its permissions, read-only included.
        if (!e.Gone) {
            EXPECT_EQ(fs::status(volume / name).permissions(), modes.at(name)) << name;
        }
        EXPECT_EQ(fs::exists(data / "Trash" / "files" / name), e.Gone && s.UseRecycleBin) << name;
        EXPECT_TRUE(Lists(Section(e.Gone), Volume() + name)) << name << " is not in its list";
        EXPECT_FALSE(Lists(Section(!e.Gone), Volume() + name)) << name << " is in both lists";
        if (e.Gone) {
            freed += e.Size;
            ++attempted;
        }
    }
    // The selection holds what goes, nothing the settings keep: every
    // figure drawn from it agrees with the purge.
    const auto stats = Stats(handler.get());
    EXPECT_EQ(stats.SelectedCount, static_cast<LONGLONG>(attempted));
    EXPECT_EQ(stats.SelectedSize, static_cast<LONGLONG>(freed));
    EXPECT_EQ(stats.TotalCount, 4);
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

// Overlapping masks: each file counted, listed and purged once, the
// report showing it under every mask that found it.
// Overlapping masks are matched by the whole path: files of one name in
// different folders, or whose folder and name split one text differently,
// stay apart.
TEST_F(HandlerTest, FilesFoundByTwoMasksAreMatchedByTheirWholePath)
{
    TSettings s;
    s.ActiveMasks = "*.~*,*.~dsk";
    WriteConfig(ConfigText(s));
    MakeFile("a.~dsk", 1);
    MakeFile("x/a.~dsk", 2);
    MakeFile("xy/a.~dsk", 4);
    MakeFile("x/ya.~dsk", 8);
    auto handler = Handler();
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    EXPECT_EQ(space, 15u);

    ITidewashResults* results = nullptr;
    ASSERT_EQ(handler->QueryInterface(IID_ITidewashResults, reinterpret_cast<void**>(&results)), S_OK);
    LONG count = 0;
    ASSERT_EQ(results->GetFileCount(&count), S_OK);
    std::map<std::string, std::string> masksOf;
    for (LONG i = 0; i < count; ++i) {
        TWS_FILE_RESULT r{};
        ASSERT_EQ(results->GetFile(i, &r), S_OK);
        EXPECT_TRUE(masksOf.emplace(Narrow(r.Path), Narrow(r.Mask)).second) << "listed twice: " << Narrow(r.Path);
        TwsClearFileResult(r);
    }
    results->Release();
    const std::string both = "*.~*, *.~dsk";
    const std::map<std::string, std::string> expected = {{Volume() + "a.~dsk", both},
                                                         {Volume() + "x/a.~dsk", both},
                                                         {Volume() + "xy/a.~dsk", both},
                                                         {Volume() + "x/ya.~dsk", both}};
    EXPECT_EQ(masksOf, expected);
}

TEST_F(HandlerTest, AFileFoundByTwoMasksIsCountedAndPurgedOnce)
{
    TSettings s;
    s.ActiveMasks = "*.~*,*.~dsk";
    WriteConfig(ConfigText(s));
    MakeFile("a.~dsk", 10);
    MakeFile("b.~pas", 5);
    auto handler = Handler();
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    ASSERT_EQ(space, 15u);
    const auto stats = Stats(handler.get());
    EXPECT_EQ(stats.TotalCount, 2);
    EXPECT_EQ(stats.SelectedCount, 2);
    EXPECT_EQ(stats.SelectedSize, 15);

    ITidewashResults* results = nullptr;
    ASSERT_EQ(handler->QueryInterface(IID_ITidewashResults, reinterpret_cast<void**>(&results)), S_OK);
    LONG count = 0;
    ASSERT_EQ(results->GetFileCount(&count), S_OK);
    std::map<std::string, std::string> masksOf;
    for (LONG i = 0; i < count; ++i) {
        TWS_FILE_RESULT r{};
        ASSERT_EQ(results->GetFile(i, &r), S_OK);
        masksOf[Narrow(r.Path)] = Narrow(r.Mask);
        TwsClearFileResult(r);
    }
    const std::map<std::string, std::string> expected = {{Volume() + "a.~dsk", "*.~*, *.~dsk"},
                                                         {Volume() + "b.~pas", "*.~*"}};
    EXPECT_EQ(masksOf, expected);

    std::vector<TNote> notes;
    ASSERT_EQ(Purge(handler.get(), space, &notes), S_OK);
    EXPECT_FALSE(fs::exists(volume / "a.~dsk"));
    EXPECT_EQ(notes.back().Space, 15u) << "freed once";
    const std::string deleted = Section(true);
    EXPECT_EQ(Section(false).find("<td>/"), std::string::npos) << "no false failure: " << Section(false);
    // Listed under both masks in the deleted section.
    const auto first = deleted.find(Volume() + "a.~dsk");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(deleted.find(Volume() + "a.~dsk", first + 1), std::string::npos) << deleted;
    for (LONG i = 0; i < count; ++i) {
        TWS_FILE_RESULT r{};
        ASSERT_EQ(results->GetFile(i, &r), S_OK);
        EXPECT_NE(r.Outcome, static_cast<DWORD>(TWS_OUTCOME_FAILED)) << Narrow(r.Path);
        TwsClearFileResult(r);
    }
    results->Release();
}

// The figures a counting host reads are the full record's, before and
// after a purge, with no text made: a plan or outcome told from a stale or
// different file would show in the host's totals.
TEST_F(HandlerTest, FileFiguresAreTheRecordsWithoutItsTexts)
{
    TSettings s;
    s.DeleteHidden = false;
    s.DeleteReadOnly = false;
    WriteConfig(ConfigText(s));
    MakeFile("plain.obj", 1);
    MakeFile(".hidden.obj", 2);
    fs::permissions(MakeFile("ro.obj", 4), fs::perms::owner_read);
    auto handler = Handler();
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    ITidewashResults* results = nullptr;
    ASSERT_EQ(handler->QueryInterface(IID_ITidewashResults, reinterpret_cast<void**>(&results)), S_OK);
    LONG count = 0;
    ASSERT_EQ(results->GetFileCount(&count), S_OK);
    ASSERT_EQ(count, 3);
    const auto expectFiguresOfEveryFile = [&](const char* when) {
        std::set<DWORD> plans, outcomes;
        for (LONG i = 0; i < count; ++i) {
            TWS_FILE_RESULT full{}, figures{};
            EXPECT_EQ(results->GetFile(i, &full), S_OK) << when << i;
            EXPECT_EQ(results->GetFileFigures(i, &figures), S_OK) << when << i;
            const std::string path = Narrow(full.Path);
            EXPECT_EQ(figures.Size, full.Size) << when << path;
            EXPECT_EQ(figures.Plan, full.Plan) << when << path;
            EXPECT_EQ(figures.Outcome, full.Outcome) << when << path;
            EXPECT_EQ(figures.Device, full.Device) << when << path;
            EXPECT_EQ(figures.Inode, full.Inode) << when << path;
            EXPECT_EQ(figures.ModifiedNs, full.ModifiedNs) << when << path;
            EXPECT_NE(figures.Inode, 0u) << when << path;
            for (BSTR text : {figures.Mask, figures.Path, figures.PlanReason, figures.OutcomeReason,
                              figures.TrashFolder, figures.TrashName})
                EXPECT_EQ(text, nullptr) << when << path;
            plans.insert(figures.Plan);
            outcomes.insert(figures.Outcome);
            TwsClearFileResult(full);
        }
        return std::make_pair(plans, outcomes);
    };
    const auto [scannedPlans, scannedOutcomes] = expectFiguresOfEveryFile("scanned: ");
    EXPECT_EQ(scannedPlans, (std::set<DWORD>{TWS_PLAN_REMOVE, TWS_PLAN_KEEP_HIDDEN, TWS_PLAN_KEEP_READONLY}));
    EXPECT_EQ(scannedOutcomes, std::set<DWORD>{TWS_OUTCOME_NONE});
    ASSERT_EQ(Purge(handler.get(), space, nullptr), S_OK);
    const auto [purgedPlans, purgedOutcomes] = expectFiguresOfEveryFile("purged: ");
    EXPECT_EQ(purgedPlans, scannedPlans);
    EXPECT_TRUE(purgedOutcomes.count(TWS_OUTCOME_DELETED)) << "the purge's outcomes are told";

    TWS_FILE_RESULT outside{};
    outside.Size = 7;
    for (LONG index : {LONG{-1}, count}) {
        EXPECT_EQ(results->GetFileFigures(index, &outside), E_INVALIDARG) << index;
        EXPECT_EQ(outside.Size, 0) << "cleared, not left as it was";
    }
    EXPECT_EQ(results->GetFileFigures(0, nullptr), E_INVALIDARG);
    results->Release();
}

TEST_F(HandlerTest, ObjectsAProjectLinksAndCannotBuildAreFoundButNotSelected)
{
    TSettings s;
    s.ActiveMasks = "*.obj,*.~*";
    WriteConfig(ConfigText(s));
    MakeFile("delphi/ZLibUnit.pas", 0);
    std::ofstream(volume / "delphi/ZLibUnit.pas") << "unit ZLibUnit; {$L lib\\zlib.obj} {$L lib\\lzma.obj}\n"
                                                     "// {$L lib\\crc.obj}\nend.";
    MakeFile("delphi/ZLibUnit.~pas", 1);
    MakeFile("delphi/ZLibUnit.obj", 2);
    MakeFile("delphi/lib/zlib.obj", 100);
    MakeFile("delphi/lib/lzma.obj", 200);
    MakeFile("delphi/lib/crc.obj", 4);
    MakeFile("bcb/Unit1.cpp", 0);
    std::ofstream(volume / "bcb/Project1.bpr")
        << "<?xml version='1.0'?><PROJECT><MACROS><OBJFILES value=\"Unit1.obj vendor.obj\"/></MACROS></PROJECT>";
    MakeFile("bcb/Unit1.obj", 8);
    MakeFile("bcb/vendor.obj", 400);
    auto handler = Handler();
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    EXPECT_EQ(space, 15u) << "the space the purge frees: the guarded files are found, not counted";
    const auto stats = Stats(handler.get());
    EXPECT_EQ(stats.TotalCount, 7);
    EXPECT_EQ(stats.TotalSize, 715);
    EXPECT_EQ(stats.SelectedCount, 4);
    EXPECT_EQ(stats.SelectedSize, 15);

    ASSERT_EQ(Purge(handler.get(), space), S_OK);
    for (const char* kept : {"delphi/lib/zlib.obj", "delphi/lib/lzma.obj", "bcb/vendor.obj", "delphi/ZLibUnit.pas"})
        EXPECT_TRUE(fs::exists(volume / kept)) << kept;
    for (const char* gone : {"delphi/ZLibUnit.~pas", "delphi/ZLibUnit.obj", "delphi/lib/crc.obj", "bcb/Unit1.obj"})
        EXPECT_FALSE(fs::exists(volume / gone)) << gone;
    // The purge report lists the files the guard kept, each with its reason.
    const std::string notDeleted = Section(false);
    for (const char* kept : {"delphi/lib/zlib.obj", "delphi/lib/lzma.obj", "bcb/vendor.obj"}) {
        const auto row = notDeleted.find("<td>" + Volume() + kept + "&nbsp;&nbsp;(");
        ASSERT_NE(row, std::string::npos) << kept;
        EXPECT_EQ(notDeleted.compare(notDeleted.find('(', row), 11, "(linked by "), 0) << kept;
    }
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
    s.ExcludedFolders = {{"*.obj", {Volume() + "a=b=1", Volume() + "c=d=0"}}};
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

// A settings file that is there but damaged, not whole (cut short) or not
// a regular file stops the scan with the file and the reason; the defaults
// are never used in its place, and nothing is written. A missing file
// means the defaults, and the scan creates none.
TEST_F(HandlerTest, ADamagedOrCutShortSettingsFileStopsTheScanWithTheReason)
{
    const fs::path cfg = install / "TWS.cfg";
    MakeFile("proj/a.obj");
    TSettings s;
    s.ExcludedFolders = {{"*.obj", {Volume() + "proj=1"}}};
    const std::string whole = s.Text();
    const std::string excluded = "[Files/Excluded]\n";
    const std::string beforeExcluded = whole.substr(0, whole.find(excluded));
    const std::string afterExcluded = whole.substr(whole.find(excluded) + excluded.size());
    const auto MaskedText = [&s](const char* masks) {
        TSettings masked = s;
        masked.ActiveMasks = masks;
        return masked.Text();
    };
    struct Case {
        const char* name;
        std::string text;
        const char* reason;
    };
    const Case cases[] = {
        {"unclosed quote in the folder list",
         beforeExcluded + excluded + "*.obj=\"\"" + Volume() + "proj=1\"\n" + afterExcluded, "not a list"},
        {"NUL bytes", whole + std::string("\0\0\0", 3), "NUL bytes"},
        {"a line that is not name=value", beforeExcluded + excluded + Volume() + "proj\n" + afterExcluded,
         "not name=value"},
        {"empty", "", "it is empty"},
        {"cut before [Files/Excluded]", beforeExcluded, "lacks [Files/Excluded]"},
        {"cut inside the folder list", whole.substr(0, whole.find("proj=1")), "cut short"},
        {"cut before [Volumes]", whole.substr(0, whole.find("[Volumes]")), "lacks [Volumes] Excluded"},
        {"a mask that matches every name", MaskedText("*.obj,*.*"), "matches every file name"},
        {"a mask of a star alone", MaskedText("*"), "matches every file name"},
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
    EXPECT_FALSE(fs::exists(fs::symlink_status(cfg)));
}

// TWS.cfg is never read or created through a link, and a FIFO under its
// name does not hold the scan: each stops it with the reason at once.
TEST_F(HandlerTest, ALinkOrAFifoAsTheSettingsFileStopsTheScan)
{
    const fs::path cfg = install / "TWS.cfg";
    const fs::path target = outside / "TWS.cfg";
    MakeFile("proj/a.obj");
    struct Case {
        const char* name;
        std::function<void()> plant;
        const char* reason;
        bool targetThere;  // afterwards: only where the test made it
    };
    const Case cases[] = {
        {"a link leading nowhere", [&] { fs::create_symlink(target, cfg); }, "symbolic link", false},
        {"a link to a whole file", [&] { TSettings().WriteTo(target); fs::create_symlink(target, cfg); },
         "symbolic link", true},
        {"a FIFO", [&] { ASSERT_EQ(::mkfifo(cfg.c_str(), 0600), 0); }, "not a regular file", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.plant();
        auto handler = Handler();
        DWORDLONG space = 1;
        EXPECT_EQ(Scan(handler.get(), space), DISP_E_EXCEPTION);
        const std::string why = TakeErrorDescription();
        EXPECT_NE(why.find(cfg.string()), std::string::npos) << why;
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
        EXPECT_EQ(Stats(handler.get()).TotalCount, 0);
        handler.reset();
        EXPECT_EQ(fs::exists(target), c.targetThere);
        fs::remove(cfg);
        fs::remove(target);
    }
}

// Unreadable (mode 000, as a user who is not root): the same refusal.
TEST_F(HandlerTest, AnUnreadableSettingsFileStopsTheScan)
{
    TSettings s;
    s.ExcludedFolders = {{"*.obj", {Volume() + "proj=1"}}};
    WriteConfig(ConfigText(s));
    MakeFile("proj/a.obj");
    const fs::path cfg = install / "TWS.cfg";
    // The module and the libraries it loads come from the build folder,
    // which the unprivileged user may not be able to enter (a clone in a
    // home folder of mode 0700): they are loaded here, before the rights
    // are dropped, and the child finds the module loaded. The user must
    // still reach the registry and the volume; only the settings file is
    // closed to it.
    ASSERT_TRUE(Handler()) << "the handler cannot be created: " << twscom::LastModuleLoadError();
    for (const auto& entry : fs::recursive_directory_iterator(base))
        fs::permissions(entry.path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(base, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(cfg, fs::perms::none);
    const std::string result = twstesting::RunUnprivileged([&]() -> std::string {
        auto handler = Handler();
        if (!handler)
            return std::string("the handler cannot be created: ") + twscom::LastModuleLoadError();
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
    settings.ActiveMasks = "*.obj,*.~*";
    WriteConfig(ConfigText(settings));
    MakeFile("a.obj");
    for (const char* system : {"/usr/", "/usr/share/", "/var/lib/", "/etc", "/boot/", "/lib/"}) {
        THandler handler = Handler(system);
        DWORDLONG space = 1;
        // Where /lib is a link to /usr/lib, it is refused as a link.
        const bool link = fs::is_symlink(fs::path(system).parent_path());
        EXPECT_EQ(Scan(handler.get(), space), link ? kNotAFolder : S_OK) << system;
        EXPECT_EQ(space, 0u) << system;
        EXPECT_EQ(Stats(handler.get()).TotalCount, 0) << system;
    }
    // A folder of the user's is still searched.
    THandler handler = Handler();
    DWORDLONG space = 0;
    EXPECT_EQ(Scan(handler.get(), space), S_OK);
    EXPECT_EQ(space, 10u);
}

// A file deleted after the scan and created anew in its place (a file
// system hands the freed inode to the next file, so it may well come back
// with the same identity) is not the file the user reviewed.
TEST_F(HandlerTest, AFileCreatedAnewAfterTheScanIsNotDeleted)
{
    TSettings s;
    for (const bool trash : {false, true}) {
        s.UseRecycleBin = trash;
        WriteConfig(ConfigText(s));
        const fs::path file = MakeFile("p/a.obj", 10);
        struct stat found;
        ASSERT_EQ(::lstat(file.c_str(), &found), 0);
        auto handler = Handler();
        DWORDLONG space = 0;
        ASSERT_EQ(Scan(handler.get(), space), S_OK);
        bool reused = false;
        for (int i = 0; i < 20 && !reused; ++i) {
            fs::remove(file);
            std::ofstream(file) << "new file!!";
            struct stat now;
            ASSERT_EQ(::lstat(file.c_str(), &now), 0);
            reused = now.st_ino == found.st_ino;
        }
        if (!reused)
            std::printf("note: the file system did not reuse the inode\n");
        ASSERT_EQ(Purge(handler.get(), space), S_OK);
        EXPECT_EQ(ReadFile(file), "new file!!") << "trash " << trash;
        EXPECT_NE(Section(false).find(file.string()), std::string::npos) << "trash " << trash;
        fs::remove(file);
    }
}

// With the user's data folder inside the volume at a path that is not
// hidden, the trash lies in the volume: a later scan never enters it, so a
// second purge leaves the trash, and what can be restored from it, intact.
TEST_F(HandlerTest, TheTrashIsNeverScanned)
{
    const fs::path inside = volume / "userdata";
    ::setenv("XDG_DATA_HOME", inside.c_str(), 1);
    TSettings s;
    s.UseRecycleBin = true;
    s.ActiveMasks = "*.obj,*.trashinfo,a*,dir*";  // every name in the trash
    WriteConfig(ConfigText(s));
    MakeFile("p/a.obj", 3);
    DWORDLONG space = 0;
    {
        auto handler = Handler();
        ASSERT_EQ(Scan(handler.get(), space), S_OK);
        ASSERT_EQ(Purge(handler.get(), space), S_OK);
    }
    const fs::path info = inside / "Trash" / "info" / "a.obj.trashinfo";
    ASSERT_TRUE(fs::exists(inside / "Trash" / "files" / "a.obj"));
    const std::string written = ReadFile(info);
    MakeFile("p/b.obj", 4);
    auto second = Handler();
    ASSERT_EQ(Scan(second.get(), space), S_OK);
    EXPECT_EQ(Stats(second.get()).TotalCount, 1) << "only b.obj, counted once";
    ASSERT_EQ(Purge(second.get(), space), S_OK);
    EXPECT_EQ(ReadFile(info), written);
    EXPECT_EQ(ReadFile(inside / "Trash" / "files" / "a.obj"), "xxx");
    EXPECT_EQ(std::distance(fs::directory_iterator(inside / "Trash" / "info"), fs::directory_iterator()), 2);
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
}

namespace {

// Runs a shell script with the test's trash under a session bus of its
// own, so that GLib's trash backend (gvfsd-trash) reads the trash; its
// output.
std::string UnderSessionBus(const fs::path& scriptFile, const std::string& script, int& status)
{
    std::ofstream(scriptFile) << script;
    std::string out;
    FILE* pipe = ::popen(("LC_ALL=C.UTF-8 dbus-run-session -- sh '" + scriptFile.string() + "' 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        status = -1;
        return out;
    }
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    status = ::pclose(pipe);
    return out;
}

// gio prints the bytes of a path that are not ASCII as \xNN.
std::string Unescaped(const std::string& printed)
{
    std::string out;
    for (std::size_t i = 0; i < printed.size(); ++i) {
        if (printed.compare(i, 2, "\\x") == 0 && i + 3 < printed.size()) {
            out += static_cast<char>(std::stoi(printed.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += printed[i];
        }
    }
    return out;
}

}  // namespace

// What the purge writes into the trash is what GLib reads: its trash lists
// every file with its original path, and restores each byte for byte.
TEST_F(HandlerTest, GLibListsAndRestoresWhatThePurgeTrashed)
{
    ASSERT_EQ(std::system("command -v dbus-run-session >/dev/null && test -x /usr/libexec/gvfsd-trash"), 0)
        << "the session bus and GLib's trash backend are missing: run scripts/setup.sh";
    TSettings s;
    s.UseRecycleBin = true;
    WriteConfig(ConfigText(s));
    const std::map<std::string, std::string> files = {
        {"one/Unit1.obj", "first unit"},
        {"two/Unit1.obj", "second unit"},
        {"sp ace/100% \xC3\xA9t\xC3\xA9.obj", "escaped"},
        {"deep/er/x.obj", std::string(5000, 'z')},
    };
    for (const auto& [name, content] : files) {
        fs::create_directories((volume / name).parent_path());
        std::ofstream(volume / name) << content;
    }
    auto handler = Handler();
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    ASSERT_EQ(Purge(handler.get(), space), S_OK);
    for (const auto& [name, content] : files)
        ASSERT_FALSE(fs::exists(volume / name)) << name;

    int status = 0;
    const std::string listed = UnderSessionBus(base / "list.sh", "gio trash --list\n", status);
    ASSERT_EQ(status, 0) << listed;
    // GLib lists the trash of every mounted volume, which on a developer's
    // machine may hold anything: only what came from this test's volume is
    // compared and put back.
    const std::string ours = volume.string() + "/";
    std::set<std::string> origins, expected;
    std::string restore = "set -e\n";
    std::istringstream lines(listed);
    for (std::string line; std::getline(lines, line);) {
        const auto tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        const std::string origin = Unescaped(line.substr(tab + 1));
        if (origin.compare(0, ours.size(), ours) != 0)
            continue;
        origins.insert(origin);
        // Restoring is moving out of trash:/// to the original path, as a
        // file manager does (gio trash --restore of this GLib version
        // mangles names that are not ASCII, its own trashing included).
        restore += "gio move \"" + line.substr(0, tab) + "\" \"" + origin + "\"\n";
    }
    for (const auto& [name, content] : files)
        expected.insert((volume / name).string());
    EXPECT_EQ(origins, expected);

    const std::string restored = UnderSessionBus(base / "restore.sh", restore, status);
    EXPECT_EQ(status, 0) << restored;
    for (const auto& [name, content] : files)
        EXPECT_EQ(ReadFile(volume / name), content) << name;
}

namespace {

// A second process that, until stopped, swaps each pair of names with
// renameat2(RENAME_EXCHANGE) as fast as it can.
class TSwapper {
public:
    // Returns once the swapping has begun.
    explicit TSwapper(std::vector<std::pair<fs::path, fs::path>> pairs)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        FPid = ::fork();
        if (FPid != 0) {
            ::close(ready[1]);
            char c;
            (void)!::read(ready[0], &c, 1);
            ::close(ready[0]);
            return;
        }
        ::close(ready[0]);
        // Two rounds: each name is back in place when the purge starts.
        for (int round = 0; round < 2; ++round)
            for (const auto& [a, b] : pairs)
                ::syscall(SYS_renameat2, AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
        (void)!::write(ready[1], "r", 1);
        ::close(ready[1]);
        // In random order: a purge going through the files at the pace of
        // a fixed round would meet each in the same state every time.
        std::minstd_rand random(static_cast<unsigned>(::getpid()));
        for (;;) {
            const auto& [a, b] = pairs[random() % pairs.size()];
            ::syscall(SYS_renameat2, AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
        }
    }
    ~TSwapper() { Stop(); }
    void Stop()
    {
        if (FPid > 0) {
            ::kill(FPid, SIGKILL);
            ::waitpid(FPid, nullptr, 0);
            FPid = -1;
        }
    }

private:
    pid_t FPid = -1;
};

// The file whose content is content, at one of the places, or "".
std::string WhereIs(const std::vector<fs::path>& places, const std::string& content)
{
    for (const fs::path& p : places)
        if (fs::is_regular_file(fs::symlink_status(p)) && ReadFile(p) == content)
            return p.string();
    return "";
}

}  // namespace

// Purges, permanent and into the trash, with and without DeleteReadOnly,
// while another process swaps a folder for a link, files for links to
// outside files, and files for other files. Nothing outside the volume may
// change, in bytes or mode; a file reported deleted is gone from the volume
// (and, for the trash, is in it with its path); a file reported not deleted
// is still there with its permissions. TWS_RACE_ROUNDS sets the rounds.
TEST_F(HandlerTest, PurgesRacingASwappingProcessTouchNothingElse)
{
    const char* rounds = std::getenv("TWS_RACE_ROUNDS");
    const int kRounds = rounds != nullptr ? std::max(1, std::atoi(rounds)) : 3;
    constexpr int kFiles = 30;
    std::map<std::string, int> tally;
    for (int variant = 0; variant < 4; ++variant) {
        TSettings s;
        s.UseRecycleBin = variant & 1;
        s.DeleteReadOnly = variant & 2;
        WriteConfig(ConfigText(s));
        for (int round = 0; round < kRounds; ++round) {
            fs::remove_all(volume);
            fs::remove_all(outside);
            fs::remove_all(data / "Trash");
            // name in the volume, content, the name it is swapped with, and
            // the outside file (if any) that the swap brings in.
            struct TSwapped {
                fs::path Name, Other;
                std::string Content;
                fs::perms Mode;
            };
            std::vector<TSwapped> swapped;
            std::map<fs::path, std::pair<std::string, fs::perms>> outsideFiles;
            const auto make = [](const fs::path& p, const std::string& content, fs::perms mode) {
                fs::create_directories(p.parent_path());
                std::ofstream(p) << content;
                fs::permissions(p, mode);
            };
            const fs::perms ro = fs::perms::owner_read, rw = fs::perms::owner_read | fs::perms::owner_write;
            for (int k = 0; k < kFiles; ++k) {
                const std::string n = std::to_string(k);
                const fs::perms mode = k % 2 ? ro : rw;
                const fs::path outsideFile = outside / ("a" + n);
                make(outsideFile, "outside a" + n, ro);
                outsideFiles[outsideFile] = {"outside a" + n, ro};
                make(volume / "f" / ("a" + n + ".obj"), "found a" + n, mode);
                fs::create_symlink(outsideFile, volume / "f" / ("a" + n + ".lnk"));
                swapped.push_back({volume / "f" / ("a" + n + ".obj"), volume / "f" / ("a" + n + ".lnk"),
                                   "found a" + n, mode});
                make(volume / "f" / ("b" + n + ".obj"), "found b" + n, mode);
                make(volume / "f" / ("b" + n + ".new"), "other b" + n, rw);
                swapped.push_back({volume / "f" / ("b" + n + ".obj"), volume / "f" / ("b" + n + ".new"),
                                   "found b" + n, mode});
                make(volume / "d" / ("c" + n + ".obj"), "found c" + n, mode);
                make(outside / "d" / ("c" + n + ".obj"), "outside c" + n, ro);
                outsideFiles[outside / "d" / ("c" + n + ".obj")] = {"outside c" + n, ro};
            }
            fs::create_directory_symlink(outside / "d", volume / "dl");
            auto handler = Handler();
            DWORDLONG space = 0;
            ASSERT_EQ(Scan(handler.get(), space), S_OK);
            ASSERT_EQ(Stats(handler.get()).TotalCount, 3 * kFiles);

            std::vector<std::pair<fs::path, fs::path>> pairs = {{volume / "d", volume / "dl"}};
            for (const TSwapped& w : swapped)
                pairs.emplace_back(w.Name, w.Other);
            TSwapper swapper(pairs);
            ASSERT_EQ(Purge(handler.get(), space), S_OK);
            swapper.Stop();

            for (const auto& [file, what] : outsideFiles) {
                EXPECT_EQ(ReadFile(file), what.first) << file;
                EXPECT_EQ(fs::symlink_status(file).permissions(), what.second) << file;
            }
            const fs::path realFolder = fs::is_symlink(volume / "d") ? volume / "dl" : volume / "d";
            for (int k = 0; k < kFiles; ++k) {
                const std::string n = std::to_string(k);
                swapped.push_back({volume / "d" / ("c" + n + ".obj"), realFolder / ("c" + n + ".obj"), "found c" + n,
                                   k % 2 ? ro : rw});
            }
            const std::string good = Section(true), bad = Section(false);
            for (const TSwapped& w : swapped) {
                const bool deleted = Lists(good, w.Name.string());
                EXPECT_NE(deleted, Lists(bad, w.Name.string())) << w.Name;
                const std::string at = WhereIs({w.Name, w.Other}, w.Content);
                ++tally[std::string(s.UseRecycleBin ? "trash" : "permanent") +
                        (s.DeleteReadOnly ? " read-only on" : " read-only off") +
                        (deleted ? ": deleted" : ": not deleted")];
                if (deleted) {
                    EXPECT_EQ(at, "") << w.Name << " was reported deleted but is still in the volume";
                    if (s.UseRecycleBin) {
                        EXPECT_EQ(WhereIs({data / "Trash" / "files" / w.Name.filename()}, w.Content),
                                  (data / "Trash" / "files" / w.Name.filename()).string())
                            << w.Name;
                    }
                } else {
                    ASSERT_NE(at, "") << w.Name << " was reported not deleted but is lost";
                    EXPECT_EQ(fs::symlink_status(at).permissions(), w.Mode) << at;
                }
                if (!s.DeleteReadOnly && w.Mode == ro) {
                    EXPECT_FALSE(deleted) << w.Name;
                }
            }
            // The trash holds only files the scan found, each restorable.
            if (s.UseRecycleBin && fs::exists(data / "Trash" / "files"))
                for (const auto& e : fs::directory_iterator(data / "Trash" / "files")) {
                    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(e.path()))) << e.path();
                    EXPECT_EQ(ReadFile(e.path()).rfind("found ", 0), 0u) << e.path();
                    EXPECT_TRUE(fs::exists(data / "Trash" / "info" / (e.path().filename().string() + ".trashinfo")));
                }
        }
    }
    for (const auto& [what, count] : tally)
        std::printf("%-40s %d\n", what.c_str(), count);
}

namespace {

// The inode of every regular file below folder.
std::set<std::uint64_t> InodesBelow(const fs::path& folder)
{
    std::set<std::uint64_t> inodes;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        struct stat st;
        if (::lstat(e.path().c_str(), &st) == 0 && S_ISREG(st.st_mode))
            inodes.insert(static_cast<std::uint64_t>(st.st_ino));
    }
    return inodes;
}

// Every entry below folder with its content (files) or its target (links).
std::map<std::string, std::string> TreeOf(const fs::path& folder)
{
    std::map<std::string, std::string> tree;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        const fs::path p = e.path();
        tree[p.string()] = fs::is_symlink(p)        ? "link " + fs::read_symlink(p).string()
                           : fs::is_directory(p)    ? "folder"
                                                    : "file " + ReadFile(p);
    }
    return tree;
}

// The identity of every file the handler's last scan found.
std::vector<std::uint64_t> FoundInodes(IEmptyVolumeCache2* handler)
{
    std::vector<std::uint64_t> found;
    ITidewashResults* results = nullptr;
    if (handler->QueryInterface(IID_ITidewashResults, reinterpret_cast<void**>(&results)) != S_OK)
        return found;
    LONG count = 0;
    results->GetFileCount(&count);
    for (LONG i = 0; i < count; ++i) {
        TWS_FILE_RESULT r{};
        if (results->GetFile(i, &r) == S_OK)
            found.push_back(r.Inode);
        TwsClearFileResult(r);
    }
    results->Release();
    return found;
}

}  // namespace

// A volume given as a link, or whose path leads through a link into a
// system folder, is not searched: the volume folder is opened without
// following a link on any component, and judged by what it is.
TEST_F(HandlerTest, AVolumeThatIsALinkOrLeadsIntoASystemFolderIsRefused)
{
    TSettings settings;
    settings.ActiveMasks = "*.obj";
    WriteConfig(ConfigText(settings));
    MakeFile("a.obj");
    fs::create_directory_symlink(volume, base / "volume-link");
    fs::create_directory_symlink("/usr", base / "usr-link");
    fs::create_directories(base / "real");
    fs::create_directory_symlink(volume, base / "real" / "inner-link");
    for (const fs::path& refused : {base / "volume-link", base / "usr-link" / "share", base / "real" / "inner-link"}) {
        THandler handler = Handler(refused.string() + "/");
        DWORDLONG space = 1;
        // A link on the way is no folder to scan: refused, with the reason.
        EXPECT_EQ(Scan(handler.get(), space), kNotAFolder) << refused;
        EXPECT_EQ(Stats(handler.get()).TotalCount, 0) << refused;
    }
    THandler handler = Handler();
    DWORDLONG space = 0;
    ASSERT_EQ(Scan(handler.get(), space), S_OK);
    EXPECT_EQ(Stats(handler.get()).TotalCount, 1);
}

// The volume folder replaced after the scan (by a link to the very folder
// scanned, or by another folder): the purge removes nothing and says why
// for every file.
TEST_F(HandlerTest, AVolumeReplacedAfterTheScanPurgesNothing)
{
    for (const bool byLink : {true, false}) {
        fs::remove_all(volume);
        fs::remove_all(base / "moved");
        WriteConfig(ConfigText(TSettings{}));
        MakeFile("p/a.obj");
        MakeFile("b.obj");
        THandler handler = Handler();
        DWORDLONG space = 0;
        ASSERT_EQ(Scan(handler.get(), space), S_OK);
        ASSERT_EQ(Stats(handler.get()).TotalCount, 2);
        fs::rename(volume, base / "moved");
        if (byLink)
            fs::create_directory_symlink(base / "moved", volume);
        else
            fs::copy(base / "moved", volume, fs::copy_options::recursive);
        ASSERT_EQ(Purge(handler.get(), space), S_OK);
        EXPECT_TRUE(fs::exists(base / "moved" / "p" / "a.obj")) << byLink;
        EXPECT_TRUE(fs::exists(base / "moved" / "b.obj")) << byLink;
        const std::string bad = Section(false);
        for (const char* name : {"p/a.obj", "b.obj"})
            EXPECT_TRUE(Lists(bad, Volume() + name) && bad.find("no longer the folder scanned") != std::string::npos)
                << name << (byLink ? " (link)" : " (copy)");
        fs::remove_all(volume);
    }
}

// Scans and purges, permanent and into the trash, while another process
// swaps the volume folder itself for a link to a folder outside that holds
// files of the same names. Not one outside file may be found, moved,
// deleted or created. TWS_RACE_ROUNDS sets the rounds.
TEST_F(HandlerTest, AVolumeSwappedForALinkDuringScanAndPurgeTouchesNothingOutside)
{
    const char* rounds = std::getenv("TWS_RACE_ROUNDS");
    const int kRounds = rounds != nullptr ? std::max(1, std::atoi(rounds)) : 3;
    constexpr int kFiles = 20;
    const fs::path link = base / "volume-swap";
    std::map<std::string, int> tally;
    for (const bool trash : {false, true}) {
        TSettings s;
        s.UseRecycleBin = trash;
        WriteConfig(ConfigText(s));
        for (int round = 0; round < kRounds; ++round) {
            fs::remove_all(volume);
            fs::remove_all(link);
            fs::remove_all(outside);
            fs::remove_all(data / "Trash");
            for (int k = 0; k < kFiles; ++k) {
                const std::string n = std::to_string(k);
                for (const fs::path& root : {volume, outside}) {
                    fs::create_directories(root / "p" / n);
                    std::ofstream(root / "p" / n / ("a" + n + ".obj")) << (root == volume ? "found " : "outside ") << n;
                    std::ofstream(root / ("b" + n + ".obj")) << (root == volume ? "found " : "outside ") << n;
                }
            }
            fs::create_directory_symlink(outside, link);
            const std::map<std::string, std::string> before = TreeOf(outside);
            const std::set<std::uint64_t> outsideInodes = InodesBelow(outside);

            TSwapper swapper({{volume, link}});
            auto handler = Handler();
            DWORDLONG space = 0;
            // Refused when the scan found the volume swapped for the link.
            const HRESULT scanned = Scan(handler.get(), space);
            ASSERT_TRUE(scanned == S_OK || scanned == kNotAFolder) << scanned;
            const std::vector<std::uint64_t> found = FoundInodes(handler.get());
            for (const std::uint64_t inode : found) {
                EXPECT_EQ(outsideInodes.count(inode), 0u) << "an outside file was found";
            }
            if (space != 0) {
                ASSERT_EQ(Purge(handler.get(), space), S_OK);
            }
            swapper.Stop();

            EXPECT_EQ(TreeOf(outside), before) << "the outside folder changed";
            if (trash && fs::exists(data / "Trash" / "files")) {
                for (const auto& e : fs::directory_iterator(data / "Trash" / "files"))
                    EXPECT_EQ(ReadFile(e.path()).rfind("found ", 0), 0u) << e.path();
            }
            const std::string mode = trash ? "trash" : "permanent";
            tally[mode + ": scans finding files"] += found.empty() ? 0 : 1;
            if (!found.empty()) {
                const std::string good = Section(true);
                std::size_t removed = 0;
                for (auto at = good.find("<td>" + Volume()); at != std::string::npos; at = good.find("<td>" + Volume(), at + 1))
                    ++removed;
                tally[mode + ": purges removing files"] += removed > 0 ? 1 : 0;
            }
        }
    }
    for (const auto& [what, count] : tally)
        std::printf("%-40s %d\n", what.c_str(), count);
}

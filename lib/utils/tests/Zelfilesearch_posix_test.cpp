// Tests of TFileSearch and TSearchResult on real trees made in a temporary
// folder: results and event sequences, exclusions, the listing rules on
// POSIX (hidden, read-only, links, FIFOs, unreadable folders, sizes, names),
// abort, the replayed multi-mask walk against separate walks and against
// a literal walk written here (on one thread and with a pool), a pooled walk
// racing a process that swaps folders for links, and long exclusion lists.
#include "Zelfilesearch.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <filesystem>
#include <fcntl.h>
#include <fstream>
#include <atomic>
#include <cstdio>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "SysUtils.hpp"
#include "TempFolder.h"
#include "Unprivileged.h"
#include "Zelfileutils.h"

using namespace zelutils;
namespace fs = std::filesystem;

namespace {

// A folder of its own for each test (tests run in parallel processes).
class TempTree {
public:
    std::string Root() const { return FFolder.Path().string(); }
    std::string operator()(const std::string& relative) const { return Root() + "/" + relative; }

    void File(const std::string& relative, const std::string& data = "x") const
    {
        twstesting::WriteFile((*this)(relative), data);
    }
    void Folder(const std::string& relative) const { fs::create_directories(fs::path((*this)(relative))); }

private:
    twstesting::TTempFolder FFolder{"zelfilesearch"};
};

std::string Hex(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02x", static_cast<unsigned>(value));
    return text;
}

// Records every event as one line and decides skip and abort by rules the
// literal walk below shares.
class TRecorder {
public:
    std::vector<std::string> Log;
    std::string Start;                 // the start folder as the events give it
    int Pass = 0;                      // how many times the start folder was entered
    std::size_t AbortAtEvent = 0;      // 1-based; 0 = never
    bool SkipByName = false;           // "skip*" folders on odd passes, "stop*" listed subfolders, "nostore*" files
    std::function<void()> OnAbort;
    // The events and, when RecordListed, every file listed, in the order told.
    std::vector<std::string> Sequence;
    bool RecordListed = false;

    bool Folder(const std::string& path, const std::string* listedName)
    {
        if (listedName == nullptr && path == Start)
            ++Pass;
        Log.push_back(listedName == nullptr ? "enter " + path : "list " + path + " | " + *listedName);
        Sequence.push_back(Log.back());
        Count();
        if (!SkipByName)
            return false;
        const std::string name = path.substr(path.find_last_of('/') + 1);
        if (listedName == nullptr)
            return name.rfind("skip", 0) == 0 && Pass % 2 == 1;
        return name.rfind("stop", 0) == 0;
    }
    bool File(const std::string& path, const std::string& name, std::int64_t size)
    {
        Log.push_back("file " + path + " | " + name + " " + std::to_string(size));
        Sequence.push_back(Log.back());
        Count();
        return SkipByName && name.rfind("nostore", 0) == 0;
    }

    void Attach(TFileSearch& search)
    {
        search.OnSearchFolder = [this](const AnsiString& path, const TDirEntry* entry, bool& skip, void*) {
            skip = Folder(path, entry == nullptr ? nullptr : &entry->Name);
        };
        search.OnFileFound = [this](const AnsiString& path, const TDirEntry* entry, bool& skip, void*) {
            skip = File(path, entry->Name, entry->Size);
        };
        OnAbort = [&search] { search.Abort(); };
        if (RecordListed)
            search.OnFileListed = [this](const AnsiString& folder, std::string_view name) {
                Sequence.push_back("listed " + folder + " | " + std::string(name));
            };
    }

private:
    void Count()
    {
        if (AbortAtEvent != 0 && Log.size() == AbortAtEvent && OnAbort)
            OnAbort();
    }
};

// Every stored record per mask, as one line each.
std::map<std::string, std::vector<std::string>> Flatten(const TMaskedFileResults& results, bool details)
{
    std::map<std::string, std::vector<std::string>> flat;
    for (const auto& [mask, files] : results)
        for (const TSearchResult& r : files)
            flat[mask].push_back(details ? r.Path() + "|" + r.Name + "|" + std::to_string(r.Size) + "|" +
                                               Hex(r.Attributes) + "|" + std::to_string(r.LastWriteTime.Val) + "|" +
                                               std::to_string(r.Identity.Inode)
                                         : r.GetFullName());
    return flat;
}

std::vector<std::string> FileNames(const TSearchResults& files)
{
    std::vector<std::string> names;
    for (const TSearchResult& r : files)
        names.push_back(r.GetFullName());
    return names;
}

// A searcher over one start folder with the given masks and a recorder.
struct TSearchSetup {
    TFileSearch Search;
    TRecorder Recorder;

    TSearchSetup(const std::string& folder, const std::string& masks)
    {
        Search.GetIncludeFolders()->Add(folder);
        Search.GetIncludeFileMask()->SetCommaText(masks);
        Recorder.Start = folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
        Recorder.Attach(Search);
    }
};

}  // namespace

// ---------------------------------------------------------------------------
// Walk order, events and results

TEST(FileSearch, SubfoldersFirstThenFilesOnePassPerMask)
{
    TempTree t;
    t.File("a.obj", "1");
    t.File("b.map", "22");
    t.File("c.cpp");
    t.File("sub/d.OBJ", "333");
    t.File("sub/deeper/e.obj");
    t.File("sub/deeper/f.map");
    TSearchSetup s(t.Root() + "/", "*.obj,*.map");

    ASSERT_TRUE(s.Search.Execute(nullptr));
    const std::string r = t.Root();
    const std::vector<std::string> expected = {
        "enter " + r,
        "enter " + r + "/sub",
        "enter " + r + "/sub/deeper",
        "file " + r + "/sub/deeper/e.obj | e.obj 1",
        "file " + r + "/sub/d.OBJ | d.OBJ 3",
        "file " + r + "/a.obj | a.obj 1",
        "enter " + r,
        "enter " + r + "/sub",
        "enter " + r + "/sub/deeper",
        "file " + r + "/sub/deeper/f.map | f.map 1",
        "file " + r + "/b.map | b.map 2",
    };
    EXPECT_EQ(s.Recorder.Log, expected);

    ASSERT_EQ(s.Search.Results.size(), 2u);
    EXPECT_EQ(s.Search.Results.begin()->first, "*.map") << "groups in byte order of the mask";
    EXPECT_EQ(FileNames(s.Search.Results["*.obj"]),
              (std::vector<std::string>{r + "/sub/deeper/e.obj", r + "/sub/d.OBJ", r + "/a.obj"}));
    const TSearchResult& d = s.Search.Results["*.obj"][1];
    EXPECT_EQ(d.Path(), r + "/sub/");
    EXPECT_EQ(d.Name, "d.OBJ");
    EXPECT_EQ(d.Size, 3);
    EXPECT_EQ(d.Attributes, DWORD{FILE_ATTRIBUTE_ARCHIVE});
}

TEST(FileSearch, TheResultsOfOneFolderShareItsPath)
{
    TempTree t;
    for (const char* name : {"a.obj", "b.obj", "sub/c.obj", "sub/d.obj"})
        t.File(name);
    TSearchSetup s(t.Root(), "*.obj");
    ASSERT_TRUE(s.Search.Execute(nullptr));
    const TSearchResults& found = s.Search.Results["*.obj"];
    ASSERT_EQ(found.size(), 4u);  // sub's two files first
    EXPECT_EQ(found[0].Path(), t("sub/"));
    EXPECT_EQ(found[2].Path(), t.Root() + "/");
    // One text per folder: the path is not copied per file.
    EXPECT_EQ(&found[0].Path(), &found[1].Path());
    EXPECT_EQ(&found[2].Path(), &found[3].Path());
    EXPECT_NE(&found[1].Path(), &found[2].Path());
}

TEST(FileSearch, EveryListedFileIsToldOnceBeforeItsFolderReportsMatches)
{
    TempTree t;
    t.File("a.obj");
    t.File("Unit1.cpp");
    t.File("sub/Project1.bpr");
    t.File("sub/d.obj");
    TSearchSetup s(t.Root() + "/", "*.obj,*.map");
    std::vector<std::string> log;
    s.Search.OnFileListed = [&](const AnsiString& folder, std::string_view name) {
        log.push_back("listed " + folder + " " + std::string(name));
    };
    s.Search.OnFileFound = [&](const AnsiString& path, const TDirEntry*, bool&, void*) { log.push_back("file " + path); };
    ASSERT_TRUE(s.Search.Execute(nullptr));
    const std::string r = t.Root();
    // Listing order within a folder is the file system's: compare per folder.
    const auto at = [&](const std::string& line) { return std::find(log.begin(), log.end(), line) - log.begin(); };
    for (const char* name : {"listed /sub Project1.bpr", "listed /sub d.obj"})
        EXPECT_LT(at(std::string(name).replace(7, 0, r)), at("file " + r + "/sub/d.obj")) << name;
    for (const char* name : {"listed  a.obj", "listed  Unit1.cpp"})
        EXPECT_LT(at(std::string(name).replace(7, 0, r)), at("file " + r + "/a.obj")) << name;
    EXPECT_EQ(log.size(), 4u + 2u) << "each file listed once for both masks, two matches";
}

TEST(FileSearch, AFileMatchingTwoMasksIsInBothGroups)
{
    TempTree t;
    t.File("a.obj");
    TSearchSetup s(t.Root(), "*.obj,*.o*,*.obj");
    ASSERT_TRUE(s.Search.Execute(nullptr));
    EXPECT_EQ(s.Search.Results["*.obj"].size(), 2u) << "a mask listed twice searches twice";
    EXPECT_EQ(s.Search.Results["*.o*"].size(), 1u);
    EXPECT_EQ(s.Recorder.Log.size(), 6u);
}

TEST(FileSearch, IncludeFoldersOutermostMasksInside)
{
    TempTree t;
    t.File("one/a.obj");
    t.File("two/b.obj");
    TFileSearch search;
    search.GetIncludeFolders()->SetCommaText(t("one") + "," + t("two") + "," + t("missing"));
    search.GetIncludeFileMask()->SetCommaText("*.obj,*.map");
    std::vector<std::string> entered;
    search.OnSearchFolder = [&](const AnsiString& path, const TDirEntry*, bool&, void* context) {
        EXPECT_EQ(context, &entered);
        entered.push_back(path);
    };
    ASSERT_TRUE(search.Execute(&entered));
    EXPECT_EQ(entered, (std::vector<std::string>{t("one"), t("one"), t("two"), t("two"), t("missing"),
                                                 t("missing")}));
    EXPECT_EQ(FileNames(search.Results["*.obj"]), (std::vector<std::string>{t("one/a.obj"), t("two/b.obj")}));
}

TEST(FileSearch, TheRootIsSearchedWithoutItsSeparator)
{
    TFileSearch search;
    std::vector<std::string> entered;
    search.OnSearchFolder = [&](const AnsiString& path, const TDirEntry*, bool& skip, void*) {
        entered.push_back(path);
        skip = true;
    };
    EXPECT_TRUE(search.SearchDirectory("/", "*.obj", nullptr));
    EXPECT_EQ(entered, std::vector<std::string>{""});
}

TEST(FileSearch, ExecuteStartsAfreshEachTime)
{
    TempTree t;
    t.File("a.obj");
    t.File("b.obj");
    TSearchSetup s(t.Root(), "*.obj");
    s.Recorder.AbortAtEvent = 2;
    EXPECT_FALSE(s.Search.Execute(nullptr));
    EXPECT_EQ(s.Search.Results["*.obj"].size(), 1u);
    s.Recorder.AbortAtEvent = 0;
    EXPECT_TRUE(s.Search.Execute(nullptr));
    EXPECT_EQ(s.Search.Results["*.obj"].size(), 2u);
}

// ---------------------------------------------------------------------------
// Excluded folders

class FileSearchExclusions : public testing::Test {
protected:
    void SetUp() override
    {
        T.File("Proj/a.obj");
        T.File("Proj/Sub/b.obj");
        T.File("Projects/c.obj");
        T.File("Other/d.obj");
    }
    std::set<std::string> Found()
    {
        EXPECT_TRUE(Setup.Search.Execute(nullptr));
        const auto names = FileNames(Setup.Search.Results["*.obj"]);
        return {names.begin(), names.end()};
    }
    bool Entered(const std::string& relative) const
    {
        const auto& log = Setup.Recorder.Log;
        return std::find(log.begin(), log.end(), "enter " + T(relative)) != log.end();
    }

    TempTree T;
    TSearchSetup Setup{T.Root(), "*.obj"};
};

TEST_F(FileSearchExclusions, WithoutSubfoldersOnlyTheFolderOwnFiles)
{
    Setup.Search.AddExcludeFolder("*.obj", T("Proj"), false);
    EXPECT_EQ(Found(), (std::set<std::string>{T("Proj/Sub/b.obj"), T("Projects/c.obj"), T("Other/d.obj")}));
    EXPECT_TRUE(Entered("Proj")) << "still entered, for its subfolders";
    EXPECT_TRUE(Entered("Proj/Sub"));
}

TEST_F(FileSearchExclusions, WithSubfoldersTheWholeTreeAndEveryPathHoldingIt)
{
    Setup.Search.AddExcludeFolder("*.obj", T("Proj"), true);
    EXPECT_EQ(Found(), std::set<std::string>{T("Other/d.obj")}) << "Projects holds the text Proj";
    EXPECT_FALSE(Entered("Proj"));
    EXPECT_FALSE(Entered("Proj/Sub"));
    EXPECT_FALSE(Entered("Projects"));
}

TEST_F(FileSearchExclusions, ComparedIgnoringCase)
{
    Setup.Search.AddExcludeFolder("*.obj", UpperCase(T("proj")), false);
    Setup.Search.AddExcludeFolder("*.obj", LowerCase(T("OTHER")), true);
    EXPECT_EQ(Found(), (std::set<std::string>{T("Proj/Sub/b.obj"), T("Projects/c.obj")}));
}

TEST_F(FileSearchExclusions, AnEntryWithTrailingSeparatorMatchesOnlyDeeperFolders)
{
    Setup.Search.AddExcludeFolder("*.obj", T("Proj/"), true);
    EXPECT_EQ(Found(), (std::set<std::string>{T("Proj/a.obj"), T("Projects/c.obj"), T("Other/d.obj")}));
}

TEST_F(FileSearchExclusions, OnlyForTheirOwnMask)
{
    Setup.Search.AddExcludeFolder("*.map", T("Proj"), true);
    Setup.Search.AddExcludeFolder("*.OBJ", T("Proj"), true);
    EXPECT_EQ(Found().size(), 4u);
}

// Added as a whole list, folders end as they do added one by one: equal
// ones (ignoring case) replace the flag of the first, also of one listed
// before; an empty list makes no list for its mask.
TEST(FileSearch, ExcludedFoldersAddedAsAListAsOneByOne)
{
    const TExcludedFolderItems added = {{"/b", false}, {"/A", true},     {"/\xC3\x84rger", false}, {"/c", true},
                                        {"/B", true},  {"/a", false},    {"/\xC3\xA4RGER", true},  {"/d", false}};
    TFileSearch one, whole;
    for (TFileSearch* search : {&one, &whole})
        search->AddExcludeFolder("*.obj", "/a", true);
    for (const TExcludedFolderItem& item : added)
        one.AddExcludeFolder("*.obj", item.Folder, item.WithSubfolders);
    whole.AddExcludeFolders("*.obj", added.size(), [&](std::size_t i) { return added.at(i); });
    whole.AddExcludeFolders("*.map", 0, [&](std::size_t i) { return added.at(i); });

    const TExcludedFolderItems& expected = one.GetExcludedFolders().at("*.obj");
    const TExcludedFolderItems& items = whole.GetExcludedFolders().at("*.obj");
    ASSERT_EQ(expected.size(), 5u);
    ASSERT_EQ(items.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(items[i].Folder, expected[i].Folder) << i;
        EXPECT_EQ(items[i].WithSubfolders, expected[i].WithSubfolders) << i;
    }
    EXPECT_EQ(whole.GetExcludedFolders().count("*.map"), 0u);
    for (const char* folder : {"/A", "/\xC3\xA4rger", "/x/c/y", "/D"}) {
        bool expectedWith = false, with = false;
        EXPECT_EQ(whole.FolderIsExcluded("*.obj", folder, with), one.FolderIsExcluded("*.obj", folder, expectedWith))
            << folder;
        EXPECT_EQ(with, expectedWith) << folder;
    }
}

TEST(FileSearch, ExcludedFolderEntriesReplaceAndRemoveIgnoringCase)
{
    TFileSearch search;
    search.AddExcludeFolder("*.obj", "/tmp/work", false);
    search.AddExcludeFolder("*.obj", "/TMP/WORK", true);
    search.AddExcludeFolder("*.obj", "/other", false);
    const TExcludedFolderItems& items = search.GetExcludedFolders().at("*.obj");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].Folder, "/tmp/work");
    EXPECT_TRUE(items[0].WithSubfolders);

    bool withSubfolders = false;
    EXPECT_TRUE(search.FolderIsExcluded("*.obj", "/Tmp/Work", withSubfolders));
    EXPECT_TRUE(withSubfolders);
    EXPECT_TRUE(search.FolderIsExcluded("*.obj", "/x/tmp/workshop/y", withSubfolders));
    EXPECT_TRUE(search.FolderIsExcluded("*.obj", "/OTHER", withSubfolders));
    EXPECT_FALSE(withSubfolders);
    EXPECT_FALSE(search.FolderIsExcluded("*.obj", "/other/deeper", withSubfolders));
    EXPECT_FALSE(search.FolderIsExcluded("*.OBJ", "/tmp/work", withSubfolders)) << "masks are exact keys";

    search.RemoveExcludeFolder("*.obj", "/TMP/work");
    search.RemoveExcludeFolder("*.obj", "/nothing");
    search.RemoveExcludeFolder("*.map", "/other");
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].Folder, "/other");
    EXPECT_FALSE(search.FolderIsExcluded("*.obj", "/tmp/work", withSubfolders));
}

// ---------------------------------------------------------------------------
// Non-recursive search, exclude masks, skip, StoreResults, abort

TEST(FileSearch, NonRecursiveReportsSubfoldersWithTheirEntries)
{
    TempTree t;
    t.File("a.obj");
    t.File("sub/b.obj");
    t.Folder(".hidden");
    t.Folder("excluded");
    TSearchSetup s(t.Root(), "*.obj");
    s.Search.Recursive = false;
    s.Search.AddExcludeFolder("*.obj", t("excluded"), true);
    std::vector<DWORD> attributes;
    s.Search.OnSearchFolder = [&](const AnsiString& path, const TDirEntry* entry, bool& skip, void*) {
        skip = s.Recorder.Folder(path, entry ? &entry->Name : nullptr);
        if (entry != nullptr)
            attributes.push_back(entry->Attributes);
    };
    ASSERT_TRUE(s.Search.Execute(nullptr));
    EXPECT_EQ(s.Recorder.Log, (std::vector<std::string>{"enter " + t.Root(), "list " + t("sub") + " | sub",
                                                        "file " + t("a.obj") + " | a.obj 1"}));
    EXPECT_EQ(attributes, std::vector<DWORD>{FILE_ATTRIBUTE_DIRECTORY});
}

TEST(FileSearch, SkippingAListedSubfolderEndsItsParent)
{
    TempTree t;
    t.File("a.obj");
    t.Folder("stop");
    TSearchSetup s(t.Root(), "*.obj,*.map");
    s.Search.Recursive = false;
    s.Recorder.SkipByName = true;
    EXPECT_TRUE(s.Search.Execute(nullptr));
    EXPECT_EQ(s.Recorder.Log, (std::vector<std::string>{"enter " + t.Root(), "list " + t("stop") + " | stop",
                                                        "enter " + t.Root(), "list " + t("stop") + " | stop"}));
    EXPECT_TRUE(s.Search.Results.empty());
}

TEST(FileSearch, ExcludeMasksPassFilesOverUnreported)
{
    TempTree t;
    t.File("keep.obj");
    t.File("Temp1.obj");
    t.File("temp2.OBJ");
    TSearchSetup s(t.Root(), "*.obj");
    s.Search.GetExcludeFileMask()->SetCommaText("TEMP*,*.tmp");
    ASSERT_TRUE(s.Search.Execute(nullptr));
    EXPECT_EQ(s.Recorder.Log, (std::vector<std::string>{"enter " + t.Root(), "file " + t("keep.obj") + " | keep.obj 1"}));
    EXPECT_EQ(FileNames(s.Search.Results["*.obj"]), std::vector<std::string>{t("keep.obj")});
}

TEST(FileSearch, SkipAndStoreResults)
{
    TempTree t;
    t.File("nostore.obj");
    t.File("skipped/below.obj");
    t.File("kept.obj");
    TSearchSetup s(t.Root(), "*.obj");
    s.Recorder.SkipByName = true;
    ASSERT_TRUE(s.Search.Execute(nullptr));
    EXPECT_EQ(s.Recorder.Log.size(), 4u) << "start, skipped folder, two files";
    EXPECT_EQ(FileNames(s.Search.Results["*.obj"]), std::vector<std::string>{t("kept.obj")});

    s.Recorder = TRecorder();
    s.Recorder.Start = t.Root();
    s.Recorder.Attach(s.Search);
    s.Search.StoreResults = false;
    ASSERT_TRUE(s.Search.Execute(nullptr));
    EXPECT_EQ(s.Recorder.Log.size(), 5u);
    EXPECT_TRUE(s.Search.Results.empty());
}

TEST(FileSearch, AbortFromTheFirstFileKeepsThatFileAndStopsEverything)
{
    TempTree t;
    t.File("a.obj");
    t.File("b.obj");
    t.File("sub/c.map");
    TSearchSetup s(t.Root(), "*.obj,*.map");
    s.Recorder.AbortAtEvent = 3;  // enter root, enter sub, first file
    EXPECT_FALSE(s.Search.Execute(nullptr));
    EXPECT_EQ(s.Recorder.Log.size(), 3u);
    ASSERT_EQ(s.Search.Results.size(), 1u);
    EXPECT_EQ(s.Search.Results["*.obj"].size(), 1u);
    EXPECT_FALSE(s.Search.SearchDirectory(t.Root(), "*.map", nullptr)) << "still aborted until Execute";
    EXPECT_EQ(s.Recorder.Log.size(), 4u) << "only the start folder is entered";
}

TEST(FileSearch, AbortFromAFolderEventListsNothingMore)
{
    TempTree t;
    t.File("sub/a.obj");
    t.File("b.obj");
    TSearchSetup s(t.Root(), "*.obj");
    s.Recorder.AbortAtEvent = 2;
    EXPECT_FALSE(s.Search.Execute(nullptr));
    EXPECT_EQ(s.Recorder.Log.size(), 2u);
    EXPECT_TRUE(s.Search.Results.empty());
}

// ---------------------------------------------------------------------------
// What the listing returns on POSIX

TEST(FileSearch, HiddenAndReadOnlyFilesAreFoundHiddenFoldersNotEntered)
{
    TempTree t;
    t.File(".hidden.obj");
    t.File("readonly.obj");
    fs::permissions(t("readonly.obj"), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    t.File(".git/inside.obj");
    TSearchSetup s(t.Root(), "*.obj");
    ASSERT_TRUE(s.Search.Execute(nullptr));
    std::map<std::string, DWORD> found;
    for (const TSearchResult& r : s.Search.Results["*.obj"])
        found[r.Name] = r.Attributes;
    EXPECT_EQ(found, (std::map<std::string, DWORD>{{".hidden.obj", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN},
                                                   {"readonly.obj", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY}}));
    EXPECT_EQ(std::count(s.Recorder.Log.begin(), s.Recorder.Log.end(), "enter " + t(".git")), 0);

    s.Search.RemoveSearchAttribute(2);
    ASSERT_TRUE(s.Search.Execute(nullptr));
    EXPECT_EQ(FileNames(s.Search.Results["*.obj"]), std::vector<std::string>{t("readonly.obj")});
}

TEST(FileSearch, LinksAreNeitherFollowedNorReported)
{
    TempTree inside, outside;
    outside.File("outside.obj");
    inside.File("real.obj");
    fs::create_directory_symlink(inside.Root(), inside("loop"));
    fs::create_directory_symlink(outside.Root(), inside("out"));
    fs::create_symlink(inside("real.obj"), inside("link.obj"));
    TSearchSetup s(inside.Root(), "*.obj");
    ASSERT_TRUE(s.Search.Execute(nullptr));
    EXPECT_EQ(s.Recorder.Log, (std::vector<std::string>{"enter " + inside.Root(),
                                                        "file " + inside("real.obj") + " | real.obj 1"}));
}

TEST(FileSearch, FifosAreNeverReportedNorOpened)
{
    TempTree t;
    ASSERT_EQ(::mkfifo(t("pipe.obj").c_str(), 0644), 0);
    t.File("real.obj");
    TSearchSetup s(t.Root(), "*.obj");
    ASSERT_TRUE(s.Search.Execute(nullptr));
    EXPECT_EQ(FileNames(s.Search.Results["*.obj"]), std::vector<std::string>{t("real.obj")});
}

TEST(FileSearch, UnreadableFoldersArePassedOverAndCounted)
{
    TempTree t;
    t.File("closed/inner.obj");
    t.File("open.obj");
    fs::permissions(t("closed"), fs::perms::none);
    ::chmod(t.Root().c_str(), 0755);  // a temporary folder keeps others out
    const std::vector<std::string> expected{"enter " + t.Root(), "enter " + t("closed"),
                                            "file " + t("open.obj") + " | open.obj 1"};
    EXPECT_EQ(twstesting::RunUnprivileged([&] {
                  TSearchSetup s(t.Root(), "*.obj");
                  // Twice: each search counts afresh.
                  for (int run = 0; run < 2; ++run) {
                      s.Recorder.Log.clear();
                      if (!s.Search.Execute(nullptr))
                          return std::string("the search was stopped");
                      if (s.Search.UnreadableFolders != 1)
                          return "unreadable folders: " + std::to_string(s.Search.UnreadableFolders);
                  }
                  std::string log;
                  for (const std::string& line : s.Recorder.Log)
                      log += line + "\n";
                  return s.Recorder.Log == expected ? std::string() : "unexpected events:\n" + log;
              }),
              "");
}

TEST(FileSearch, AStartFolderAtOrInsideASystemFolderFindsNothing)
{
    // Every one of these exists on a Debian system and holds files that
    // "*" matches; the rule must not depend on how the path is spelt.
    for (const char* start : {"/usr/", "/usr/share/doc/", "/usr/share/doc", "/var/lib/", "/etc",
                              "//etc/", "/home/../usr/", "/./var/", "/lib/", "/proc/self/"}) {
        TSearchSetup s(start, "*");
        EXPECT_TRUE(s.Search.Execute(nullptr)) << start;
        EXPECT_TRUE(s.Recorder.Log.empty()) << start << ": " << s.Recorder.Log.front();
        EXPECT_TRUE(s.Search.Results.empty()) << start;
    }

    // A link to a system folder leads there, so it is one too; the folders
    // of the user's are searched, also one named like a system folder.
    TempTree t;
    t.File("usr/a.obj");
    fs::create_directory_symlink("/usr/share", t("share"));
    for (const std::string& start : {t("share"), t("share") + "/doc/"}) {
        TSearchSetup s(start, "*");
        EXPECT_TRUE(s.Search.Execute(nullptr));
        EXPECT_TRUE(s.Search.Results.empty()) << start;
    }
    TSearchSetup s(t("usr") + "/", "*.obj");
    ASSERT_TRUE(s.Search.Execute(nullptr));
    EXPECT_EQ(FileNames(s.Search.Results["*.obj"]), std::vector<std::string>{t("usr/a.obj")});
}

TEST(FileSearch, SizesAboveFourGibibytesAreWhole)
{
    TempTree t;
    t.File("huge.tds", "");
    const std::uintmax_t size = (std::uintmax_t{5} << 30) + 7;
    fs::resize_file(t("huge.tds"), size);  // sparse: takes no space
    TSearchSetup s(t.Root(), "*.tds");
    ASSERT_TRUE(s.Search.Execute(nullptr));
    ASSERT_EQ(s.Search.Results["*.tds"].size(), 1u);
    EXPECT_EQ(s.Search.Results["*.tds"][0].Size, static_cast<std::int64_t>(size));
    EXPECT_EQ(s.Recorder.Log.back(), "file " + t("huge.tds") + " | huge.tds " + std::to_string(size));
}

TEST(FileSearch, NamesComeBackExactly)
{
    TempTree t;
    const std::string names[] = {"line\nfeed.obj", "<quote\">.obj", "bad\xff\xfeutf8.obj", "spaced name.obj"};
    for (const std::string& name : names)
        t.File("sub dir/" + name);
    TSearchSetup s(t.Root(), "*.obj");
    ASSERT_TRUE(s.Search.Execute(nullptr));
    std::set<std::string> found;
    for (const TSearchResult& r : s.Search.Results["*.obj"]) {
        EXPECT_EQ(r.Path(), t("sub dir/"));
        found.insert(r.Name);
        EXPECT_TRUE(fs::is_regular_file(fs::path(r.GetFullName()))) << r.GetFullName();
    }
    EXPECT_EQ(found, std::set<std::string>(std::begin(names), std::end(names)));
}

// ---------------------------------------------------------------------------
// Search attributes and the result record

TEST(FileSearch, SearchAttributes)
{
    TFileSearch search;
    const TSearchAttributes defaults{1, 2, 4, 32};
    EXPECT_EQ(search.GetSearchAttributes(), defaults);
    search.RemoveSearchAttribute(0x3F);
    EXPECT_TRUE(search.GetSearchAttributes().empty());
    search.AddSearchAttribute(0x3F);
    EXPECT_EQ(search.GetSearchAttributes(), defaults);
    search.AddSearchAttribute(64);
    search.AddSearchAttribute(0xFF);   // -1 as a signed byte
    search.AddSearchAttribute(33);
    search.AddSearchAttribute(0);
    EXPECT_EQ(search.GetSearchAttributes(), defaults);
    search.AddSearchAttribute(0x110);  // low byte 16
    EXPECT_EQ(search.GetSearchAttributes(), (TSearchAttributes{1, 2, 4, 16, 32}));
    search.RemoveSearchAttribute(2);
    search.RemoveSearchAttribute(0x210);
    EXPECT_EQ(search.GetSearchAttributes(), (TSearchAttributes{1, 4, 32}));
}

TEST(SearchResult, RecordFieldsAndHelpers)
{
    TempTree t;
    t.File("a.obj");
    TDirEntry entry;
    entry.Name = "a.obj";
    entry.Size = (std::int64_t{1} << 32) + 1;
    entry.Attributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN;
    // 2001-02-03 04:05:06.789 UTC and 1234 ticks below the millisecond.
    const std::uint64_t ticks = (981173106ULL + 11644473600ULL) * 10000000ULL + 7891234ULL;
    entry.LastWriteTime = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    entry.CreationTime = {0, 0};  // 1601-01-01
    entry.Identity.Device = 7;
    entry.Identity.Inode = 42;

    const TSearchResult r(TSharedText(t.Root() + "/"), entry);
    EXPECT_EQ(r.Path(), t.Root() + "/");
    EXPECT_EQ(r.GetFullName(), t("a.obj"));
    EXPECT_EQ(r.Size, entry.Size);
    EXPECT_DOUBLE_EQ(r.LastWriteTime.Val, EncodeDate(2001, 2, 3).Val + EncodeTime(4, 5, 6, 789).Val);
    EXPECT_DOUBLE_EQ(r.CreationTime.Val, EncodeDate(1601, 1, 1).Val);
    EXPECT_DOUBLE_EQ(r.LastAccessTime.Val, EncodeDate(1601, 1, 1).Val);
    EXPECT_EQ(r.Identity.Device, 7u);
    EXPECT_EQ(r.Identity.Inode, 42u);
    EXPECT_TRUE(r.GetHasAttribute(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(r.GetHasAttribute(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(r.GetHasAttribute(FILE_ATTRIBUTE_READONLY));

    EXPECT_EQ(r.GetDOSName(), t("a.obj"));
    fs::remove(t("a.obj"));
    EXPECT_EQ(r.GetDOSName(), "");
    const TSearchResult copy = r;
    EXPECT_EQ(copy.GetFullName(), r.GetFullName());
}

TEST(SearchResult, TimesOfARealFileAreUtc)
{
    TempTree t;
    t.File("dated.obj");
    const struct timespec times[2] = {{981173106, 250000000}, {981173106, 500000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, t("dated.obj").c_str(), times, 0), 0);
    TSearchSetup s(t.Root(), "*.obj");
    ASSERT_TRUE(s.Search.Execute(nullptr));
    const TSearchResult& r = s.Search.Results["*.obj"].at(0);
    EXPECT_DOUBLE_EQ(r.LastWriteTime.Val, EncodeDate(2001, 2, 3).Val + EncodeTime(4, 5, 6, 500).Val);
    EXPECT_DOUBLE_EQ(r.LastAccessTime.Val, EncodeDate(2001, 2, 3).Val + EncodeTime(4, 5, 6, 250).Val);
    EXPECT_GE(r.CreationTime.Val, r.LastWriteTime.Val);
}

// ---------------------------------------------------------------------------
// The replayed walk: identical to separate walks per mask, and to the walk
// as literally described, on a generated tree.

namespace {

// The walk exactly as described: two listings per folder, read from the
// disk for every mask.
class TLiteralWalk {
public:
    TLiteralWalk(const TFileSearch& config, TRecorder& recorder) : FConfig(config), FRecorder(recorder)
    {
        recorder.OnAbort = [this] { FAborted = true; };
    }

    std::map<std::string, std::vector<std::string>> Results;

    bool Execute(const std::string& start, const std::vector<std::string>& masks)
    {
        for (const std::string& mask : masks)
            if (!Search(start, mask))
                return false;
        return true;
    }

private:
    bool Search(std::string folder, const std::string& mask)
    {
        if (!folder.empty() && folder.back() == '/')
            folder.pop_back();
        if (FRecorder.Folder(folder, nullptr))
            return true;
        std::error_code ec;
        bool withSubfolders = false;
        if (!FAborted) {
            for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
                const std::string name = it->path().filename().string();
                if (!fs::is_directory(it->symlink_status()) || name[0] == '.')
                    continue;
                const std::string sub = folder + "/" + name;
                if (FConfig.FolderIsExcluded(mask, sub, withSubfolders) && withSubfolders) {
                } else if (FConfig.Recursive) {
                    FAborted = !Search(sub, mask);
                } else if (FRecorder.Folder(sub, &name)) {
                    return true;
                }
                if (FAborted)
                    break;
            }
        }
        if (!FAborted && !FConfig.FolderIsExcluded(mask, folder, withSubfolders)) {
            const bool hidden = FConfig.GetSearchAttributes().count(2) != 0;
            for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
                const std::string name = it->path().filename().string();
                if (!fs::is_regular_file(it->symlink_status()) || (name[0] == '.' && !hidden) ||
                    !FileNameMatchesMask(name, mask, false))
                    continue;
                bool excluded = false;
                for (int i = 0; i < FConfig.GetExcludeFileMask()->Count(); ++i)
                    excluded = excluded || FileNameMatchesMask(name, FConfig.GetExcludeFileMask()->Get(i), false);
                if (excluded)
                    continue;
                const std::string full = folder + "/" + name;
                if (!FRecorder.File(full, name, static_cast<std::int64_t>(fs::file_size(full))) &&
                    FConfig.StoreResults)
                    Results[mask].push_back(full);
                if (FAborted)
                    break;
            }
        }
        return !FAborted;
    }

    const TFileSearch& FConfig;
    TRecorder& FRecorder;
    bool FAborted = false;
};

void GenerateTree(const TempTree& t, unsigned seed)
{
    std::mt19937 random(seed);
    const std::vector<std::string> extensions = {"obj", "OBJ", "map", "dsk", "tds", "ilk", "ils", "~cpp", "#01",
                                                 "bak", "cpp", "h",   "pas", "dfm", "res", "csm", "o",   "Bak"};
    const std::vector<std::string> folderNames = {"src", "Proj", "Projects", "lib", "skipme", "stop", ".svn",
                                                  "Debug", "out", "sub dir", "tmp"};
    std::vector<std::string> folders = {""};
    for (int i = 0; i < 160; ++i) {
        const std::string& parent = folders[random() % folders.size()];
        if (std::count(parent.begin(), parent.end(), '/') >= 5)
            continue;
        const std::string folder = parent + folderNames[random() % folderNames.size()] + std::to_string(i % 7) + "/";
        t.Folder(folder);
        folders.push_back(folder);
    }
    for (int i = 0; i < 1200; ++i) {
        const std::string& folder = folders[random() % folders.size()];
        std::string name = (random() % 9 == 0 ? "." : random() % 11 == 0 ? "nostore" : "f") + std::to_string(i) + "." +
                           extensions[random() % extensions.size()];
        t.File(folder + name, std::string(random() % 50, 'z'));
    }
    fs::create_directory_symlink(t.Root(), t("src0_loop"));
    fs::create_symlink(t(folders.back() + "x.obj"), t("dangling.obj"));
}

struct TReplayCase {
    bool Recursive;
    std::size_t AbortAt;
    std::size_t Threads;
};

void PrintTo(const TReplayCase& c, std::ostream* out)
{
    *out << (c.Recursive ? "recursive" : "flat") << ", abort at event " << c.AbortAt << ", " << c.Threads
         << " threads";
}

class FileSearchReplay : public testing::TestWithParam<TReplayCase> {};

void Configure(TFileSearch& search, const TempTree& t, const std::vector<std::string>& masks, bool recursive)
{
    search.GetIncludeFolders()->Add(t.Root() + "/");
    for (const std::string& mask : masks)
        search.GetIncludeFileMask()->Add(mask);
    search.GetExcludeFileMask()->Add("F1?.*");
    search.Recursive = recursive;
    search.AddExcludeFolder("*.obj", t("Proj"), true);
    search.AddExcludeFolder("*.obj", t("lib1"), false);
    search.AddExcludeFolder("*.map", "SRC", true);
    search.AddExcludeFolder("*.bak", t("out2/"), true);
    search.AddExcludeFolder("*.~*", t.Root(), false);
}

}  // namespace

TEST_P(FileSearchReplay, EventsAndResultsEqualSeparateAndLiteralWalks)
{
    TempTree t;
    GenerateTree(t, 20240611u);
    const std::vector<std::string> masks = {"*.map", "*.dsk", "*.obj", "*.csm", "*.tds", "*.il*",
                                            "*.~*",  "*.#*",  "*.bak", "*.o*",  "*.obj"};
    const TReplayCase param = GetParam();

    // One Execute: every folder read once, replayed for the other masks,
    // by as many threads as the case says.
    TFileSearch replayed;
    Configure(replayed, t, masks, param.Recursive);
    replayed.Threads = param.Threads;
    TRecorder replayLog;
    replayLog.Start = t.Root();
    replayLog.SkipByName = true;
    replayLog.AbortAtEvent = param.AbortAt;
    replayLog.RecordListed = true;
    replayLog.Attach(replayed);
    const bool replayCompleted = replayed.Execute(nullptr);

    // The same on the calling thread alone: the files listed, too, are told
    // in the same places whoever read the folders.
    TFileSearch single;
    Configure(single, t, masks, param.Recursive);
    single.Threads = 1;
    TRecorder singleLog = replayLog;
    singleLog.Log.clear();
    singleLog.Sequence.clear();
    singleLog.Pass = 0;
    singleLog.Attach(single);
    EXPECT_EQ(single.Execute(nullptr), replayCompleted);

    // The files listed filtered where the folders are read, by the same
    // threads: the sequence without the names dropped, nothing else moved.
    const auto kept = [](std::string_view name) { return name.size() % 2 == 0; };
    TFileSearch filtered;
    Configure(filtered, t, masks, param.Recursive);
    filtered.Threads = param.Threads;
    TRecorder filteredLog = singleLog;
    filteredLog.Log.clear();
    filteredLog.Sequence.clear();
    filteredLog.Pass = 0;
    filteredLog.Attach(filtered);
    filtered.FileListedFilter = kept;
    EXPECT_EQ(filtered.Execute(nullptr), replayCompleted);
    std::vector<std::string> expectedFiltered;
    std::size_t dropped = 0;
    for (const std::string& told : replayLog.Sequence) {
        const bool listed = told.rfind("listed ", 0) == 0;
        if (listed && !kept(std::string_view(told).substr(told.find(" | ") + 3)))
            ++dropped;
        else
            expectedFiltered.push_back(told);
    }
    EXPECT_EQ(filteredLog.Sequence, expectedFiltered);
    EXPECT_GT(dropped, 0u) << "the filter must drop some names";
    EXPECT_EQ(Flatten(filtered.Results, true), Flatten(replayed.Results, true));

    // A fresh read of the disk for every mask.
    TFileSearch separate;
    Configure(separate, t, masks, param.Recursive);
    separate.Threads = 1;
    TRecorder separateLog = replayLog;
    separateLog.Log.clear();
    separateLog.Pass = 0;
    separateLog.RecordListed = false;
    separateLog.Attach(separate);
    bool separateCompleted = true;
    for (const std::string& mask : masks)
        if (!(separateCompleted = separate.SearchDirectory(t.Root() + "/", mask, nullptr)))
            break;

    // The two listings per folder as described, through std::filesystem.
    TRecorder literalLog = separateLog;
    literalLog.Log.clear();
    literalLog.Pass = 0;
    TLiteralWalk literal(replayed, literalLog);
    const bool literalCompleted = literal.Execute(t.Root() + "/", masks);

    // The case must be worth its name: a long walk, or one stopped where asked.
    if (param.AbortAt != 0)
        ASSERT_EQ(replayLog.Log.size(), param.AbortAt);
    else
        ASSERT_GT(replayLog.Log.size(), param.Recursive ? 1000u : 10u);
    EXPECT_EQ(replayCompleted, param.AbortAt == 0);
    EXPECT_EQ(separateCompleted, replayCompleted);
    EXPECT_EQ(literalCompleted, replayCompleted);
    EXPECT_EQ(replayLog.Log, separateLog.Log);
    EXPECT_EQ(replayLog.Log, literalLog.Log);
    EXPECT_EQ(replayLog.Sequence, singleLog.Sequence);
    EXPECT_GT(replayLog.Sequence.size(), replayLog.Log.size()) << "files listed were told";
    EXPECT_EQ(Flatten(replayed.Results, true), Flatten(separate.Results, true));
    EXPECT_EQ(Flatten(replayed.Results, true), Flatten(single.Results, true));
    EXPECT_EQ(Flatten(replayed.Results, false), literal.Results);
    EXPECT_EQ(replayed.UnreadableFolders, single.UnreadableFolders);
    EXPECT_FALSE(replayed.Results.empty());
}

INSTANTIATE_TEST_SUITE_P(FileSearch, FileSearchReplay,
                         testing::ValuesIn([] {
                             std::vector<TReplayCase> cases;
                             for (const std::size_t threads : {1u, 2u, 8u})
                                 for (const auto& [recursive, abortAt] : {std::pair<bool, std::size_t>{true, 0},
                                                                          {false, 0}, {true, 1500}, {true, 777}})
                                     cases.push_back({recursive, abortAt, threads});
                             return cases;
                         }()),
                         [](const testing::TestParamInfo<TReplayCase>& info) {
                             return std::string(info.param.Recursive ? "Recursive" : "Flat") +
                                    (info.param.AbortAt ? "AbortAt" + std::to_string(info.param.AbortAt) : "") +
                                    "Threads" + std::to_string(info.param.Threads);
                         });

// A start folder held by the caller is searched from what is held: its
// path swapped for a link to another tree afterwards leads the search
// nowhere else, in the first pass or in a later one.
TEST(FileSearch, AHeldStartFolderIsSearchedWhateverItsPathLeadsToNow)
{
    TempTree t;
    t.File("vol/a/x.obj", "inside");
    t.File("vol/b/y.map", "inside");
    t.File("out/a/x.obj", "outside");
    t.File("out/b/y.map", "outside");
    auto held = std::make_shared<twslisting::TRootFolder>();
    ASSERT_TRUE(held->Open(t("vol")));
    fs::rename(t("vol"), t("moved"));
    fs::create_directory_symlink(t("out"), t("vol"));

    TSearchSetup s(t("vol"), "*.obj,*.map");
    s.Search.HeldStart = held;
    // b is first entered by the second mask's pass, its parent no longer
    // open: walked to again from the folder held.
    s.Search.AddExcludeFolder("*.obj", t("vol/b"), true);
    ASSERT_TRUE(s.Search.Execute(nullptr));
    struct stat inside;
    for (const auto& [mask, file] : {std::pair<std::string, std::string>{"*.obj", "a/x.obj"}, {"*.map", "b/y.map"}}) {
        ASSERT_EQ(s.Search.Results[mask].size(), 1u) << mask;
        ASSERT_EQ(::stat(t("moved/" + file).c_str(), &inside), 0);
        EXPECT_EQ(s.Search.Results[mask][0].Identity.Inode, inside.st_ino) << file << " came from outside";
    }
    EXPECT_EQ(s.Search.UnreadableFolders, 0u);

    // Not held: the path, now a link, is not searched at all.
    TSearchSetup fresh(t("vol"), "*.obj");
    ASSERT_TRUE(fresh.Search.Execute(nullptr));
    EXPECT_TRUE(fresh.Search.Results.empty());
}

// A pooled walk while another thread keeps swapping a folder of the tree,
// and a folder below it, with links to a tree outside: whichever state each
// read meets, nothing from outside is found, and what is found is inside.
TEST(FileSearch, APooledWalkRacingLinkSwapsFindsNothingOutside)
{
    TempTree t;
    std::set<std::uint64_t> inside, outside;
    const auto make = [&](const std::string& where, std::set<std::uint64_t>& identities) {
        for (int s = 0; s < 6; ++s)
            for (int f = 0; f < 4; ++f) {
                const std::string file = where + "/s" + std::to_string(s) + "/t/f" + std::to_string(f) + ".obj";
                t.File(file);
                struct stat st;
                ASSERT_EQ(::stat(t(file).c_str(), &st), 0);
                identities.insert(st.st_ino);
            }
    };
    make("vol/d", inside);
    make("out/d", outside);
    fs::create_directory_symlink(t("out/d"), t("vol/dl"));
    fs::create_directory_symlink(t("out/d/s3"), t("vol/d/s3l"));
    const std::vector<std::pair<std::string, std::string>> pairs = {{t("vol/d"), t("vol/dl")},
                                                                    {t("vol/d/s3"), t("vol/d/s3l")}};

    std::atomic<bool> stop{false};
    std::thread swapper([&] {
        for (std::size_t n = 0; !stop; ++n) {
            const auto& [a, b] = pairs[n % pairs.size()];
            ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
        }
    });
    std::size_t found = 0;
    for (int round = 0; round < 40; ++round) {
        TSearchSetup s(t("vol"), "*.obj,*.o*");
        s.Search.Threads = 8;
        ASSERT_TRUE(s.Search.Execute(nullptr));
        for (const auto& [mask, results] : s.Search.Results)
            for (const TSearchResult& r : results) {
                EXPECT_EQ(outside.count(r.Identity.Inode), 0u) << r.GetFullName() << " is outside";
                EXPECT_EQ(inside.count(r.Identity.Inode), 1u) << r.GetFullName();
                ++found;
            }
    }
    stop = true;
    swapper.join();
    EXPECT_GT(found, 0u) << "the walk found nothing at all: the race was never run";
}

// A long list of excluded folders is looked up through an index: its
// answers are those of the list read entry by entry, in order, for paths
// that equal entries, hold them, or neither, in any letter case.
TEST(FileSearch, ALongExclusionListGivesTheResultsOfItsFewEntriesThatMatter)
{
    TempTree t;
    t.File("proj/a.obj");
    t.File("proj/deep/b.obj");
    t.File("projects/c.obj");
    t.File("other/d.obj");
    t.File("other/keep/e.obj");
    const auto found = [&](bool padded) {
        TSearchSetup s(t.Root(), "*.obj");
        if (padded)
            for (int i = 0; i < 20000; ++i)
                s.Search.AddExcludeFolder("*.obj", t("elsewhere/n" + std::to_string(i)), i % 2 == 0);
        s.Search.AddExcludeFolder("*.obj", t("PROJ/DEEP"), true);
        s.Search.AddExcludeFolder("*.obj", t("Other"), false);
        if (padded)
            for (int i = 0; i < 20000; ++i)
                s.Search.AddExcludeFolder("*.obj", "zz" + std::to_string(i), true);
        EXPECT_TRUE(s.Search.Execute(nullptr));
        return Flatten(s.Search.Results, true);
    };
    const auto few = found(false);
    EXPECT_EQ(few.at("*.obj").size(), 3u);
    EXPECT_EQ(found(true), few);
}

// What goes wrong while a folder is read (here the folder event raising)
// reaches the caller of Execute, whichever thread read the folder, and the
// threads are stopped.
TEST(FileSearch, AnErrorWhileReadingAFolderReachesTheCaller)
{
    TempTree t;
    for (int i = 0; i < 30; ++i)
        t.File("d" + std::to_string(i) + "/bad/x.obj");
    for (const std::size_t threads : {1u, 8u}) {
        TSearchSetup s(t.Root(), "*.obj");
        s.Search.Threads = threads;
        s.Search.OnFolderRead = [](const AnsiString& folder, const twslisting::TFolderReader&, std::string_view) {
            if (folder.size() >= 4 && folder.substr(folder.size() - 4) == "/bad")
                throw std::runtime_error("bad folder");
        };
        EXPECT_THROW(s.Search.Execute(nullptr), std::runtime_error) << threads << " threads";
        EXPECT_TRUE(s.Search.Results.empty()) << "thrown before the first file was found";
    }
}

// Entries are found by their text ignoring case, also beyond ASCII and for
// bytes that are not UTF-8 (as SameText reads them), and still after an
// entry before them was removed.
TEST(FileSearch, ExcludedFolderEntriesStayFoundAfterRemovals)
{
    TFileSearch search;
    for (const char* folder : {"/Ärger", "/b", "/C", "/\xC0", "/d"})
        search.AddExcludeFolder("*.obj", folder, false);
    search.RemoveExcludeFolder("*.obj", "/B");
    search.AddExcludeFolder("*.obj", "/ärger", true);
    search.AddExcludeFolder("*.obj", "/c", true);
    search.AddExcludeFolder("*.obj", "/\xC3\xA0", true);  // "/à", the letter the stray byte reads as
    search.RemoveExcludeFolder("*.obj", "/\xC3\x80");    // "/À": removes "/\xC0"
    search.AddExcludeFolder("*.obj", "/D", true);
    search.AddExcludeFolder("*.obj", "/b", false);
    const std::vector<std::pair<AnsiString, bool>> expected = {
        {"/Ärger", true}, {"/C", true}, {"/d", true}, {"/b", false}};
    const TExcludedFolderItems& items = search.GetExcludedFolders().at("*.obj");
    ASSERT_EQ(items.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(items[i].Folder, expected[i].first) << i;
        EXPECT_EQ(items[i].WithSubfolders, expected[i].second) << i;
    }
    // The index the walk uses reads the searcher's own places of the list:
    // it finds what is left where it now stands, and not what was removed.
    for (const auto& [folder, withSubfolders] : expected) {
        bool with = !withSubfolders;
        EXPECT_TRUE(search.FolderIsExcluded("*.obj", UpperCase(folder), with)) << folder;
        EXPECT_EQ(with, withSubfolders) << folder;
    }
    bool with = true;
    EXPECT_FALSE(search.FolderIsExcluded("*.obj", "/\xC3\xA0", with));
    EXPECT_FALSE(with);
}

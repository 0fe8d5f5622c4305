// The listing on Windows, checked against what the system says of the same
// files through other calls.
#include "listing.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <windows.h>

using namespace twslisting;

namespace {

class ListingTest : public testing::Test {
protected:
    twstesting::TTempFolder FFolder{"twslisting"};
    const std::string FRoot = FFolder.Path().string();

    std::string Path(const std::string& name) const { return FRoot + "\\" + name; }
    void MakeFile(const std::string& name, const std::string& data = "x") const
    {
        twstesting::WriteFile(Path(name), data);
    }
    void MakeFolder(const std::string& name) const { ASSERT_TRUE(::CreateDirectoryA(Path(name).c_str(), nullptr)); }

    static std::map<std::string, TEntryKind> ReadAll(TFolderReader& reader)
    {
        std::map<std::string, TEntryKind> entries;
        std::string_view name;
        TEntryKind kind;
        while (reader.Next(name, kind))
            EXPECT_TRUE(entries.emplace(std::string(name), kind).second) << "listed twice: " << name;
        return entries;
    }
};

}  // namespace

// Names, kinds, the file system's own attributes, sizes, times and the
// identity (volume serial, file ID) as GetFileInformationByHandle gives them;
// a folder of more entries than one buffer holds is read whole.
TEST_F(ListingTest, DescribesEveryEntryAsTheSystemDoes)
{
    const struct {
        const char* name;
        DWORD setAttributes;  // 0: a folder
    } cases[] = {
        {"plain.obj", FILE_ATTRIBUTE_ARCHIVE},
        {"hidden.bak", FILE_ATTRIBUTE_HIDDEN},
        {"readonly.map", FILE_ATTRIBUTE_READONLY},
        {"system.tds", FILE_ATTRIBUTE_SYSTEM},
        {"sub", 0},
    };
    for (const auto& c : cases) {
        if (c.setAttributes == 0) {
            MakeFolder(c.name);
        } else {
            MakeFile(c.name, std::string(std::strlen(c.name), 'x'));
            ASSERT_TRUE(::SetFileAttributesA(Path(c.name).c_str(), c.setAttributes));
        }
    }
    for (int i = 0; i < 1500; ++i)
        MakeFile("many" + std::to_string(i) + ".il" + std::to_string(i % 10));

    TFolderReader reader;
    ASSERT_TRUE(reader.Open(FRoot));
    std::string_view name;
    TEntryKind kind;
    std::map<std::string, TDirEntry> described;
    while (reader.Next(name, kind)) {
        TDirEntry entry;
        ASSERT_TRUE(reader.Describe(std::string(name).c_str(), kind, entry)) << name;
        EXPECT_TRUE(described.emplace(entry.Name, entry).second) << name;
    }
    EXPECT_EQ(described.size(), std::size(cases) + 1500);
    // Wine's listings (not its other calls) call a Unix dot file hidden;
    // Windows gives a name no meaning.
    EXPECT_FALSE(IsHiddenName(".dotted"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(described.count(c.name), 1u);
        const TDirEntry& e = described[c.name];
        const HANDLE h = ::CreateFileA(Path(c.name).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        BY_HANDLE_FILE_INFORMATION info;
        ASSERT_TRUE(::GetFileInformationByHandle(h, &info));
        ::CloseHandle(h);
        EXPECT_EQ(e.Attributes, info.dwFileAttributes);
        EXPECT_EQ(e.Attributes & c.setAttributes, c.setAttributes);
        EXPECT_FALSE(IsHiddenName(c.name));
        EXPECT_EQ(e.Size, c.setAttributes == 0 ? 0 : static_cast<std::int64_t>(std::strlen(c.name)));
        EXPECT_EQ(e.LastWriteTime.dwLowDateTime, info.ftLastWriteTime.dwLowDateTime);
        EXPECT_EQ(e.LastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwHighDateTime);
        EXPECT_EQ(e.Identity.Device, info.dwVolumeSerialNumber);
        EXPECT_EQ(e.Identity.Inode, (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
        EXPECT_TRUE(e.Identity.HasBirthTime);
    }
    for (const auto& c : cases)
        ::SetFileAttributesA(Path(c.name).c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A subfolder opens relative to its parent only while it is the folder the
// listing described; one put in its place under the same name does not.
TEST_F(ListingTest, OpensSubfoldersOnlyWhileTheyAreTheFolderDescribed)
{
    MakeFolder("a");
    MakeFile("a\\inner.obj");
    TFolderReader root;
    ASSERT_TRUE(root.Open(FRoot));
    TDirEntry a;
    std::string_view name;
    TEntryKind kind;
    while (root.Next(name, kind)) {
        if (name == "a") {
            ASSERT_TRUE(root.Describe("a", kind, a));
        }
    }
    ASSERT_EQ(a.Name, "a");

    TFolderReader sub;
    ASSERT_TRUE(sub.OpenSub(root, a));
    EXPECT_EQ(ReadAll(sub), (std::map<std::string, TEntryKind>{{"inner.obj", TEntryKind::ekFile}}));
    sub.Close();
    TFolderReader byName;
    EXPECT_TRUE(byName.Open(Path("a"), a));

    ASSERT_TRUE(::MoveFileA(Path("a").c_str(), Path("old").c_str()));
    MakeFolder("a");
    EXPECT_FALSE(sub.OpenSub(root, a));
    EXPECT_FALSE(byName.Open(Path("a"), a));
    EXPECT_TRUE(sub.OpenSubNamed(root, "a"));
    EXPECT_FALSE(sub.OpenSubNamed(root, "missing"));
    EXPECT_FALSE(sub.OpenSubNamed(root, "old\\..\\a")) << "one name only, never a path";
}

TEST_F(ListingTest, ReadsFileHeadsUpToTheLimit)
{
    MakeFile("unit.pas", "unit Unit1; {$L zlib.obj}");
    MakeFolder("folder.pas");
    TFolderReader root;
    ASSERT_TRUE(root.Open(FRoot));
    std::string bytes;
    EXPECT_TRUE(root.ReadHead("unit.pas", 4, bytes));
    EXPECT_EQ(bytes, "unit");
    EXPECT_TRUE(root.ReadHead("unit.pas", 1000, bytes));
    EXPECT_EQ(bytes, "unit Unit1; {$L zlib.obj}");
    EXPECT_FALSE(root.ReadHead("folder.pas", 1000, bytes));
    EXPECT_FALSE(root.ReadHead("missing.pas", 1000, bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST(ListingSystemFolders, TheWindowsFolderAndWhatLiesInIt)
{
    char windows[MAX_PATH];
    ASSERT_GT(::GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    const std::string folder = windows;
    const auto slash = folder.rfind('\\');
    EXPECT_TRUE(IsSystemFolder(folder.substr(0, slash), folder.substr(slash + 1)));
    EXPECT_TRUE(IsInSystemFolder(folder));
    EXPECT_TRUE(IsInSystemFolder(folder + "\\system32\\drivers\\"));
    EXPECT_TRUE(IsInSystemFolder(folder + "\\..\\" + folder.substr(slash + 1)));
    twstesting::TTempFolder temp("twslisting");
    EXPECT_FALSE(IsInSystemFolder(temp.Path().string()));
    EXPECT_FALSE(IsSystemFolder(temp.Path().parent_path().string(), temp.Path().filename().string()));
}

TEST_F(ListingTest, ShortNamesOfFilesThatExist)
{
    MakeFile("a long file name.bak");
    EXPECT_FALSE(ShortPathName(Path("a long file name.bak")).empty());
    EXPECT_TRUE(ShortPathName(Path("missing.bak")).empty());
}

// The root of a walk: held by a handle, its identity the listing's, the
// folders below reached one component at a time, the Windows folder told
// by the folder held.
TEST_F(ListingTest, ARootFolderIsHeldAndWalkedFrom)
{
    MakeFolder("vol");
    MakeFolder("vol\\a");
    MakeFolder("vol\\a\\b");
    MakeFile("vol\\a\\f.obj");
    TRootFolder root;
    ASSERT_TRUE(root.Open(Path("vol") + "\\"));
    EXPECT_FALSE(TRootFolder().Open(Path("missing")));
    EXPECT_FALSE(TRootFolder().Open(Path("vol\\a\\f.obj")));

    TFolderReader parent;
    ASSERT_TRUE(parent.Open(FRoot));
    TDirEntry vol;
    ASSERT_TRUE(parent.Describe("vol", TEntryKind::ekFolder, vol));
    EXPECT_EQ(root.Identity(), TFolderIdentity(vol.Identity.Device, vol.Identity.Inode));
    TFolderReader reader;
    ASSERT_TRUE(reader.Open(root));
    EXPECT_EQ(ReadAll(reader), (std::map<std::string, TEntryKind>{{"a", TEntryKind::ekFolder}}));

    // relative -> result
    const std::pair<std::string, TWalkResult> below[] = {
        {"", TWalkResult::Opened},           {"a\\b", TWalkResult::Opened},   {"a/b\\", TWalkResult::Opened},
        {"a\\f.obj", TWalkResult::Refused},  {"a\\missing", TWalkResult::Missing},
        {"a\\..\\a", TWalkResult::BadPath},  {"a\\\\b", TWalkResult::BadPath},
    };
    for (const auto& [relative, expected] : below) {
        int handle = -1;
        EXPECT_EQ(root.OpenBelow(relative, handle), expected) << relative;
        EXPECT_EQ(handle != -1, expected == TWalkResult::Opened) << relative;
        if (handle != -1)
            ::CloseHandle(LongToHandle(handle));
    }
    EXPECT_FALSE(root.IsInSystemFolder());
    EXPECT_TRUE(root.LiesWithin({root.Identity()}));

    char windows[MAX_PATH];
    ASSERT_GT(::GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    TRootFolder system;
    ASSERT_TRUE(system.Open(std::string(windows) + "\\system32"));
    EXPECT_TRUE(system.IsInSystemFolder());
}

// A name the ANSI code page cannot spell (Cyrillic, fullwidth forms in
// code page 1252) is left out, since no A function could open it again,
// and counted; one it spells is listed as ever.
TEST_F(ListingTest, NamesTheCodePageCannotSpellAreLeftOutAndCounted)
{
    if (GetACP() == CP_UTF8)
        GTEST_SKIP() << "the ANSI code page spells every name";
    MakeFile("plain.obj");
    const std::wstring folder(FFolder.Path().wstring());
    for (const wchar_t* name : {L"\x041F\x0440\x043E\x0435\x043A\x0442", L"\xFF0E\xFF0E"})
        ASSERT_TRUE(CreateDirectoryW((folder + L"\\" + name).c_str(), nullptr));
    const HANDLE h = CreateFileW((folder + L"\\\xFF49\xFF4E.obj").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0,
                                 nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    TFolderReader reader;
    ASSERT_TRUE(reader.Open(FRoot));
    EXPECT_EQ(reader.Unnamed(), 0u);
    const auto entries = ReadAll(reader);
    EXPECT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.count("plain.obj"), 1u);
    EXPECT_EQ(reader.Unnamed(), 3u);
    ASSERT_TRUE(reader.Open(FRoot));
    EXPECT_EQ(reader.Unnamed(), 0u) << "counted per listing";
}

// Every spelling of one folder gives one canonical form, with its letter
// case kept; what names no folder of its own is refused with a reason.
TEST(ListingCanonicalVolume, OneSpellingPerFolderOrARefusal)
{
    const struct {
        const char* given;
        const char* canonical;  // nullptr: refused
    } cases[] = {
        {"S:\\inside\\", "S:\\inside\\"},
        {"s:\\Inside", "s:\\Inside\\"},
        {"S:/inside/", "S:\\inside\\"},
        {"S:\\\\inside\\\\sub", "S:\\inside\\sub\\"},
        {"S:\\.\\inside\\.", "S:\\inside\\"},
        {"\\\\?\\S:\\inside\\", "S:\\inside\\"},
        {"\\\\.\\S:\\inside\\", "S:\\inside\\"},
        {"S:\\", "S:\\"},
        {"S:\\\\", "S:\\"},
        {"\\\\?\\S:\\", "S:\\"},
        {"\\\\server\\share", "\\\\server\\share\\"},
        {"\\\\?\\UNC\\server\\share\\x", "\\\\server\\share\\x\\"},
        {"//server/share/", "\\\\server\\share\\"},
        {"", nullptr},
        {"S:", nullptr},
        {"S:inside", nullptr},
        {"\\inside", nullptr},
        {"inside", nullptr},
        {"S:\\inside\\..\\", nullptr},
        {"S:\\a:b\\", nullptr},
        {"S:\\in*\\", nullptr},
        {"\\\\server", nullptr},
        {"\\\\server\\", nullptr},
        {"\\\\?\\Volume{00000000-0000-0000-0000-000000000000}\\", nullptr},
        {"\\\\.\\PhysicalDrive0", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given);
        const TVolumeName volume = CanonicalVolume(c.given);
        if (c.canonical == nullptr) {
            EXPECT_EQ(volume.Path, "");
            EXPECT_NE(volume.Refusal, "");
        } else {
            EXPECT_EQ(volume.Path, c.canonical);
            EXPECT_EQ(volume.Refusal, "");
        }
    }
}

// A drive is opened as its root, never as its current folder: the test
// runs in a folder below the root of its drive.
TEST(ListingRootFolder, ADriveIsItsRootNotItsCurrentFolder)
{
    char current[MAX_PATH * 4];
    const DWORD n = GetCurrentDirectoryA(sizeof current, current);
    ASSERT_GT(n, 3u);
    ASSERT_EQ(current[1], ':');
    const std::string drive(current, 2);
    TRootFolder root, bare, here;
    ASSERT_TRUE(root.Open(drive + "\\"));
    ASSERT_TRUE(here.Open(current));
    ASSERT_NE(root.Identity(), here.Identity()) << "the test's folder is not the root";
    ASSERT_TRUE(bare.Open(drive));
    EXPECT_EQ(bare.Identity(), root.Identity());
    TRootFolder relative;
    EXPECT_FALSE(relative.Open(drive + "."));
}

// Tests of the directory listing facility on POSIX: what a listing returns,
// the attributes and times it derives, and the folders it refuses to open.
#include "listing.h"

#include "TempFolder.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <set>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace twslisting;

namespace {

class ListingTest : public testing::Test {
protected:
    twstesting::TTempFolder FFolder{"twslisting"};
    const std::string FRoot = FFolder.Path().string();

    std::string Path(const std::string& name) const { return FRoot + "/" + name; }
    void MakeFile(const std::string& name, const std::string& data = "x") const
    {
        const int fd = ::open(Path(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << name;
        ASSERT_EQ(::write(fd, data.data(), data.size()), static_cast<ssize_t>(data.size()));
        ::close(fd);
    }
    void MakeFolder(const std::string& name) const { ASSERT_EQ(::mkdir(Path(name).c_str(), 0755), 0); }

    // Every entry Next returns, name -> kind.
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

FILETIME UnixToFileTime(std::int64_t seconds, long nanoseconds)
{
    const std::uint64_t ticks = static_cast<std::uint64_t>(seconds + 11644473600LL) * 10000000u + nanoseconds / 100;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

bool operator==(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

}  // namespace

TEST_F(ListingTest, ListsOnlyRegularFilesAndFoldersNeverLinksOrSpecialFiles)
{
    MakeFile("a.obj");
    MakeFile(".hidden.obj");
    MakeFolder("sub");
    MakeFolder(".git");
    ASSERT_EQ(::symlink("a.obj", Path("link.obj").c_str()), 0);
    ASSERT_EQ(::symlink("sub", Path("linkdir").c_str()), 0);
    ASSERT_EQ(::symlink("/nowhere", Path("dangling.obj").c_str()), 0);
    ASSERT_EQ(::mkfifo(Path("pipe.obj").c_str(), 0644), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = Path("sock.obj");
    ASSERT_LT(socketPath.size(), sizeof(address.sun_path));
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(sock);

    TFolderReader reader;
    ASSERT_TRUE(reader.Open(FRoot));
    const std::map<std::string, TEntryKind> expected = {{"a.obj", TEntryKind::ekFile},
                                                        {".hidden.obj", TEntryKind::ekFile},
                                                        {"sub", TEntryKind::ekFolder},
                                                        {".git", TEntryKind::ekFolder}};
    EXPECT_EQ(ReadAll(reader), expected);
    std::string_view name;
    TEntryKind kind;
    EXPECT_FALSE(reader.Next(name, kind)) << "the end stays the end";

    // A link or FIFO described by name is refused too, whatever the caller thinks it is.
    TDirEntry entry;
    EXPECT_FALSE(reader.Describe("link.obj", TEntryKind::ekFile, entry));
    EXPECT_FALSE(reader.Describe("linkdir", TEntryKind::ekFolder, entry));
    EXPECT_FALSE(reader.Describe("pipe.obj", TEntryKind::ekFile, entry));
    EXPECT_FALSE(reader.Describe("sub", TEntryKind::ekFile, entry)) << "kind changed";
    EXPECT_FALSE(reader.Describe("a.obj", TEntryKind::ekFolder, entry)) << "kind changed";
    EXPECT_FALSE(reader.Describe("gone.obj", TEntryKind::ekFile, entry));
}

TEST_F(ListingTest, ReadsFoldersLargerThanOneBufferCompletely)
{
    const std::string longTail(150, 'n');
    for (int i = 0; i < 1500; ++i)
        MakeFile(std::to_string(i) + longTail);
    TFolderReader reader;
    ASSERT_TRUE(reader.Open(FRoot));
    const auto entries = ReadAll(reader);
    ASSERT_EQ(entries.size(), 1500u);
    EXPECT_EQ(entries.count("1499" + longTail), 1u);
}

// Readers are recycled along a walk: one open below a large folder, or
// opened after one was closed, must still list its own folder whole while
// the other's buffer grows.
TEST_F(ListingTest, ReadersListTheirOwnFolderWholeWhileAnotherGrowsOrIsRecycled)
{
    const std::string longTail(150, 'n');
    MakeFolder("big");
    MakeFolder("small");
    for (int i = 0; i < 1500; ++i)
        MakeFile("big/" + std::to_string(i) + longTail);
    for (int i = 0; i < 3; ++i)
        MakeFile("small/" + std::to_string(i) + ".obj");

    for (int round = 0; round < 2; ++round) {  // the second round on recycled readers
        TFolderReader big, small;
        ASSERT_TRUE(big.Open(Path("big")));
        ASSERT_TRUE(small.Open(Path("small")));
        std::set<std::string> bigNames, smallNames;
        std::string_view name;
        TEntryKind kind;
        bool bigMore = true, smallMore = true;
        while (bigMore || smallMore) {
            if (bigMore && (bigMore = big.Next(name, kind))) {
                EXPECT_TRUE(bigNames.emplace(name).second) << "listed twice: " << name;
            }
            if (smallMore && (smallMore = small.Next(name, kind))) {
                EXPECT_TRUE(smallNames.emplace(name).second) << "listed twice: " << name;
            }
        }
        EXPECT_EQ(bigNames.size(), 1500u) << "round " << round;
        EXPECT_EQ(smallNames, (std::set<std::string>{"0.obj", "1.obj", "2.obj"})) << "round " << round;
    }
}

TEST_F(ListingTest, DerivesAttributesFromNamesAndPermissions)
{
    MakeFile("plain.bak", "12345");
    MakeFile("readonly.bak");
    ASSERT_EQ(::chmod(Path("readonly.bak").c_str(), 0444), 0);
    MakeFile(".hidden");
    MakeFolder("folder");
    MakeFolder("locked");
    ASSERT_EQ(::chmod(Path("locked").c_str(), 0555), 0);
    MakeFolder(".cache");

    TFolderReader reader;
    ASSERT_TRUE(reader.Open(FRoot));
    TDirEntry e;
    ASSERT_TRUE(reader.Describe("plain.bak", TEntryKind::ekFile, e));
    EXPECT_EQ(e.Name, "plain.bak");
    EXPECT_EQ(e.Attributes, DWORD{FILE_ATTRIBUTE_ARCHIVE});
    EXPECT_EQ(e.Size, 5);
    ASSERT_TRUE(reader.Describe("readonly.bak", TEntryKind::ekFile, e));
    EXPECT_EQ(e.Attributes, DWORD{FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY});
    ASSERT_TRUE(reader.Describe(".hidden", TEntryKind::ekFile, e));
    EXPECT_EQ(e.Attributes, DWORD{FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN});
    ASSERT_TRUE(reader.Describe("folder", TEntryKind::ekFolder, e));
    EXPECT_EQ(e.Attributes, DWORD{FILE_ATTRIBUTE_DIRECTORY});
    EXPECT_EQ(e.Size, 0) << "folders list with no size";
    ASSERT_TRUE(reader.Describe("locked", TEntryKind::ekFolder, e));
    EXPECT_EQ(e.Attributes, DWORD{FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY});
    ASSERT_TRUE(reader.Describe(".cache", TEntryKind::ekFolder, e));
    EXPECT_EQ(e.Attributes, DWORD{FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN});
}

TEST_F(ListingTest, GivesUtcFileTimesAndIdentity)
{
    MakeFile("dated.obj");
    // 2001-02-03 04:05:06.5 UTC written, 2002-03-04 05:06:07.25 UTC read.
    const struct timespec times[2] = {{1015218367, 250000000}, {981173106, 500000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, Path("dated.obj").c_str(), times, 0), 0);
    struct stat st;
    ASSERT_EQ(::stat(Path("dated.obj").c_str(), &st), 0);

    TFolderReader reader;
    ASSERT_TRUE(reader.Open(FRoot));
    TDirEntry e;
    ASSERT_TRUE(reader.Describe("dated.obj", TEntryKind::ekFile, e));
    EXPECT_TRUE(e.LastWriteTime == UnixToFileTime(981173106, 500000000));
    EXPECT_TRUE(e.LastAccessTime == UnixToFileTime(1015218367, 250000000));
    // The birth time where the file system keeps one (it is now, after the
    // written time set above), else the written time.
    const std::uint64_t created = (std::uint64_t{e.CreationTime.dwHighDateTime} << 32) | e.CreationTime.dwLowDateTime;
    const std::uint64_t written = (std::uint64_t{e.LastWriteTime.dwHighDateTime} << 32) | e.LastWriteTime.dwLowDateTime;
    EXPECT_GE(created, written);
    EXPECT_EQ(e.Identity.Device, static_cast<std::uint64_t>(st.st_dev));
    EXPECT_EQ(e.Identity.Inode, static_cast<std::uint64_t>(st.st_ino));
    // To the nanosecond, which a file time (100 ns) cannot carry: one
    // written 1 ns later is another file.
    EXPECT_EQ(e.Identity.ModifiedNs, 981173106500000000LL);
    const struct timespec later[2] = {{1015218367, 250000000}, {981173106, 500000001}};
    ASSERT_EQ(::utimensat(AT_FDCWD, Path("dated.obj").c_str(), later, 0), 0);
    TDirEntry again;
    ASSERT_TRUE(reader.Describe("dated.obj", TEntryKind::ekFile, again));
    EXPECT_EQ(again.Identity.ModifiedNs, e.Identity.ModifiedNs + 1);
    struct statx sx;
    ASSERT_EQ(::statx(AT_FDCWD, Path("dated.obj").c_str(), 0, STATX_BTIME, &sx), 0);
    EXPECT_EQ(e.Identity.HasBirthTime, (sx.stx_mask & STATX_BTIME) != 0);
    if (e.Identity.HasBirthTime) {
        EXPECT_EQ(e.Identity.BornNs, static_cast<std::int64_t>(sx.stx_btime.tv_sec) * 1000000000 + sx.stx_btime.tv_nsec);
    }
}

TEST_F(ListingTest, SizesAreWhole64BitValues)
{
    const std::int64_t size = (std::int64_t{5} << 30) + 3;  // a sparse file above 4 GiB
    MakeFile("huge.tds", "");
    ASSERT_EQ(::truncate(Path("huge.tds").c_str(), size), 0);
    TFolderReader reader;
    ASSERT_TRUE(reader.Open(FRoot));
    TDirEntry e;
    ASSERT_TRUE(reader.Describe("huge.tds", TEntryKind::ekFile, e));
    EXPECT_EQ(e.Size, size);
}

TEST_F(ListingTest, NamesComeBackAsTheFileSystemHasThem)
{
    const std::string lineFeed = "two\nlines.obj";
    const std::string notUtf8 = "\xff\xfe<\"'>.obj";
    MakeFile(lineFeed);
    MakeFile(notUtf8);
    TFolderReader reader;
    ASSERT_TRUE(reader.Open(FRoot));
    const auto entries = ReadAll(reader);
    EXPECT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries.count(lineFeed), 1u);
    EXPECT_EQ(entries.count(notUtf8), 1u);
    TDirEntry e;
    ASSERT_TRUE(reader.Describe(notUtf8.c_str(), TEntryKind::ekFile, e));
    EXPECT_EQ(e.Name, notUtf8);
}

TEST_F(ListingTest, OpensSubfoldersOnlyWhileTheyAreTheFolderDescribed)
{
    MakeFolder("sub");
    MakeFile("sub/inner.obj");
    TFolderReader parent;
    ASSERT_TRUE(parent.Open(FRoot));
    TDirEntry sub;
    ASSERT_TRUE(parent.Describe("sub", TEntryKind::ekFolder, sub));

    TFolderReader child;
    ASSERT_TRUE(child.OpenSub(parent, sub));
    EXPECT_EQ(ReadAll(child).count("inner.obj"), 1u);
    ASSERT_TRUE(child.Open(Path("sub"), sub));

    // Replaced by another folder, then by a link to the original: refused both ways.
    ASSERT_EQ(::rename(Path("sub").c_str(), Path("moved").c_str()), 0);
    MakeFolder("sub");
    EXPECT_FALSE(child.OpenSub(parent, sub));
    EXPECT_FALSE(child.IsOpen());
    EXPECT_FALSE(child.Open(Path("sub"), sub));
    ASSERT_EQ(::rmdir(Path("sub").c_str()), 0);
    ASSERT_EQ(::symlink("moved", Path("sub").c_str()), 0);
    EXPECT_FALSE(child.OpenSub(parent, sub));
    EXPECT_FALSE(child.Open(Path("sub"), sub));
    EXPECT_TRUE(child.Open(Path("moved"), sub)) << "the folder itself, under its new name";
}

TEST_F(ListingTest, OpensSubfoldersByNameAndReadsFileHeadsWithoutFollowingLinks)
{
    MakeFolder("sub");
    MakeFile("sub/unit.pas", "unit U; {$L zlib.obj}");
    MakeFile("big.pas", std::string(100000, 'p'));
    MakeFile("empty.pas", "");
    ASSERT_EQ(::symlink("sub", Path("linkdir").c_str()), 0);
    ASSERT_EQ(::symlink("sub/unit.pas", Path("link.pas").c_str()), 0);
    ASSERT_EQ(::mkfifo(Path("fifo.pas").c_str(), 0644), 0);

    TFolderReader root, sub;
    ASSERT_TRUE(root.Open(FRoot));
    ASSERT_TRUE(sub.OpenSubNamed(root, "sub"));
    EXPECT_FALSE(TFolderReader().OpenSubNamed(root, "linkdir")) << "a link to a folder is not entered";
    EXPECT_FALSE(TFolderReader().OpenSubNamed(root, "big.pas"));
    EXPECT_FALSE(TFolderReader().OpenSubNamed(TFolderReader(), "sub")) << "no parent";

    // name, limit -> read?, bytes
    const struct {
        const TFolderReader* Folder;
        const char* Name;
        std::size_t Limit;
        bool Read;
        std::size_t Bytes;
    } cases[] = {
        {&sub, "unit.pas", 4096, true, 21},
        {&sub, "unit.pas", 4, true, 4},
        {&root, "big.pas", 65536, true, 65536},
        {&root, "empty.pas", 100, true, 0},
        {&root, "link.pas", 4096, false, 0},
        {&root, "fifo.pas", 4096, false, 0},
        {&root, "sub", 4096, false, 0},
        {&root, "missing.pas", 4096, false, 0},
    };
    for (const auto& c : cases) {
        std::string bytes = "left over";
        EXPECT_EQ(c.Folder->ReadHead(c.Name, c.Limit, bytes), c.Read) << c.Name;
        EXPECT_EQ(bytes.size(), c.Bytes) << c.Name;
    }
    std::string bytes;
    ASSERT_TRUE(sub.ReadHead("unit.pas", 4096, bytes));
    EXPECT_EQ(bytes, "unit U; {$L zlib.obj}");
}

TEST_F(ListingTest, FoldersThatCannotBeListedDoNotOpen)
{
    TFolderReader reader;
    EXPECT_FALSE(reader.Open(Path("missing")));
    MakeFile("file");
    EXPECT_FALSE(reader.Open(Path("file")));
    MakeFolder("closed");
    MakeFolder("open");
    ASSERT_EQ(::chmod(Path("closed").c_str(), 0), 0);
    ASSERT_EQ(::chmod(FRoot.c_str(), 0755), 0);  // a temporary folder keeps others out
    EXPECT_EQ(twstesting::RunUnprivileged([&] {
                  TFolderReader unprivileged;
                  if (unprivileged.Open(Path("closed")))
                      return std::string("a folder without permissions was opened");
                  if (!unprivileged.Open(Path("open")))
                      return std::string("a readable folder did not open");
                  return std::string();
              }),
              "");
}

TEST_F(ListingTest, MountPointsOfOtherFileSystemsAreNotDescribed)
{
    struct stat root, proc;
    if (::stat("/", &root) != 0 || ::stat("/proc", &proc) != 0 || root.st_dev == proc.st_dev)
        GTEST_SKIP() << "/proc is not mounted here";
    TFolderReader reader;
    ASSERT_TRUE(reader.Open(""));
    TDirEntry e;
    EXPECT_FALSE(reader.Describe("proc", TEntryKind::ekFolder, e));
}

TEST(ListingSystemFolders, TheOperatingSystemsFoldersAtTheRootOnly)
{
    for (const char* name : {"proc", "sys", "dev", "run", "boot", "usr", "etc", "bin", "sbin", "lib", "lib64",
                             "libx32", "var", "snap"})
        EXPECT_TRUE(IsSystemFolder("", name)) << name;
    for (const char* name : {"home", "tmp", "user", "usrlocal", "mnt", "li", "opt", "root"})
        EXPECT_FALSE(IsSystemFolder("", name)) << name;
    EXPECT_FALSE(IsSystemFolder("/home", "usr"));
    EXPECT_FALSE(IsSystemFolder("/usr", "lib"));
    EXPECT_FALSE(IsSystemFolder("/home/proj", "var"));
}

TEST(ListingSystemFolders, WhereAWalkStarts)
{
    struct TCase {
        const char* Path;
        bool Inside;
    };
    const TCase cases[] = {
        {"/usr", true},        {"/usr/", true},          {"/usr/share/x/", true}, {"/var/lib/", true},
        {"/boot", true},       {"/lib64/", true},        {"//etc", true},         {"/./var/", true},
        {"/home/../usr", true}, {"/../../usr/lib", true}, {"/", false},           {"/home/u/", false},
        {"/home/u/usr/", false}, {"/usrlocal/", false},   {"/tmp/var/", false},   {"/usr/../home/", false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(IsInSystemFolder(c.Path), c.Inside) << c.Path;
}

TEST_F(ListingTest, AStartFolderIsJudgedWhereItsLinksLeadAndRelativeToTheCurrentFolder)
{
    ASSERT_EQ(::symlink("/usr/share", Path("share").c_str()), 0);
    MakeFolder("own");
    EXPECT_TRUE(IsInSystemFolder(Path("share")));
    EXPECT_TRUE(IsInSystemFolder(Path("share") + "/doc/"));
    EXPECT_FALSE(IsInSystemFolder(Path("own")));

    char here[4096];
    ASSERT_NE(::getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(::chdir("/usr"), 0);
    const bool inUsr = IsInSystemFolder("share");
    ASSERT_EQ(::chdir(FRoot.c_str()), 0);
    const bool inOwn = IsInSystemFolder("own");
    ASSERT_EQ(::chdir(here), 0);
    EXPECT_TRUE(inUsr);
    EXPECT_FALSE(inOwn);
}

TEST_F(ListingTest, ShortNamesAreTheNamesThemselves)
{
    MakeFile("a.obj");
    EXPECT_EQ(ShortPathName(Path("a.obj")), Path("a.obj"));
    EXPECT_EQ(ShortPathName(Path("b.obj")), "");
}

// The root of a walk: no link on any component of its path, judged by
// what the folder held is, and folders below it reached only link-free.
TEST_F(ListingTest, ARootFolderIsOpenedWithoutAnyLinkOnItsPath)
{
    MakeFolder("vol");
    MakeFolder("vol/a");
    MakeFolder("vol/a/b");
    MakeFile("vol/a/f.obj");
    ASSERT_EQ(::symlink("vol", Path("vol-link").c_str()), 0);
    ASSERT_EQ(::symlink("a", Path("vol/a-link").c_str()), 0);
    ASSERT_EQ(::symlink("/usr", Path("usr-link").c_str()), 0);

    // path -> opens?
    const std::pair<std::string, bool> paths[] = {
        {Path("vol"), true},          {Path("vol/"), true},          {Path("vol//a/./b"), true},
        {Path("vol/a/../a"), true},   {Path("vol-link"), false},     {Path("vol-link/a"), false},
        {Path("vol/a-link"), false},  {Path("vol/a/f.obj"), false},  {Path("missing"), false},
    };
    for (const auto& [path, opens] : paths)
        EXPECT_EQ(TRootFolder().Open(path), opens) << path;

    TRootFolder root;
    ASSERT_TRUE(root.Open(Path("vol")));
    EXPECT_EQ(root.Path(), Path("vol"));
    struct stat st;
    ASSERT_EQ(::stat(Path("vol").c_str(), &st), 0);
    EXPECT_EQ(root.Identity(), TFolderIdentity(st.st_dev, st.st_ino));

    // relative -> result
    const std::pair<std::string, TWalkResult> below[] = {
        {"", TWalkResult::Opened},          {"a/b", TWalkResult::Opened},     {"a/b/", TWalkResult::Opened},
        {"a-link", TWalkResult::Refused},   {"a/f.obj", TWalkResult::Refused}, {"a/missing", TWalkResult::Missing},
        {"a/../a", TWalkResult::BadPath},   {"a//b", TWalkResult::BadPath},   {"./a", TWalkResult::BadPath},
    };
    for (const auto& [relative, expected] : below) {
        int fd = -1;
        EXPECT_EQ(root.OpenBelow(relative, fd), expected) << relative;
        EXPECT_EQ(fd >= 0, expected == TWalkResult::Opened) << relative;
        if (fd >= 0)
            ::close(fd);
    }

    // The folder held, whatever its path leads to now.
    ASSERT_EQ(::rename(Path("vol").c_str(), Path("moved").c_str()), 0);
    ASSERT_EQ(::symlink("moved", Path("vol").c_str()), 0);
    TFolderReader reader;
    ASSERT_TRUE(reader.Open(root));
    EXPECT_EQ(ReadAll(reader), (std::map<std::string, TEntryKind>{{"a", TEntryKind::ekFolder}}));
    TDirEntry a;
    ASSERT_EQ(::stat(Path("moved/a").c_str(), &st), 0);
    a.Identity.Device = st.st_dev;
    a.Identity.Inode = st.st_ino;
    EXPECT_TRUE(TFolderReader().OpenBelow(root, "a", a));
    a.Identity.Inode += 1;
    EXPECT_FALSE(TFolderReader().OpenBelow(root, "a", a)) << "not the folder described";
}

// What the folder held is, not what its name says: inside /usr through
// ".." from a folder of the user's, or inside a folder given by identity.
TEST_F(ListingTest, ARootFolderIsJudgedByItsIdentityAndTheFoldersAboveIt)
{
    MakeFolder("vol");
    MakeFolder("vol/p");
    TRootFolder usrShare, user, inner;
    ASSERT_TRUE(usrShare.Open("/usr/share"));
    ASSERT_TRUE(user.Open(Path("vol")));
    ASSERT_TRUE(inner.Open(Path("vol/p")));
    EXPECT_TRUE(usrShare.IsInSystemFolder());
    EXPECT_FALSE(user.IsInSystemFolder());
    EXPECT_FALSE(inner.IsInSystemFolder());
    EXPECT_FALSE(TRootFolder().LiesWithin({user.Identity()})) << "nothing held lies nowhere";
    EXPECT_TRUE(inner.LiesWithin({user.Identity()}));
    EXPECT_TRUE(user.LiesWithin({user.Identity()}));
    EXPECT_FALSE(user.LiesWithin({inner.Identity()}));
    TRootFolder viaDots;
    ASSERT_TRUE(viaDots.Open(Path("vol/../../../../../../../../../../../../../../usr/share")));
    EXPECT_TRUE(viaDots.IsInSystemFolder());
}

// /usr mounted again inside a folder of the user's (in a mount namespace of
// the test's own): no name on the path says "/usr", its identity does.
TEST_F(ListingTest, ASystemFolderMountedElsewhereIsStillASystemFolder)
{
    MakeFolder("vol");
    MakeFolder("vol/u");
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("/usr", Path("vol/u").c_str(), nullptr, MS_BIND, nullptr) != 0)
            ::_exit(77);
        TRootFolder bound, inside, user;
        if (!bound.Open(Path("vol/u")) || !inside.Open(Path("vol/u/share")) || !user.Open(Path("vol")))
            ::_exit(2);
        ::_exit(bound.IsInSystemFolder() && inside.IsInSystemFolder() && !user.IsInSystemFolder() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "no mount namespace of its own may be made here (it needs CAP_SYS_ADMIN)";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: judged by name; 2: not opened";
}

#include "Trash.h"

#include "VerifiedFile.h"

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <regex>
#include <sched.h>
#include <set>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../folderhandle_posix.h"
#include "TempFolder.h"

namespace fs = std::filesystem;
using namespace twsplatform;
using twstesting::ReadFile;
using twstesting::WriteFile;

namespace {

// Moves folder/name into trash as the purge does: from the open folder.
TTrashResult MoveOut(TTrash& trash, const fs::path& file, AnsiString& error)
{
    TFileIdentity id;
    EXPECT_TRUE(ReadFileIdentity(file.string(), id));
    TFolderHandle folder(::open(file.parent_path().c_str(), O_RDONLY | O_DIRECTORY));
    return trash.Move(folder, file.parent_path().string() + "/", file.filename().string(), id, error);
}

std::string InfoPath(const fs::path& info)
{
    std::smatch m;
    const std::string text = ReadFile(info);
    return std::regex_search(text, m, std::regex("\nPath=([^\n]*)\n")) ? m[1].str() : "<none>";
}

class TrashTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_DATA_HOME", (temp / "data").c_str(), 1); }
    void TearDown() override { ::unsetenv("XDG_DATA_HOME"); }
    twstesting::TTempFolder temp{"trash"};
};

}  // namespace

TEST(TrashPath, EscapesAllButUnreservedBytesAndSlashes)
{
    const std::pair<std::string, std::string> cases[] = {
        {"/home/u/proj/Unit1.obj", "/home/u/proj/Unit1.obj"},
        {"/a b/c%d", "/a%20b/c%25d"},
        {"/x/\xC3\xA9t\xC3\xA9.~1~", "/x/%C3%A9t%C3%A9.~1~"},
        {"/q/a\nb#?&=+", "/q/a%0Ab%23%3F%26%3D%2B"},
        {"rel/-_.", "rel/-_."},
    };
    for (const auto& [path, escaped] : cases)
        EXPECT_EQ(EscapeTrashPath(path), escaped) << path;
}

// Every project has a Unit1.obj: all of them go into the trash, each under
// a name of its own with its own information, the first under its own name.
TEST_F(TrashTest, FilesOfOneNameEachGetTheirOwnEntry)
{
    TTrash trash;
    EXPECT_EQ(trash.HomeTrash(), (temp / "data" / "Trash").string());
    const std::string longName = std::string(250, 'n') + ".obj";
    std::set<std::string> origins;
    for (int i = 0; i < 20; ++i) {
        for (const std::string& name : {std::string("Unit1.obj"), longName}) {
            const fs::path file = temp / ("p" + std::to_string(i)) / name;
            WriteFile(file, "content " + std::to_string(i));
            AnsiString error;
            ASSERT_EQ(MoveOut(trash, file, error), TTrashResult::Moved) << error;
            EXPECT_FALSE(fs::exists(file));
            origins.insert(file.string());
        }
    }
    const fs::path files = temp / "data" / "Trash" / "files", info = temp / "data" / "Trash" / "info";
    EXPECT_TRUE(fs::exists(files / "Unit1.obj"));
    std::set<std::string> recorded;
    int entries = 0;
    const std::regex date("\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n");
    for (const auto& e : fs::directory_iterator(files)) {
        ++entries;
        const std::string name = e.path().filename().string();
        EXPECT_LE(name.size() + 10, 255u) << name;
        EXPECT_EQ(e.path().extension(), ".obj") << "the kind of file shows in its trash name";
        const fs::path infoFile = info / (name + ".trashinfo");
        ASSERT_TRUE(fs::exists(infoFile)) << name;
        EXPECT_EQ(ReadFile(infoFile).rfind("[Trash Info]\n", 0), 0u);
        EXPECT_TRUE(std::regex_search(ReadFile(infoFile), date)) << ReadFile(infoFile);
        const std::string origin = InfoPath(infoFile);
        recorded.insert(origin);
        // Restoring by the information brings back the same bytes.
        const std::string i = origin.substr(origin.find("/p") + 2, origin.find('/', origin.find("/p") + 1) -
                                                                       origin.find("/p") - 2);
        EXPECT_EQ(ReadFile(e.path()), "content " + i) << origin;
    }
    EXPECT_EQ(entries, 40);
    EXPECT_EQ(recorded, origins);
    EXPECT_EQ(std::distance(fs::directory_iterator(info), fs::directory_iterator()), 40);
}

// Between the check and the rename another file took the name: it is put
// back under that name, and no information is left behind.
TEST_F(TrashTest, AnotherFileUnderTheNameIsPutBack)
{
    const fs::path file = temp / "p" / "a.obj";
    WriteFile(file, "found");
    TFileIdentity id;
    ASSERT_TRUE(ReadFileIdentity(file.string(), id));
    fs::rename(file, temp / "p" / "kept.obj");
    fs::create_symlink(temp / "p" / "kept.obj", file);
    TFolderHandle folder(::open((temp / "p").c_str(), O_RDONLY | O_DIRECTORY));
    TTrash trash;
    AnsiString error;
    EXPECT_EQ(trash.Move(folder, (temp / "p").string() + "/", "a.obj", id, error), TTrashResult::Changed);
    EXPECT_TRUE(fs::is_symlink(file)) << error;
    EXPECT_EQ(ReadFile(temp / "p" / "kept.obj"), "found");
    EXPECT_TRUE(fs::is_empty(temp / "data" / "Trash" / "info"));
    EXPECT_TRUE(fs::is_empty(temp / "data" / "Trash" / "files"));
}

// A trash whose folders are links, or another user's, is never used, and a
// refused file stays where it is.
TEST_F(TrashTest, ALinkedHomeTrashIsRefused)
{
    fs::create_directories(temp / "elsewhere");
    fs::create_directories(temp / "data");
    fs::create_directory_symlink(temp / "elsewhere", temp / "data" / "Trash");
    const fs::path file = temp / "p" / "a.obj";
    WriteFile(file, "stays");
    TTrash trash;
    AnsiString error;
    EXPECT_EQ(MoveOut(trash, file, error), TTrashResult::Refused);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadFile(file), "stays");
    EXPECT_TRUE(fs::is_empty(temp / "elsewhere"));
}

namespace {

// Runs body in a child with its own mount namespace and a fresh tmpfs
// mounted at mnt: a file system of its own, whose top is mnt. Returns
// body's complaint, "" on success, or "skip" when mounting is not allowed.
std::string OnOwnFileSystem(const fs::path& mnt, const std::function<std::string()>& body)
{
    fs::create_directories(mnt);
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        std::string result;
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "mode=0755") != 0)
            result = "skip";
        else
            result = body();
        (void)!::write(pipeFds[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string result;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? result : "the child died";
}

}  // namespace

// A file on another file system than the home trash goes to the trash at
// the top of its file system, recording its path relative to that top.
TEST_F(TrashTest, AFileOnAnotherFileSystemGoesToItsTopdirTrash)
{
    const std::string uid = std::to_string(::geteuid());
    struct TCase {
        const char* What;
        std::function<void(const fs::path& top)> Prepare;
        const char* TrashFolder;  // "" when refused
    };
    const fs::path outside = temp / "outside";
    fs::create_directories(outside);
    const TCase cases[] = {
        {"nothing there", [](const fs::path&) {}, ".Trash-$uid"},
        {"a sticky .Trash",
         [](const fs::path& top) {
             fs::create_directory(top / ".Trash");
             ::chmod((top / ".Trash").c_str(), 01777);
         },
         ".Trash/$uid"},
        {"a .Trash without the sticky bit", [](const fs::path& top) { fs::create_directory(top / ".Trash"); },
         ".Trash-$uid"},
        {"a .Trash that is a link",
         [&](const fs::path& top) {
             ::chmod(outside.c_str(), 01777);
             fs::create_directory_symlink(outside, top / ".Trash");
         },
         ".Trash-$uid"},
        {"a .Trash-$uid that is a link",
         [&](const fs::path& top) { fs::create_directory_symlink(outside, top / (".Trash-" + std::to_string(::geteuid()))); },
         ""},
    };
    const fs::path mnt = temp / "mnt";
    for (const TCase& c : cases) {
        const std::string result = OnOwnFileSystem(mnt, [&]() -> std::string {
            c.Prepare(mnt);
            const fs::path file = mnt / "proj x" / "a.obj";
            WriteFile(file, "bytes");
            TTrash trash;
            AnsiString error;
            const TTrashResult moved = MoveOut(trash, file, error);
            std::string folder = c.TrashFolder;
            if (folder.empty())
                return moved == TTrashResult::Refused && ReadFile(file) == "bytes" ? "" : "not refused";
            folder.replace(folder.find("$uid"), 4, uid);
            if (moved != TTrashResult::Moved)
                return "refused: " + error;
            if (ReadFile(mnt / folder / "files" / "a.obj") != "bytes")
                return "not in " + folder;
            const std::string path = InfoPath(mnt / folder / "info" / "a.obj.trashinfo");
            if (path != "proj%20x/a.obj")
                return "Path=" + path;
            if ((fs::status(mnt / folder).permissions() & fs::perms::all) != fs::perms::owner_all)
                return "the trash folder is not 0700";
            return "";
        });
        if (result == "skip")
            GTEST_SKIP() << "mounting a file system of its own is not allowed here";
        EXPECT_EQ(result, "") << c.What;
        EXPECT_TRUE(fs::is_empty(outside)) << c.What;
    }
}

namespace {

// Records what it is told and whether the info file existed at that moment.
class TRecordingObserver final : public TTrashObserver {
public:
    explicit TRecordingObserver(bool allow) : FAllow(allow) {}
    bool BeforeMove(const TTrashEntry& entry) override
    {
        Told.push_back(entry);
        InfoExisted.push_back(fs::exists(fs::symlink_status(entry.Folder + "info/" + entry.Name + ".trashinfo")));
        return FAllow;
    }
    std::vector<TTrashEntry> Told;
    std::vector<bool> InfoExisted;

private:
    bool FAllow;
};

}  // namespace

// The observer hears of a move before anything of it is in the trash,
// never of a name whose information exists already, and a move it cannot
// record does not happen.
TEST_F(TrashTest, TheObserverHearsOfAMoveBeforeItAndCanRefuseIt)
{
    WriteFile(temp / "vol" / "a.obj", "a");
    WriteFile(temp / "vol" / "b.obj", "b");
    // A stray information file of another program holds the plain name.
    WriteFile(temp / "data" / "Trash" / "info" / "a.obj.trashinfo", "");
    TTrash trash;
    TRecordingObserver allowing(true);
    trash.SetObserver(&allowing);
    AnsiString error;
    EXPECT_EQ(MoveOut(trash, temp / "vol" / "a.obj", error), TTrashResult::Moved) << error;
    ASSERT_EQ(allowing.Told.size(), 1u);
    EXPECT_NE(allowing.Told[0].Name, "a.obj");
    EXPECT_EQ(allowing.Told[0].Folder, (temp / "data" / "Trash").string() + "/");
    EXPECT_FALSE(allowing.InfoExisted[0]);
    EXPECT_TRUE(fs::exists(temp / "data" / "Trash" / "files" / allowing.Told[0].Name));

    TRecordingObserver refusing(false);
    trash.SetObserver(&refusing);
    EXPECT_EQ(MoveOut(trash, temp / "vol" / "b.obj", error), TTrashResult::Refused);
    EXPECT_NE(error.find("record"), AnsiString::npos) << error;
    ASSERT_EQ(refusing.Told.size(), 1u);
    EXPECT_TRUE(fs::exists(temp / "vol" / "b.obj"));
    EXPECT_FALSE(fs::exists(temp / "data" / "Trash" / "info" / (refusing.Told[0].Name + ".trashinfo")));
}

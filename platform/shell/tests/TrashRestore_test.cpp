#include "TrashRestore.h"

#include "VerifiedFile.h"

#include <fcntl.h>
#include <functional>
#include <memory>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "../folderhandle_posix.h"
#include "StateFolder.h"
#include "TempFolder.h"

namespace fs = std::filesystem;
using namespace twsplatform;
using twstesting::ReadFile;
using twstesting::WriteFile;

namespace {

class TrashRestore : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("XDG_DATA_HOME", (temp / "data").c_str(), 1);
        fs::create_directories(temp / "vol" / "proj");
        // The trash reads the environment when it is made.
        trash = std::make_unique<TTrash>();
    }
    void TearDown() override { ::unsetenv("XDG_DATA_HOME"); }

    // Trashes vol/proj/<name> as the purge does; the entry it became.
    TTrashEntry Trash(const std::string& name, TFileIdentity& id)
    {
        const fs::path file = temp / "vol" / "proj" / name;
        EXPECT_TRUE(ReadFileIdentity(file.string(), id));
        TFolderHandle folder(::open(file.parent_path().c_str(), O_RDONLY | O_DIRECTORY));
        AnsiString error;
        TTrashEntry entry;
        EXPECT_EQ(trash->Move(folder, file.parent_path().string() + "/", name, id, error, &entry), TTrashResult::Moved)
            << error;
        return entry;
    }
    std::string Root() const { return temp.Slash() + "vol/"; }
    std::string Original(const std::string& name) const { return Root() + "proj/" + name; }

    twstesting::TTempFolder temp{"restore"};
    std::unique_ptr<TTrash> trash;
};

}  // namespace

TEST_F(TrashRestore, TheEntryNamesWhereTheFileWentAndTheFileComesBackWithItsMode)
{
    WriteFile(temp / "vol" / "proj" / "a.obj", "contents");
    ::chmod((temp / "vol" / "proj" / "a.obj").c_str(), 0444);
    TFileIdentity id;
    const TTrashEntry entry = Trash("a.obj", id);
    EXPECT_EQ(entry.Folder, (temp / "data" / "Trash").string() + "/");
    EXPECT_EQ(entry.Name, "a.obj");
    EXPECT_TRUE(fs::exists(temp / "data" / "Trash" / "info" / "a.obj.trashinfo"));

    AnsiString error;
    EXPECT_EQ(RestoreFromTrash(entry, Root(), nullptr, Original("a.obj"), id, error), TRestoreResult::Restored) << error;
    EXPECT_EQ(ReadFile(temp / "vol" / "proj" / "a.obj"), "contents");
    EXPECT_EQ(fs::status(temp / "vol" / "proj" / "a.obj").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(fs::exists(temp / "data" / "Trash" / "files" / "a.obj"));
    EXPECT_FALSE(fs::exists(temp / "data" / "Trash" / "info" / "a.obj.trashinfo"));
    // Once back, a second restore finds nothing to restore.
    EXPECT_EQ(RestoreFromTrash(entry, Root(), nullptr, Original("a.obj"), id, error), TRestoreResult::Missing);
}

TEST_F(TrashRestore, RefusesWhatItCannotProve)
{
    struct TCase {
        const char* Name;
        std::function<void(const TTrashEntry&)> Meddle;
        TRestoreResult Expected;
        bool StaysInTrash;
    };
    const TCase cases[] = {
        {"a file reappeared under the name",
         [&](const TTrashEntry&) { WriteFile(temp / "vol" / "proj" / "a.obj", "new"); }, TRestoreResult::Occupied, true},
        {"a link reappeared under the name",
         [&](const TTrashEntry&) { fs::create_symlink("/etc/passwd", temp / "vol" / "proj" / "a.obj"); },
         TRestoreResult::Occupied, true},
        {"the entry was replaced by another file",
         [&](const TTrashEntry& e) {
             fs::remove(e.Folder + "files/" + e.Name);
             WriteFile(e.Folder + "files/" + e.Name, "contents");
         },
         TRestoreResult::Changed, true},
        {"the entry was emptied from the trash",
         [&](const TTrashEntry& e) { fs::remove(e.Folder + "files/" + e.Name); }, TRestoreResult::Missing, false},
        {"the folder became a link",
         [&](const TTrashEntry&) {
             fs::rename(temp / "vol" / "proj", temp / "vol" / "elsewhere");
             fs::create_directory_symlink(temp / "vol" / "elsewhere", temp / "vol" / "proj");
         },
         TRestoreResult::Changed, true},
        {"the folder is gone", [&](const TTrashEntry&) { fs::remove_all(temp / "vol" / "proj"); },
         TRestoreResult::Missing, true},
        {"the trash's record names another place",
         [&](const TTrashEntry& e) {
             WriteFile(e.Folder + "info/" + e.Name + ".trashinfo",
                       "[Trash Info]\nPath=/etc/cron.d/a.obj\nDeletionDate=2024-05-01T10:20:30\n");
         },
         TRestoreResult::Changed, true},
        {"the trash's record is damaged",
         [&](const TTrashEntry& e) { WriteFile(e.Folder + "info/" + e.Name + ".trashinfo", "[Trash Info]\nPath=%zz\n"); },
         TRestoreResult::Changed, true},
        {"the trash's record became a link",
         [&](const TTrashEntry& e) {
             const std::string info = e.Folder + "info/" + e.Name + ".trashinfo";
             fs::rename(info, info + ".real");
             fs::create_symlink(info + ".real", info);
         },
         TRestoreResult::Changed, true},
        {"the trash's record is missing",
         [&](const TTrashEntry& e) { fs::remove(e.Folder + "info/" + e.Name + ".trashinfo"); },
         TRestoreResult::Changed, true},
        {"the trash's record is a FIFO (read without blocking)",
         [&](const TTrashEntry& e) {
             const std::string info = e.Folder + "info/" + e.Name + ".trashinfo";
             fs::remove(info);
             ASSERT_EQ(::mkfifo(info.c_str(), 0600), 0);
         },
         TRestoreResult::Changed, true},
        {"the volume root became a link to a folder outside",
         [&](const TTrashEntry&) {
             fs::rename(temp / "vol", temp / "outside");
             fs::create_directories(temp / "outside" / "elsewhere");
             fs::create_directory_symlink(temp / "outside", temp / "vol");
         },
         TRestoreResult::Changed, true},
    };
    for (const TCase& c : cases) {
        if (fs::is_symlink(fs::symlink_status(temp / "vol")))
            fs::remove(temp / "vol");  // the link a case left
        fs::remove_all(temp / "outside");
        fs::remove_all(temp / "vol");
        fs::create_directories(temp / "vol" / "proj");
        WriteFile(temp / "vol" / "proj" / "a.obj", "contents");
        TFileIdentity id;
        const TTrashEntry entry = Trash("a.obj", id);
        c.Meddle(entry);
        AnsiString error;
        EXPECT_EQ(RestoreFromTrash(entry, Root(), nullptr, Original("a.obj"), id, error), c.Expected) << c.Name << ": " << error;
        EXPECT_FALSE(error.empty()) << c.Name;
        EXPECT_EQ(fs::exists(fs::symlink_status(entry.Folder + "files/" + entry.Name)), c.StaysInTrash) << c.Name;
        if (fs::exists(fs::symlink_status(temp / "vol" / "elsewhere" / "a.obj")) ||
            fs::exists(fs::symlink_status(temp / "outside" / "proj" / "a.obj")))
            ADD_FAILURE() << c.Name << ": restored through a link";
    }
    if (fs::is_symlink(fs::symlink_status(temp / "vol")))
        fs::remove(temp / "vol");
    fs::remove_all(temp / "outside");
    // A path outside the root is never touched.
    AnsiString error;
    TFileIdentity id;
    EXPECT_EQ(RestoreFromTrash({temp.Slash() + "data/Trash/", "x"}, Root(), nullptr, "/etc/x", id, error),
              TRestoreResult::Changed);
}

// Paths a run record could carry that do not lie plainly below its root:
// none is restored, whatever the trash's record says.
TEST_F(TrashRestore, RefusesPathsThatAreNotPlainlyBelowTheRoot)
{
    WriteFile(temp / "vol" / "proj" / "a.obj", "contents");
    TFileIdentity id;
    const TTrashEntry entry = Trash("a.obj", id);
    const std::string info = entry.Folder + "info/" + entry.Name + ".trashinfo";
    struct TCase {
        std::string Root, Path;
    };
    const TCase cases[] = {
        {Root(), Root() + "proj/../proj/a.obj"},
        {Root(), Root() + "proj/./a.obj"},
        {Root(), Root() + "proj//a.obj"},
        {Root(), temp.Slash() + "a.obj"},
        {Root() + "proj/../", Root() + "proj/../proj/a.obj"},
        {"vol/", "vol/proj/a.obj"},
        {"", "/a.obj"},  // no root is not "/"
    };
    for (const TCase& c : cases) {
        // The trash's record agrees with the run's, as an attacker would make it.
        WriteFile(info, "[Trash Info]\nPath=" + EscapeTrashPath(c.Path) + "\nDeletionDate=2024-05-01T10:20:30\n");
        AnsiString error;
        EXPECT_EQ(RestoreFromTrash(entry, c.Root, nullptr, c.Path, id, error), TRestoreResult::Changed) << c.Path;
        EXPECT_TRUE(fs::exists(entry.Folder + "files/" + entry.Name)) << c.Path;
    }
}

// The run records its root's identity: a real folder put in the root's
// place (not a link) is not the volume the files came from.
TEST_F(TrashRestore, TheRootMustBeTheFolderTheRunRecorded)
{
    WriteFile(temp / "vol" / "proj" / "a.obj", "contents");
    TFileIdentity id;
    const TTrashEntry entry = Trash("a.obj", id);
    const TFileIdentity root = FolderIdentityWithoutLinks(Root());
    fs::rename(temp / "vol", temp / "old");
    fs::create_directories(temp / "vol" / "proj");
    AnsiString error;
    EXPECT_EQ(RestoreFromTrash(entry, Root(), &root, Original("a.obj"), id, error), TRestoreResult::Changed);
    EXPECT_FALSE(fs::exists(temp / "vol" / "proj" / "a.obj"));
    fs::remove_all(temp / "vol");
    fs::rename(temp / "old", temp / "vol");
    EXPECT_EQ(RestoreFromTrash(entry, Root(), &root, Original("a.obj"), id, error), TRestoreResult::Restored) << error;
}

// An info file a journal named is removed only when its move never
// finished (no files/ entry) and it is empty or names the journal's file.
TEST_F(TrashRestore, RemovesOnlyUnfinishedInformationOfTheNamedFile)
{
    const std::string trash = temp.Slash() + "data/Trash/";
    fs::create_directories(trash + "files");
    fs::create_directories(trash + "info");
    const std::string path = Original("a.obj");
    const std::string named = "[Trash Info]\nPath=" + EscapeTrashPath(path) + "\nDeletionDate=2024-05-01T10:20:30\n";
    struct TCase {
        const char* Name;
        std::function<void(const std::string& info)> Plant;
        bool Removed;
    };
    const TCase cases[] = {
        {"it names the file, no entry", [&](const std::string& info) { WriteFile(info, named); }, true},
        {"it is empty (cut short)", [&](const std::string& info) { WriteFile(info, ""); }, true},
        {"the entry is in files/",
         [&](const std::string& info) {
             WriteFile(info, named);
             WriteFile(trash + "files/a.obj", "x");
         },
         false},
        {"it names another file",
         [&](const std::string& info) {
             WriteFile(info, "[Trash Info]\nPath=/elsewhere/a.obj\nDeletionDate=2024-05-01T10:20:30\n");
         },
         false},
        {"it is a FIFO", [&](const std::string& info) { ASSERT_EQ(::mkfifo(info.c_str(), 0600), 0); }, false},
        {"it is a link",
         [&](const std::string& info) {
             WriteFile(temp / "elsewhere.trashinfo", "");
             fs::create_symlink(temp / "elsewhere.trashinfo", info);
         },
         false},
        {"it is not there", [&](const std::string&) {}, false},
    };
    for (const TCase& c : cases) {
        const std::string info = trash + "info/a.obj.trashinfo";
        fs::remove(info);
        fs::remove(trash + "files/a.obj");
        c.Plant(info);
        EXPECT_EQ(RemoveUnfinishedTrashInfo({trash, "a.obj"}, path), c.Removed) << c.Name;
        EXPECT_EQ(fs::exists(fs::symlink_status(info)), !c.Removed && std::string(c.Name) != "it is not there") << c.Name;
    }
    EXPECT_TRUE(fs::exists(temp / "elsewhere.trashinfo"));
    EXPECT_FALSE(RemoveUnfinishedTrashInfo({trash, "../info/a.obj"}, path));
}

// TTidewashConfig on POSIX: a settings file the user may not read, links
// and special files under its name, another program rewriting it in place,
// and savers killed halfway while others load.
#include "Configintf.h"

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

#include "ConfigintfFixture.h"
#include "TempFolder.h"
#include "Unprivileged.h"

using namespace tws;

// Unreadable for the caller (mode 000, as a user who is not root).
TEST(TidewashConfigFile, AnUnreadableFileRaisesWithFileAndReason)
{
    twstesting::TTempFolder dir("tws_cfg_unreadable");
    dir.GiveTo(twstesting::UnprivilegedUid(), twstesting::UnprivilegedGid());
    const std::string result = twstesting::RunUnprivileged([&]() -> std::string {
        const AnsiString path = (dir / "TWS.cfg").string();
        twstesting::TSettingsFile().WriteTo(path.c_str());
        fs::permissions(path.c_str(), fs::perms::none);
        TTidewashConfig config;
        config.DefineSchema();
        try {
            config.Load(path);
            return "loaded";
        } catch (const Exception& e) {
            if (e.Message().find(path) == AnsiString::npos || e.Message().find("Permission denied") == AnsiString::npos)
                return "message: " + e.Message();
        }
        return std::string();
    });
    EXPECT_EQ(result, "");
}

// A saver killed at random moments leaves the old or the new file, and a
// reader loading while it saves sees one of the two: never the excluded
// folders of one with the flags of the other, never a file without them.
TEST_F(TidewashConfig, KilledSaversAndConcurrentLoadsSeeOldOrNewSettings)
{
    auto setup = [](TTidewashConfig& c, bool second) {
        c.SetFlag(TFlagSetting::fsDeleteHidden, second);
        c.SetStringsText(TStringsSetting::ssExcludedVolumes, second ? "/mnt/b" : "/mnt/a");
        TStringList alone, withSub;
        for (int i = 0; i < 50; ++i)
            withSub.Add((second ? "/second/" : "/first/") + IntToStr(i));
        c.SetExcludedFolders("*.obj", MakeExcludedFolderEntries(alone, withSub));
    };
    int seen[2] = {0, 0};  // loads that found the first, the second settings
    auto consistent = [&](const AnsiString& file) -> std::string {
        TTidewashConfig c;
        c.DefineSchema();
        c.Load(file);
        const bool second = c.GetFlag(TFlagSetting::fsDeleteHidden);
        ++seen[second ? 1 : 0];
        TTidewashConfig expected;
        expected.DefineSchema();
        setup(expected, second);
        if (c.GetStringsText(TStringsSetting::ssExcludedVolumes) !=
                expected.GetStringsText(TStringsSetting::ssExcludedVolumes) ||
            !(Folders(c, "*.obj") == Folders(expected, "*.obj")))
            return "mixed or missing settings";
        return std::string();
    };
    setup(config, false);
    config.Save(path);
    // scripts/settings_kill_test.sh runs this with many more rounds.
    const char* wanted = std::getenv("TWS_KILL_ROUNDS");
    const int rounds = wanted != nullptr ? std::atoi(wanted) : 15;
    int reads = 0;
    for (int round = 0; round < rounds; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            TTidewashConfig saver;
            saver.DefineSchema();
            for (int i = 0;; ++i) {
                setup(saver, i % 2 == 0);
                saver.Save(path);
            }
        }
        for (int i = 0; i < 20; ++i, ++reads)
            ASSERT_EQ(consistent(path), "") << "round " << round << " read " << i;
        ::usleep(300 + static_cast<unsigned>(std::rand()) % 5000);
        ::kill(child, SIGKILL);
        int status;
        ::waitpid(child, &status, 0);
        ASSERT_EQ(consistent(path), "") << "round " << round;
    }
    std::printf("killed savers: %d, each left the old or the new file; loads during saves: %d, all whole;"
                " loads that found the first settings: %d, the second: %d\n",
                rounds, reads, seen[0], seen[1]);
}

// What stands under the name instead of a regular file is refused at once
// by Load (no waiting on a FIFO, no reading /dev/zero) with the file and
// the reason, and by Save; nothing is created, read or written through it.
TEST_F(TidewashConfig, LinksAndSpecialFilesAreRefusedAndNothingIsCreated)
{
    const fs::path elsewhere = dir / "elsewhere";
    fs::create_directory(elsewhere);
    const fs::path real = elsewhere / "real.cfg";
    struct Case {
        const char* name;
        std::function<void()> plant;
        AnsiString reason;
    };
    const Case cases[] = {
        {"a link leading nowhere", [&] { fs::create_symlink(elsewhere / "new.cfg", path.c_str()); },
         vcl::LinkRefusal},
        {"a link to a whole settings file", [&] { fs::create_symlink(real, path.c_str()); }, vcl::LinkRefusal},
        {"a link to /dev/zero", [&] { fs::create_symlink("/dev/zero", path.c_str()); }, vcl::LinkRefusal},
        {"a FIFO", [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }, vcl::NotRegularRefusal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        twstesting::TSettingsFile().WriteTo(real);
        c.plant();
        TTidewashConfig loaded;
        loaded.DefineSchema();
        try {
            loaded.Load(path);
            ADD_FAILURE() << "loaded";
        } catch (const Exception& e) {
            EXPECT_NE(e.Message().find(path), AnsiString::npos) << e.Message();
            EXPECT_NE(e.Message().find(c.reason), AnsiString::npos) << e.Message();
        }
        EXPECT_THROW(loaded.Save(path), Exception);
        EXPECT_FALSE(fs::exists(elsewhere / "new.cfg"));
        EXPECT_EQ(twstesting::ReadFile(real), twstesting::TSettingsFile().Text());
        EXPECT_NE(fs::symlink_status(path.c_str()).type(), fs::file_type::regular);
        fs::remove(path.c_str());
    }
}

// Another program rewriting the file in place (truncating it, then writing
// it in pieces, as a shell redirect or an editor without rename does) while
// the settings are loaded: each load is refused or sees every exclusion,
// never the defaults or part of the file.
TEST_F(TidewashConfig, ARewriteInPlaceIsNeverReadAsFewerExclusions)
{
    twstesting::TSettingsFile settings;
    settings.ExcludedVolumes = {"/mnt/a", "/mnt/b"};
    for (int i = 0; i < 20; ++i)
        settings.ExcludedFolders.push_back({"*.m" + std::to_string(i), {"/work/lib" + std::to_string(i) + "=1"}});
    const std::string text = settings.Text();
    settings.WriteTo(path.c_str());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (unsigned cut = 0;; cut = (cut + 37) % text.size()) {
            const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
            if (fd < 0 || ::write(fd, text.data(), cut) < 0 || ::write(fd, text.data() + cut, text.size() - cut) < 0)
                ::_exit(1);
            ::close(fd);
        }
    }
    // Stopped however the loop below ends.
    struct TStop {
        pid_t pid;
        int status = 0;
        void operator()()
        {
            if (pid > 0 && ::kill(pid, SIGKILL) == 0)
                ::waitpid(std::exchange(pid, 0), &status, 0);
        }
        ~TStop() { (*this)(); }
    } stop{child};
    // scripts/settings_kill_test.sh runs this with many more loads.
    const char* wanted = std::getenv("TWS_REWRITE_LOADS");
    const int loads = wanted != nullptr ? std::atoi(wanted) : 400;
    int refused = 0, whole = 0;
    std::string wrong;
    for (int i = 0; i < loads && wrong.empty(); ++i) {
        TTidewashConfig loaded;
        loaded.DefineSchema();
        try {
            loaded.Load(path);
        } catch (const EConfigFileDamaged&) {
            ++refused;
            continue;
        }
        ++whole;
        if (loaded.GetStringsText(TStringsSetting::ssExcludedVolumes) != "/mnt/a,/mnt/b" ||
            loaded.GetExcludedFoldersMap().size() != 20u)
            wrong = "load " + std::to_string(i) + " read fewer exclusions";
    }
    stop();
    EXPECT_EQ(wrong, "");
    EXPECT_FALSE(WIFEXITED(stop.status)) << "the rewriter failed";
    std::printf("loads during rewrites in place: %d refused, %d whole\n", refused, whole);
}

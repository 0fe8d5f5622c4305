// TTidewashConfig on POSIX: a settings file the user may not read, and
// savers killed halfway while others load.
#include "Configintf.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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
        twstesting::WriteFile(path.c_str(), "[Files]\nActiveMasks=\"*.obj\"\n");
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

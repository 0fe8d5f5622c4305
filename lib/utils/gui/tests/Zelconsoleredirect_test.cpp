#include "Zelconsoleredirect.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "TempFolder.h"
#include "Zelexceptions.h"

using zelutils::TConsoleBuffer;
using zelutils::TConsoleRedirect;

namespace {
struct TCollector {
    std::vector<std::string> lines;
    void Attach(TConsoleRedirect& r)
    {
        r.OnReadLine = [this](TConsoleRedirect*, const AnsiString& line) { lines.push_back(line); };
    }
};
}  // namespace

TEST(TConsoleRedirect, ProcessReadDataSplitsAtCarriageReturnsOnly)
{
    const struct {
        std::string data;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\r\nb", {"a", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\n", {"a\nb\n"}},        // line feeds alone do not split
        {"a\rb\rc", {"a", "b", "c"}},  // carriage returns alone do
        {"a\r\r\nb", {"a", "", "b"}},  // only the feed right after a return is skipped
        {"a\r\n\nb", {"a", "\nb"}},
        {"\r\n", {""}},
        {"abc", {"abc"}},
    };
    for (const auto& c : cases) {
        TConsoleRedirect redirect;
        TCollector got;
        got.Attach(redirect);
        redirect.ProcessReadData(TConsoleBuffer(c.data.begin(), c.data.end()));
        EXPECT_EQ(got.lines, c.lines) << c.data;
    }
}

TEST(TConsoleRedirect, ExecuteDeliversLinesAsTheyAreCompleteAndTheRestAtTheEnd)
{
    twstesting::TTempFolder folder("redirect");
    const struct {
        const char* script;
        std::vector<std::string> lines;
    } cases[] = {
        {R"(printf 'a\r\nb\r\n')", {"a", "b"}},
        {R"(printf 'one\ntwo\n')", {"one\ntwo\n"}},
        // A line in progress waits for its feed, across a pause.
        {R"(printf 'par'; sleep 0.2; printf 'tial\r\nend')", {"partial", "end"}},
        {R"(printf 'out\r\n'; printf 'err\r\n' >&2)", {"out", "err"}},
        {"pwd", {folder.Path().string() + "\n"}},
    };
    for (const auto& c : cases) {
        TConsoleRedirect redirect;
        TCollector got;
        got.Attach(redirect);
        redirect.WorkingDirectory = folder.Path().string();
        redirect.CommandLine = std::string("sh -c \"") + c.script + "\"";
        EXPECT_TRUE(redirect.Execute()) << c.script;
        EXPECT_EQ(got.lines, c.lines) << c.script;
    }
}

TEST(TConsoleRedirect, QueryAbortStopsTheProgramAndStartFailuresRaise)
{
    TConsoleRedirect redirect;
    redirect.CommandLine = "sleep 30";
    redirect.ProcessMessagesInterval = 10;
    int asked = 0;
    redirect.OnQueryAbort = [&](TConsoleRedirect*, bool& abort, unsigned long& exitCode) {
        EXPECT_FALSE(abort);
        EXPECT_EQ(exitCode, 0u);
        abort = ++asked == 3;
        exitCode = 5;
    };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(redirect.Execute());
    EXPECT_EQ(asked, 3);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

    TConsoleRedirect missing;
    missing.CommandLine = "/no/such/program";
    EXPECT_THROW(missing.Execute(), zelcore::ECreateProcess);
}

// Waiting for output must sleep in the system, not ask the pipe in a loop:
// a child that writes now and then for a second costs the parent only a
// little CPU time.
TEST(TConsoleRedirect, WaitingForOutputDoesNotSpin)
{
    TConsoleRedirect redirect;
    TCollector got;
    got.Attach(redirect);
    redirect.CommandLine = "sh -c \"for i in 1 2 3 4 5; do sleep 0.2; printf 'tick\\r\\n'; done\"";
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(redirect.Execute());
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    const double cpu = seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) -
                       seconds(before.ru_stime);
    RecordProperty("cpu_ms", static_cast<int>(cpu * 1000));
    RecordProperty("wall_ms", static_cast<int>(wall * 1000));
    EXPECT_EQ(got.lines.size(), 5u);
    EXPECT_GE(wall, 0.9);
    EXPECT_LT(cpu, 0.2 * wall) << "cpu " << cpu << " s in " << wall << " s";
}

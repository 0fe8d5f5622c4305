#include <processthreadsapi.h>

#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

struct TRun {
    DWORD exitCode = 0;
    std::string output;
};

// Runs commandLine with its standard output and error in a pipe; reads all
// it writes, then its exit code.
TRun RunCaptured(std::string commandLine)
{
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    EXPECT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    TRun run;
    const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
    CloseHandle(writeEnd);
    EXPECT_TRUE(started) << commandLine;
    if (started) {
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
        char buffer[256];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
            run.output.append(buffer, got);
        EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &run.exitCode));
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    return run;
}

}  // namespace

TEST(Process, TheCommandLineIsSplitByTheWindowsRules)
{
    const struct {
        const char* arguments;
        const char* expected;
    } cases[] = {
        {"a b", "[a][b]"},
        {"  a\t\tb  ", "[a][b]"},
        {R"("b c" d)", "[b c][d]"},
        {R"(x"y z"w)", "[xy zw]"},
        {R"(d\"e)", R"([d"e])"},
        {R"(\\"f g")", R"([\f g])"},
        {R"(a\b\\c)", R"([a\b\\c])"},
        {R"("")", "[]"},
    };
    for (const auto& c : cases) {
        const TRun run = RunCaptured(std::string("printf [%s] ") + c.arguments);
        EXPECT_EQ(run.output, c.expected) << c.arguments;
        EXPECT_EQ(run.exitCode, 0u);
    }
}

TEST(Process, ExitCodesAndStartFailures)
{
    EXPECT_EQ(RunCaptured("sh -c \"exit 7\"").exitCode, 7u);
    EXPECT_EQ(RunCaptured("sh -c \"kill -TERM $$\"").exitCode, 128u + 15u);
    EXPECT_EQ(RunCaptured("sh -c \"echo out; echo err >&2\"").output, "out\nerr\n");

    PROCESS_INFORMATION process{};
    STARTUPINFOA startup{};
    char missing[] = "/no/such/program --flag";
    EXPECT_FALSE(CreateProcessA(nullptr, missing, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    EXPECT_NE(GetLastError(), 0u);
    char empty[] = "   ";
    EXPECT_FALSE(CreateProcessA(nullptr, empty, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
}

TEST(Process, ARunningProcessIsStillActiveUntilTerminatedWithTheGivenCode)
{
    PROCESS_INFORMATION process{};
    STARTUPINFOA startup{};
    char line[] = "sleep 30";
    ASSERT_TRUE(CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    DWORD code = 0;
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 50), static_cast<DWORD>(WAIT_TIMEOUT));
    ASSERT_TRUE(GetExitCodeProcess(process.hProcess, &code));
    EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
    ASSERT_TRUE(TerminateProcess(process.hProcess, 42));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    ASSERT_TRUE(GetExitCodeProcess(process.hProcess, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_TRUE(CloseHandle(process.hThread));
    EXPECT_TRUE(CloseHandle(process.hProcess));
}

TEST(Process, APeekLeavesTheBytesAndThePipeWakesAWait)
{
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    const HANDLE both[2] = {writeEnd, readEnd};
    EXPECT_EQ(WaitForSingleObject(readEnd, 20), static_cast<DWORD>(WAIT_TIMEOUT));
    // Writing goes through the process stand-ins only by a child; write with
    // the handle's descriptor here.
    ASSERT_EQ(::write(winsdk::FdFromHandle(writeEnd), "ab\ncd", 5), 5);
    EXPECT_EQ(WaitForMultipleObjects(1, both + 1, FALSE, 1000), static_cast<DWORD>(WAIT_OBJECT_0));
    char buffer[16] = {};
    DWORD got = 0;
    DWORD available = 0;
    ASSERT_TRUE(PeekNamedPipe(readEnd, buffer, 3, &got, &available, nullptr));
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(available, 5u);
    EXPECT_EQ(std::string(buffer, 3), "ab\n");
    ASSERT_TRUE(ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "ab\ncd");
    ASSERT_TRUE(PeekNamedPipe(readEnd, buffer, sizeof buffer, &got, &available, nullptr));
    EXPECT_EQ(available, 0u);
    CloseHandle(writeEnd);
    CloseHandle(readEnd);
}

#include "Options.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "Exitcode.h"

using namespace twscleanup;

namespace {

// Parses the arguments as they would follow "twscleanup" on a command line.
std::optional<int> Parse(std::vector<std::string> args, TOptions& options)
{
    args.insert(args.begin(), "twscleanup");
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data(), options);
}

struct TCase {
    std::vector<std::string> Args;
    TCommand Command;
    TOutput Output;
};

// Each way of combining the flags that goes together reads as one command
// and one output.
TEST(HostOptions, FlagsBecomeOneCommandAndOneOutput)
{
    const TCase cases[] = {
        {{}, TCommand::Clean, TOutput::Text},
        {{"-q", "/v"}, TCommand::Clean, TOutput::Quiet},
        {{"--yes", "/v"}, TCommand::CleanWithoutAsking, TOutput::Text},
        {{"--yes", "--json", "/v"}, TCommand::CleanWithoutAsking, TOutput::Json},
        {{"--dry-run"}, TCommand::DryRun, TOutput::Text},
        // JSON without --yes deletes nothing; it wins over a text list.
        {{"--json"}, TCommand::DryRun, TOutput::Json},
        {{"--list", "--json"}, TCommand::DryRun, TOutput::Json},
        {{"--list", "--dry-run", "-q"}, TCommand::List, TOutput::Quiet},
        {{"--list-volumes"}, TCommand::ListVolumes, TOutput::Text},
        {{"--history"}, TCommand::History, TOutput::Text},
        // A flag turned off is not given: nothing to refuse.
        {{"--history", "--yes=false"}, TCommand::History, TOutput::Text},
        {{"--dry-run=false", "--json=false"}, TCommand::Clean, TOutput::Text},
        {{"--undo"}, TCommand::Undo, TOutput::Text},
        {{"--undo", "7", "--dry-run", "-q"}, TCommand::ShowUndo, TOutput::Quiet},
    };
    for (const TCase& c : cases) {
        TOptions options;
        const std::string line = ::testing::PrintToString(c.Args);
        ASSERT_FALSE(Parse(c.Args, options).has_value()) << line;
        EXPECT_EQ(options.Command, c.Command) << line;
        EXPECT_EQ(options.Output, c.Output) << line;
    }
}

TEST(HostOptions, KeepsTheVolumeTheRunAndTheDetail)
{
    TOptions options;
    ASSERT_FALSE(Parse({"--undo", "20260101-1", "-v"}, options).has_value());
    EXPECT_EQ(options.UndoRun, "20260101-1");
    EXPECT_EQ(options.Failures, TFailureDetail::ReasonAndCode);
    ASSERT_FALSE(Parse({"--threads", "3", "~/src"}, options).has_value());
    EXPECT_EQ(options.Volume, "~/src");
    EXPECT_EQ(options.Threads, 3u);
}

// An option that does not apply is refused, never ignored.
TEST(HostOptions, RefusesOptionsThatDoNotGoTogether)
{
    const std::vector<std::string> refused[] = {
        {"--list-volumes", "/v"}, {"--list-volumes", "--dry-run"}, {"--history", "/v"},
        {"--undo", "--json"},     {"--history", "--undo"},         {"--yes", "--dry-run", "/v"},
        {"--yes", "--list", "/v"}, {"--threads", "0"},             {"--no-such-option"},
    };
    for (const auto& args : refused) {
        TOptions options;
        EXPECT_EQ(Parse(args, options), std::optional<int>(kUsage)) << ::testing::PrintToString(args);
    }
}

}  // namespace

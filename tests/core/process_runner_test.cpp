#include "core/process_runner.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/core/support/fake_seams.h"
#include "tests/core/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::FakeSeams;
using testing_support::ReadWholeFile;
using testing_support::TempDir;

std::string Script(const TempDir& dir, const std::string& name, const std::string& body,
                   fs::perms perms = fs::perms::owner_all) {
    const std::string path = dir.Write(name, "#!/bin/sh\n" + body + "\n");
    fs::permissions(path, perms);
    return path;
}

core::CommandLine Line(std::initializer_list<std::string> arguments) {
    core::CommandLine line;
    for (const std::string& argument : arguments) core::AppendArgument(line, argument);
    return line;
}

core::RunOptions CheckingExitCode() {
    core::RunOptions options;
    options.checkExitCode = true;
    return options;
}

core::RunOptions NonFatal(const std::string& workingDirectory = {}) {
    core::RunOptions options;
    options.nonFatal = true;
    options.workingDirectory = workingDirectory;
    return options;
}

bool RunWith(FakeSeams& seams, const core::CommandLine& line, core::RunOptions options,
            const core::ProgramState& state = {}) {
    auto bundle = seams.Bundle();
    return core::RunProcess(line, options, bundle, state);
}

TEST(RunProcess, ReportsANonZeroExitCodeOnlyWhenAsked) {
    TempDir dir;
    const std::string tool = Script(dir, "my tool", "exit 3");
    FakeSeams seams;
    EXPECT_TRUE(RunWith(seams, Line({tool, "x"}), CheckingExitCode()));
    EXPECT_EQ(seams.errors, std::vector<std::string>{tool + "\rreturned exit code 3"});
    EXPECT_TRUE(RunWith(seams, Line({tool}), {}));
    EXPECT_EQ(seams.errors.size(), 1u);
}

TEST(RunProcess, AChildKilledBySignalReportsOneHundredTwentyEightPlusTheSignal) {
    FakeSeams seams;
    EXPECT_TRUE(RunWith(seams, Line({"/bin/sh", "-c", "kill -TERM $$"}), CheckingExitCode()));
    EXPECT_EQ(seams.errors, std::vector<std::string>{"/bin/sh\rreturned exit code 143"});
}

TEST(RunProcess, ExitCodesAreShownUnsigned) {
    EXPECT_EQ(core::ExitCodeMessage("p", 0x80000000u), "p\rreturned exit code 2147483648");
    EXPECT_EQ(core::ExitCodeMessage("p", 0xFFFFFFFFu), "p\rreturned exit code 4294967295");
}

TEST(RunProcess, ProgramsThatCannotBeExecutedAreNotStarted) {
    TempDir dir;
    const std::string unexecutable[] = {
        dir.File("missing tool"),
        Script(dir, "no exec bit", "exit 0", fs::perms::owner_read | fs::perms::owner_write),
        dir.Write("bad format", "\x7F" "ELF garbage"),
        dir.path(),
    };
    fs::permissions(dir.File("bad format"), fs::perms::owner_all);
    for (const std::string& program : unexecutable) {
        FakeSeams seams;
        seams.busyCursor = true;
        EXPECT_FALSE(RunWith(seams, Line({program, "-overwrite"}), NonFatal())) << program;
        EXPECT_EQ(seams.errors, std::vector<std::string>{"Could not execute\r" + program});
        EXPECT_FALSE(seams.busyCursor);
    }
}

TEST(RunProcess, AFatalFailedStartRemovesTheExtractionDirectoryAndExits) {
    TempDir dir;
    core::ProgramState state;
    state.ExtractionDir = dir.File("extracted");
    fs::create_directory(state.ExtractionDir);
    dir.Write("extracted/bspatch", "");
    FakeSeams seams;
    try {
        (void)RunWith(seams, Line({dir.File("archive.sfx"), "-overwrite", state.ExtractionDir}), {}, state);
        FAIL() << "RunProcess returned";
    } catch (const testing_support::ProgramExited& exited) {
        EXPECT_EQ(exited.exitCode, 2);
    }
    EXPECT_EQ(seams.errors, std::vector<std::string>{"Could not execute\r" + dir.File("archive.sfx")});
    EXPECT_TRUE(seams.windowDisabled);
    EXPECT_FALSE(fs::exists(state.ExtractionDir));
}

TEST(RunProcess, ArgumentsArriveExactly) {
    TempDir dir;
    const std::string output = dir.File("arguments");
    const std::vector<std::string> arguments = {"a b", "c\"d", "\"quoted\"", "  lead", "back\\slash\\\"", "*", "$HOME"};
    core::CommandLine line = Line({"/bin/sh", "-c", "printf '%s\\n' \"$@\" > \"$0\"", output});
    std::string expected;
    for (const std::string& argument : arguments) {
        core::AppendArgument(line, argument);
        expected += argument + "\n";
    }
    FakeSeams seams;
    ASSERT_TRUE(RunWith(seams, line, CheckingExitCode()));
    EXPECT_TRUE(seams.errors.empty());
    EXPECT_EQ(ReadWholeFile(output), expected);
}

TEST(RunProcess, RunsInTheWorkingDirectoryAProgramNamedFromTheCallersDirectory) {
    TempDir dir;
    Script(dir, "tool", "pwd -P > where");
    fs::create_directory(dir.File("work"));
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    FakeSeams seams;
    const bool started = RunWith(seams, Line({"./tool"}), NonFatal(dir.File("work")));
    fs::current_path(previous);
    ASSERT_TRUE(started) << (seams.errors.empty() ? "" : seams.errors.front());
    EXPECT_EQ(ReadWholeFile(dir.File("work/where")), fs::canonical(dir.File("work")).string() + "\n");
}

TEST(RunProcess, OnlyTheStandardFilesAreInherited) {
    TempDir dir;
    const int fd = open(dir.Write("open", "").c_str(), O_RDONLY);
    ASSERT_GE(fd, 3);
    FakeSeams seams;
    EXPECT_TRUE(RunWith(seams, Line({"/bin/sh", "-c", "test ! -e /proc/self/fd/" + std::to_string(fd)}),
                    CheckingExitCode()));
    close(fd);
    EXPECT_TRUE(seams.errors.empty());
}

TEST(RunProcess, PumpsWindowEventsBetweenFiftyMillisecondSlices) {
    using Clock = std::chrono::steady_clock;
    std::vector<Clock::time_point> pumps;
    FakeSeams seams;
    seams.onPump = [&](int) { pumps.push_back(Clock::now()); };
    const auto start = Clock::now();
    EXPECT_TRUE(RunWith(seams, Line({"/bin/sh", "-c", "sleep 0.3"}), {}));
    ASSERT_GE(pumps.size(), 2u);
    EXPECT_GE(pumps.front() - start, std::chrono::milliseconds(45));
    for (std::size_t i = 1; i < pumps.size(); ++i) EXPECT_GE(pumps[i] - pumps[i - 1], std::chrono::milliseconds(45));
    EXPECT_LT(Clock::now() - pumps.back(), std::chrono::milliseconds(200));
}

}  // namespace

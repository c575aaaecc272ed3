#include "core/process_runner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>

#include "platform/process.h"
#include "tests/core/support/fake_seams.h"
#include "tests/core/support/processes.h"
#include "tests/core/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::FakeSeams;
using testing_support::ReadWholeFile;
using testing_support::TempDir;

std::string Script(const TempDir& dir, const std::string& name, const std::string& body,
                   fs::perms perms = fs::perms::owner_all) {
    std::string path = dir.Write(name, "#!/bin/sh\n" + body + "\n");
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

bool RunWith(FakeSeams& seams, const core::CommandLine& line, const core::RunOptions& options,
             core::RunRegister& run) {
    auto bundle = seams.Bundle();
    return core::RunProcess(line, options, bundle, run).has_value();
}

bool RunWith(FakeSeams& seams, const core::CommandLine& line, const core::RunOptions& options) {
    core::RunRegister run;
    return RunWith(seams, line, options, run);
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

TEST(RunProcess, AFailedProgramsLastLineOnStandardErrorIsTheBoxsReason) {
    struct Case {
        const char* what;
        std::string script;
        std::string reason;
    };
    const Case cases[] = {
        {"one line", "echo 'damaged patch: cut short' >&2", "damaged patch: cut short"},
        {"blank lines after it", "printf 'first\\nlast words\\r\\n\\n  \\n' >&2", "last words"},
        {"no line end", "printf 'first\\nno end' >&2", "no end"},
        {"far more than the end that is read",
         "head -c 100000 /dev/zero | tr '\\0' x >&2; echo >&2; echo done >&2", "done"},
        {"nothing said", "echo 'only on standard output'", ""},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        FakeSeams seams;
        EXPECT_TRUE(RunWith(seams, Line({"/bin/sh", "-c", test.script + "; exit 4"}), CheckingExitCode()));
        EXPECT_EQ(seams.errors, std::vector<std::string>{"/bin/sh\rreturned exit code 4"});
        EXPECT_EQ(seams.errorReasons, std::vector<std::string>{test.reason});
    }
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
        dir.Write("bad format",
                  "\x7F"
                  "ELF garbage"),
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
    core::RunRegister run;
    run.ExtractionDir = dir.File("extracted");
    fs::create_directory(run.ExtractionDir);
    dir.Write("extracted/bspatch", "");
    FakeSeams seams;
    try {
        (void)RunWith(seams, Line({dir.File("archive.sfx"), "-overwrite", run.ExtractionDir}), {}, run);
        FAIL() << "RunProcess returned";
    } catch (const testing_support::ProgramExited& exited) {
        EXPECT_EQ(exited.exitCode, 2);
    }
    EXPECT_EQ(seams.errors, std::vector<std::string>{"Could not execute\r" + dir.File("archive.sfx")});
    EXPECT_TRUE(seams.windowDisabled);
    EXPECT_FALSE(fs::exists(run.ExtractionDir));
}

TEST(RunProcess, ArgumentsArriveExactly) {
    TempDir dir;
    const std::string output = dir.File("arguments");
    const std::vector<std::string> arguments = {"a b", "c\"d", "\"quoted\"", "  lead", "back\\slash\\\"",
                                                "*",   "$HOME"};
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

// Both ways of learning of a program's end wake a waiter at once: the descriptor stays quiet while
// the program runs and is readable when it has ended, with nothing polled at intervals.
TEST(ProgramEndWatch, TheDescriptorBecomesReadableWhenTheProgramEnds) {
    using Means = platform::ProgramEndWatch::Means;
    using Clock = std::chrono::steady_clock;
    TempDir dir;
    for (const Means means : {Means::ProcessDescriptor, Means::ChildSignal}) {
        SCOPED_TRACE(means == Means::ProcessDescriptor ? "process descriptor" : "SIGCHLD pipe");
        const std::string go = dir.File("go");
        const auto program = platform::StartProgram(
            {"/bin/sh", "-c", "while [ ! -e \"$0\" ]; do sleep 0.01; done; exit 3", go}, "");
        ASSERT_TRUE(program);
        platform::ProgramEndWatch watch(*program, means);
        EXPECT_EQ(watch.means(), means);
        ASSERT_GE(watch.descriptor(), 0);
        pollfd quiet{watch.descriptor(), POLLIN, 0};
        EXPECT_EQ(poll(&quiet, 1, 100), 0) << "readable while the program runs";
        EXPECT_FALSE(watch.Ended());
        quiet.revents = 0;
        EXPECT_EQ(poll(&quiet, 1, 0), 0) << "still readable after Ended() looked";

        dir.Write("go", "");
        const Clock::time_point asked = Clock::now();
        pollfd ended{watch.descriptor(), POLLIN, 0};
        int ready = 0;
        do ready = poll(&ended, 1, 10'000);
        while (ready < 0 && errno == EINTR);  // the SIGCHLD handler interrupts the wait
        ASSERT_EQ(ready, 1);
        EXPECT_TRUE(watch.Ended());
        EXPECT_LT(Clock::now() - asked, std::chrono::seconds(5));
        EXPECT_EQ(platform::ReapProgram(*program), 3u);
        fs::remove(go);
    }
}

// ---- Nothing outlives the program -------------------------------------------------------------

// A program started by a process that is then killed with SIGKILL (which nobody can catch) ends
// with it.
TEST(StartProgram, TheProgramDiesWithItsCaller) {
    TempDir dir;
    const std::string pidFile = dir.File("pid");
    const pid_t caller = fork();
    if (caller == 0) {
        const auto started =
            platform::StartProgram({"/bin/sh", "-c", "echo $$ > \"$0\"; exec sleep 60", pidFile}, "");
        if (started) pause();
        _exit(1);
    }
    ASSERT_GT(caller, 0);
    const pid_t program = testing_support::WaitForPidFile(pidFile);
    ASSERT_GT(program, 0) << "the program did not start";

    kill(caller, SIGKILL);
    waitpid(caller, nullptr, 0);

    EXPECT_TRUE(testing_support::WaitUntilEnded(program)) << "the program outlived its caller";
    if (!testing_support::HasEnded(program)) kill(program, SIGKILL);
}

struct StubbornProgram {
    std::string name;
    std::string script;  // starts a grandchild and writes the two process ids
};

// Test listings show the case's name rather than its bytes.
void PrintTo(const StubbornProgram& program, std::ostream* out) { *out << program.name; }

class StopProgramTest : public ::testing::TestWithParam<StubbornProgram> {};

// The program and what it started in the background both end, also when they ignore SIGTERM.
TEST_P(StopProgramTest, EndsTheProgramAndWhatItStarted) {
    TempDir dir;
    const auto program = platform::StartProgram(
        {"/bin/sh", "-c", GetParam().script, dir.File("child"), dir.File("grandchild")}, "");
    ASSERT_TRUE(program.has_value());
    const pid_t grandchild = testing_support::WaitForPidFile(dir.File("grandchild"));
    ASSERT_EQ(testing_support::WaitForPidFile(dir.File("child")), *program);
    ASSERT_GT(grandchild, 0);

    platform::StopProgram(*program, std::chrono::milliseconds(300));

    EXPECT_EQ(waitpid(*program, nullptr, WNOHANG), -1) << "the program was not reaped";
    EXPECT_TRUE(testing_support::WaitUntilEnded(grandchild)) << "what it started goes on";
    if (!testing_support::HasEnded(grandchild)) kill(grandchild, SIGKILL);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, StopProgramTest,
    ::testing::Values(StubbornProgram{"EndsOnTerminate",
                                      "sleep 60 & echo $! > \"$1\"; echo $$ > \"$0\"; wait"},
                      StubbornProgram{"IgnoresTerminate",
                                      "trap '' TERM; sleep 60 & echo $! > \"$1\"; echo $$ > \"$0\"; wait"}),
    [](const ::testing::TestParamInfo<StubbornProgram>& program) { return program.param.name; });

}  // namespace

namespace {

// A program that leaves a grandchild running in a session of its own escapes its process group;
// the subreaper still ends it on the way out.
TEST(EndAllChildren, EndsWhatAStartedProgramLeftInASessionOfItsOwn) {
    TempDir dir;
    const std::string pidFile = dir.File("pid");
    const pid_t caller = fork();
    if (caller == 0) {
        platform::BecomeChildSubreaper();
        const auto started =
            platform::StartProgram({"/bin/sh", "-c", "setsid sleep 1000 & echo $! > \"$0\"", pidFile}, "");
        if (!started || platform::ReapProgram(*started) != 0U) _exit(1);
        platform::EndAllChildren();
        _exit(0);
    }
    ASSERT_GT(caller, 0);
    int status = 0;
    ASSERT_EQ(waitpid(caller, &status, 0), caller);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the program did not run";
    const pid_t grandchild = testing_support::WaitForPidFile(pidFile);
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(testing_support::HasEnded(grandchild)) << "the grandchild outlived the program";
    if (!testing_support::HasEnded(grandchild)) kill(grandchild, SIGKILL);
}

}  // namespace

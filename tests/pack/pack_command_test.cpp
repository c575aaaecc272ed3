// The built file-converter-pack run as a publisher runs it: refused inputs, a failed or
// interrupted build, and `check` on sets made broken on purpose.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "pack/memory_need.h"
#include "platform/directory_mark.h"
#include "tests/core/support/sample_bytes.h"
#include "tests/core/support/shell_command.h"
#include "tests/core/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing_support::ReadWholeFile;
using testing_support::TempDir;

using ToolRun = testing_support::ShellResult;

ToolRun RunShell(const std::string& directory, const std::string& commandLine) {
    // On a line of its own, the directory change also holds for a command line that ends in "&".
    return testing_support::RunShellCommand("cd '" + directory + "' || exit 99\n" + commandLine);
}

const std::string Tool = FC_PACK_TOOL;

// Three versions of a file in a directory of their own.
class PackCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directory(dir.File("versions"));
        const std::string v1 = testing_support::SampleBytes(20000, 1);
        std::string v2 = v1;
        v2.replace(100, 500, testing_support::SampleBytes(700, 2));
        dir.Write("versions/v1", v1);
        dir.Write("versions/v2", v2);
        dir.Write("versions/v3", v2 + "the end");
    }

    ToolRun Pack(const std::string& arguments) { return RunShell(dir.path(), Tool + " " + arguments); }

    ToolRun Build(const std::string& extra) {
        return Pack("build out --name letter.txt 1.0=versions/v1 2.0=versions/v2 3.0=versions/v3 " + extra);
    }

    // Nothing stands beside the versions but what the test made: no OUT_DIR, no staging directory.
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
};

struct RefusalCase {
    const char* name;
    std::function<std::string(const TempDir&)> arguments;  // after "build out"
    const char* message;
};

class RefusedBuild : public PackCommand, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusedBuild, EndsWithOneLineAndStatusTwoBeforeAnyWork) {
    const std::string arguments = GetParam().arguments(dir);
    const std::vector<std::string> before = Listing();
    const ToolRun run = Pack("build out " + arguments);
    EXPECT_EQ(run.status, 2) << run.output;
    EXPECT_THAT(run.output, HasSubstr(GetParam().message));
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
    std::vector<std::string> after = Listing();
    EXPECT_EQ(after, before) << "something was made";
}

const std::string Versions12 = " 1.0=versions/v1 2.0=versions/v2";

INSTANTIATE_TEST_SUITE_P(
    Inputs, RefusedBuild,
    ::testing::Values(
        RefusalCase{"TwoVersionsWithTheSameMd5",
                    [](const TempDir& d) {
                        fs::copy_file(d.File("versions/v1"), d.File("versions/copy"));
                        return "--name f" + Versions12 + " 1.1=versions/copy";
                    },
                    "have the same md5"},
        RefusalCase{"ALabelWithASlash",
                    [](const TempDir&) { return "--name f 1/0=versions/v1 2.0=versions/v2"; }, "holds a /"},
        RefusalCase{"ALabelWithAWildcard",
                    [](const TempDir&) { return "--name f '1.*=versions/v1' 2.0=versions/v2"; },
                    "holds a * or ?"},
        RefusalCase{
            "ALabelWithAControlCharacter",
            [](const TempDir&) { return "--name f \"$(printf '1\\t0')=versions/v1\" 2.0=versions/v2"; },
            "holds a control character"},
        RefusalCase{"ALabelWithATrailingBlank",
                    [](const TempDir&) { return "--name f '1.0 =versions/v1' 2.0=versions/v2"; },
                    "ends with a blank"},
        RefusalCase{"AMissingInputFile",
                    [](const TempDir&) { return "--name f 1.0=versions/v1 2.0=versions/none"; },
                    "versions/none is missing"},
        RefusalCase{"AnInputThatIsADirectory",
                    [](const TempDir&) { return "--name f 1.0=versions/v1 2.0=versions"; },
                    "is missing or not a regular file"},
        RefusalCase{"NotEnoughMemoryForTheLargestPair",
                    [](const TempDir& d) {
                        // A sparse old file whose suffix array alone would not fit in the free memory.
                        const std::uint64_t available = pack::AvailableMemory().value();
                        fs::resize_file(d.Write("versions/huge", ""),
                                        available / 9 + (std::uint64_t{1} << 30));
                        return "--name f 1.0=versions/huge 2.0=versions/v2";
                    },
                    "not enough memory for bsdiff"},
        RefusalCase{"AnOutDirThatIsNotEmpty",
                    [](const TempDir& d) {
                        fs::create_directory(d.File("out"));
                        d.Write("out/keep", "mine");
                        return "--name f" + Versions12;
                    },
                    "exists and is not empty"},
        RefusalCase{"PatchNamesThatCollide",
                    [](const TempDir&) {
                        return "--name f 1_2=versions/v1 1=versions/v2 2_3=versions/v3 3=versions/v1";
                    },
                    "would both be named"},
        RefusalCase{"ALabelTooLongForAPatchName",
                    [](const TempDir&) {
                        return "--name f " + std::string(130, 'x') + "=versions/v1 " + std::string(130, 'y') +
                               "=versions/v2";
                    },
                    "more than the 255 a file name may have"},
        RefusalCase{"ANameTooLongForTheArchive",
                    [](const TempDir&) { return "--name " + std::string(250, 'n') + ".txt" + Versions12; },
                    "more than the 255 a file name may have"},
        RefusalCase{"ADescriptionTheCatalogueCannotHold",
                    [](const TempDir&) { return "--name f" + Versions12 + " --describe '1.0=ends with \\'"; },
                    "the catalogue cannot hold Description2 of f 1.0"},
        RefusalCase{"AnUnreadableColour",
                    [](const TempDir&) { return "--name f" + Versions12 + " --form-colour navy"; },
                    "--form-colour \"navy\" is neither"},
        RefusalCase{"APictureThatIsNoBitmap",
                    [](const TempDir&) { return "--name f" + Versions12 + " --picture-open versions/v1"; },
                    "is not a BMP file"},
        RefusalCase{"OnlyOneVersion", [](const TempDir&) { return "--name f 1.0=versions/v1"; },
                    "at least two versions"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(PackCommand, ForceReplacesAFullOutDir) {
    fs::create_directory(dir.File("out"));
    dir.Write("out/old", "an older set");
    const ToolRun run = Build("--force");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_FALSE(fs::exists(dir.File("out/old")));
    EXPECT_TRUE(fs::exists(dir.File("out/letter.sfx")));
    EXPECT_TRUE(fs::exists(dir.File("out/letter")));
    EXPECT_EQ(Listing(), (std::vector<std::string>{"out", "versions"}));
}

// "out/" names the same directory as "out", whether it is missing, empty or (with --force) full,
// and nothing is left beside it.
TEST_F(PackCommand, AnOutDirWithATrailingSlashIsTheSameDirectory) {
    for (const std::string state : {"missing", "empty", "full"}) {
        fs::remove_all(dir.File("out"));
        if (state != "missing") fs::create_directory(dir.File("out"));
        if (state == "full") dir.Write("out/old", "an older set");
        const ToolRun run = Pack("build ./out/ --name letter.txt 1.0=versions/v1 2.0=versions/v2" +
                                 std::string(state == "full" ? " --force" : ""));
        ASSERT_EQ(run.status, 0) << state << ": " << run.output;
        EXPECT_TRUE(fs::exists(dir.File("out/letter.sfx"))) << state;
        EXPECT_FALSE(fs::exists(dir.File("out/old"))) << state;
        EXPECT_EQ(Listing(), (std::vector<std::string>{"out", "versions"})) << state;
    }
}

// A build killed outright leaves its marked working directory; the next build removes it, and
// leaves alone one that a running build holds.
TEST_F(PackCommand, TheNextBuildRemovesWhatAKilledBuildLeft) {
    fs::create_directory(dir.File(".out.partial-0"));
    dir.Write(".out.partial-0/set-to-be", "half a set");
    ASSERT_TRUE(platform::MarkDirectoryInUse(dir.File(".out.partial-0")));  // unlocked again at once
    fs::create_directory(dir.File(".out.partial-1"));
    const std::optional<platform::DirectoryMark> running =
        platform::MarkDirectoryInUse(dir.File(".out.partial-1"));
    ASSERT_TRUE(running);

    const ToolRun run = Build("");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(Listing(), (std::vector<std::string>{".out.partial-1", "out", "versions"}));
}

TEST_F(PackCommand, ReportsProgressForEveryPair) {
    const ToolRun run = Build("--chain");
    ASSERT_EQ(run.status, 0) << run.output;
    for (int pair = 1; pair <= 4; ++pair)
        EXPECT_THAT(run.output, HasSubstr("pair " + std::to_string(pair) + " of 4 done")) << run.output;
}

// A system program asked for is looked up in $PATH; one that $PATH does not hold as an executable
// file refuses the build by name.
TEST_F(PackCommand, RefusesASystemProgramThatPathDoesNotHold) {
    fs::create_directory(dir.File("bin"));
    dir.Write("bin/bsdiff", "#!/bin/sh\n");  // not executable: not a program
    const std::vector<std::string> before = Listing();
    const std::pair<const char*, const char*> cases[] = {
        {"--system-bsdiff", "bsdiff is not installed (Debian package bsdiff)\n"},
        {"--system-bspatch", "bspatch is not installed (Debian package bsdiff)\n"}};
    for (const auto& [option, message] : cases) {
        const ToolRun run = RunShell(dir.path(), "PATH='" + dir.File("bin") + "' " + Tool + " build out " +
                                                     option + " --name f" + Versions12);
        EXPECT_EQ(run.status, 2) << run.output;
        EXPECT_THAT(run.output, HasSubstr(message)) << option;
        EXPECT_EQ(Listing(), before) << option;
    }
}

// The set ships the project's own patch tool, or Debian's when asked, byte for byte.
TEST_F(PackCommand, ShipsOurPatchToolUnlessDebiansIsAsked) {
    const std::pair<const char*, const char*> cases[] = {{"", FC_BSPATCH},
                                                         {"--system-bspatch", "/usr/bin/bspatch"}};
    for (const auto& [option, shipped] : cases) {
        const ToolRun run = Build(std::string("--force ") + option);
        ASSERT_EQ(run.status, 0) << run.output;
        ASSERT_EQ(RunShell(dir.path(), "rm -rf set && mkdir set && out/letter.sfx -overwrite set").status, 0);
        EXPECT_EQ(ReadWholeFile(dir.File("set/bspatch")), ReadWholeFile(shipped)) << option;
    }
}

// A bsdiff that fails, or one that runs until the build is interrupted, found first in $PATH: the
// one `--system-bsdiff` runs.
class BrokenBsdiff : public PackCommand {
  protected:
    void SetUp() override {
        PackCommand::SetUp();
        fs::create_directory(dir.File("bin"));
    }
    void FakeBsdiff(const std::string& body) {
        dir.Write("bin/bsdiff", "#!/bin/sh\n" + body + "\n");
        fs::permissions(dir.File("bin/bsdiff"), fs::perms::owner_all);
    }
    std::string WithFakePath(const std::string& command) const {
        return "PATH='" + dir.File("bin") + "':\"$PATH\" " + command;
    }
};

TEST_F(BrokenBsdiff, AFailedPatchLeavesNothingHalfMade) {
    FakeBsdiff("exit 3");
    const ToolRun run =
        RunShell(dir.path(), WithFakePath(Tool + " build out --system-bsdiff --name f" + Versions12));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_THAT(run.output, HasSubstr("bsdiff failed (exit status 3)"));
    EXPECT_EQ(Listing(), (std::vector<std::string>{"bin", "versions"}));
}

TEST_F(BrokenBsdiff, OurMakerIsUsedUnlessTheSystemsIsAsked) {
    FakeBsdiff("exit 3");
    const ToolRun run = RunShell(dir.path(), WithFakePath(Tool + " build out --name f" + Versions12));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("pair 2 of 2 done"));
    const ToolRun checked = Pack("check out/f.sfx --apply versions");
    EXPECT_EQ(checked.status, 0) << checked.output;
}

TEST_F(BrokenBsdiff, AnInterruptedBuildStopsBsdiffAndLeavesNothing) {
    FakeBsdiff("echo $$ >>'" + dir.File("started") + "'\nexec sleep 60");
    // Starts the build, waits (up to 30 s) until bsdiff runs, then interrupts the build.
    const ToolRun run = RunShell(
        dir.path(),
        WithFakePath(
            Tool + " build out --system-bsdiff --name f" + Versions12 +
            " & pid=$!; n=0; until [ -s started ] || [ $n -ge 600 ]; do sleep 0.05; n=$((n+1)); done;"
            " kill -TERM $pid; wait $pid; echo \"status $?\""));
    EXPECT_THAT(run.output, HasSubstr("status 143"));
    const std::string bsdiffPid = ReadWholeFile(dir.File("started"));
    ASSERT_FALSE(bsdiffPid.empty());
    EXPECT_FALSE(fs::exists("/proc/" + bsdiffPid.substr(0, bsdiffPid.find('\n'))))
        << "bsdiff outlived the build";
    fs::remove(dir.File("started"));
    EXPECT_EQ(Listing(), (std::vector<std::string>{"bin", "versions"}));
}

}  // namespace

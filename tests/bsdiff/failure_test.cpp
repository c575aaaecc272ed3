// Our patch maker when it cannot finish: one line on standard error and exit status 1, or 128 + n
// for a signal n; never a partial patch, and a file already at the patch's path stays as it was.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "tests/core/support/shell_command.h"
#include "tests/core/support/temp_dir.h"
#include "tests/support/run_program.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using testing_support::ReadWholeFile;
using testing_support::RunProgram;
using testing_support::TempDir;

constexpr const char* EarlierPatch = "an earlier patch";

struct FailureCase {
    const char* name;
    // Prepares the directory (which holds "old", "new" and "patch") and gives the arguments.
    std::function<std::vector<std::string>(const TempDir&)> arguments;
    const char* message;
};

class MakerFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(MakerFailure, SaysWhyAndLeavesNoPatch) {
    TempDir dir;
    dir.Write("old", "the old version of the file");
    dir.Write("new", "the new version of the file");
    dir.Write("patch", EarlierPatch);
    std::vector<std::string> arguments = GetParam().arguments(dir);
    arguments.insert(arguments.begin(), FC_BSDIFF);
    const std::set<std::string> before = dir.Entries();

    const auto run = RunProgram(arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.standardError, StartsWith(GetParam().message));
    EXPECT_EQ(std::count(run.standardError.begin(), run.standardError.end(), '\n'), 1) << run.standardError;
    EXPECT_EQ(dir.Entries(), before) << "a temporary file was left";
    EXPECT_EQ(ReadWholeFile(dir.File("patch")), EarlierPatch);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MakerFailure,
    ::testing::Values(FailureCase{"MissingOldFile",
                                  [](const TempDir& d) {
                                      return std::vector{d.File("none"), d.File("new"), d.File("patch")};
                                  },
                                  "bsdiff: cannot open the old file"},
                      FailureCase{"NewFileIsADirectory",
                                  [](const TempDir& d) {
                                      fs::create_directory(d.File("sub"));
                                      return std::vector{d.File("old"), d.File("sub"), d.File("patch")};
                                  },
                                  "bsdiff: the new file \""},
                      FailureCase{"PatchDirectoryMissing",
                                  [](const TempDir& d) {
                                      return std::vector{d.File("old"), d.File("new"), d.File("none/patch")};
                                  },
                                  "bsdiff: cannot create a file beside"},
                      FailureCase{"PatchPathIsADirectory",
                                  [](const TempDir& d) {
                                      fs::create_directory(d.File("sub"));
                                      return std::vector{d.File("old"), d.File("new"), d.File("sub")};
                                  },
                                  "bsdiff: cannot put the patch in place"},
                      FailureCase{"WrongNumberOfArguments",
                                  [](const TempDir& d) {
                                      return std::vector{d.File("old"), d.File("new")};
                                  },
                                  "usage: bsdiff OLD NEW PATCH"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// A SIGTERM while the old file is being sorted (a sparse 256 MiB file keeps the sort busy for
// seconds) ends the run at once: the unfinished patch goes, the earlier one stays.
TEST(MakerSignal, RemovesTheUnfinishedPatch) {
    TempDir dir;
    fs::resize_file(dir.Write("old", "x"), std::uintmax_t{256} << 20);
    dir.Write("new", "the new version of the file");
    dir.Write("patch", EarlierPatch);
    const auto run = testing_support::RunShellCommand(
        "cd '" + dir.path() + "' || exit 99\n'" + FC_BSDIFF +
        "' old new patch & pid=$!; n=0\n"
        "until ls -A | grep -q '^\\.patch\\.' || [ $n -ge 3000 ]; do sleep 0.01; n=$((n+1)); done\n"
        "kill -TERM $pid; wait $pid; echo \"status $?\"");
    EXPECT_THAT(run.output, HasSubstr("status 143"));
    EXPECT_EQ(dir.Entries(), (std::set<std::string>{"new", "old", "patch"}));
    EXPECT_EQ(ReadWholeFile(dir.File("patch")), EarlierPatch);
}

}  // namespace

// How our patch tool treats the files it is given: a new file that is the old file or the patch
// (by name or by link) is refused untouched, inputs that cannot be opened change nothing, and a
// write that fails halfway removes the partial new file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/core/support/temp_dir.h"
#include "tests/support/patch_writer.h"
#include "tests/support/run_program.h"

namespace {

using testing::HasSubstr;
using testing::MatchesRegex;
using testing_support::ProgramRun;
using testing_support::ReadWholeFile;
using testing_support::RunProgram;
using testing_support::TempDir;

const std::string OldBytes = "The old version of the file.\n";
constexpr std::size_t LargeNewSize = 4 << 20;
// The new file is larger than the file size limit; the signal is ignored so the write fails instead.
const std::vector<std::string> WithSmallFileSizeLimit{"/bin/sh", "-c",
                                                      "ulimit -f 2048; trap '' XFSZ; exec \"$0\" \"$@\""};

struct FileCase {
    const char* name;
    // Prepares the directory (old and patch are there) and gives the tool's three arguments.
    std::function<std::vector<std::string>(const TempDir&)> arrange;
    const char* message;
    std::set<std::string> entriesAfter;
    std::vector<std::string> runner;  // runs the tool, empty to run it directly
};

void PrintTo(const FileCase& fileCase, std::ostream* out) { *out << fileCase.name; }

class FileHandling : public ::testing::TestWithParam<FileCase> {};

TEST_P(FileHandling, FailsWithOneLineAndLeavesTheInputsAlone) {
    const FileCase& fileCase = GetParam();
    TempDir dir;
    const std::string oldPath = dir.Write("old", OldBytes);
    const std::string patch =
        testing_support::MakePatch({{0, LargeNewSize, 0}}, "", std::string(LargeNewSize, 'n'));
    const std::string patchPath = dir.Write("patch", patch);
    std::vector<std::string> command = fileCase.runner;
    command.push_back(FC_BSPATCH);
    for (const std::string& argument : fileCase.arrange(dir)) command.push_back(argument);

    const ProgramRun run = RunProgram(command);

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.standardOutput, "");
    EXPECT_THAT(run.standardError, MatchesRegex("[^\n]+\n"));
    EXPECT_THAT(run.standardError, HasSubstr(fileCase.message));
    EXPECT_EQ(dir.Entries(), fileCase.entriesAfter);
    EXPECT_EQ(ReadWholeFile(oldPath), OldBytes);
    EXPECT_TRUE(ReadWholeFile(patchPath) == patch);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileHandling,
    ::testing::Values(FileCase{"OldGivenAsNew",
                               [](const TempDir& d) {
                                   return std::vector{d.File("old"), d.File("old"), d.File("patch")};
                               },
                               "bspatch: the old and the new file are the same file",
                               {"old", "patch"},
                               {}},
                      FileCase{"NewIsAHardLinkToOld",
                               [](const TempDir& d) {
                                   std::filesystem::create_hard_link(d.File("old"), d.File("new"));
                                   return std::vector{d.File("old"), d.File("new"), d.File("patch")};
                               },
                               "bspatch: the old and the new file are the same file",
                               {"old", "new", "patch"},
                               {}},
                      FileCase{"NewIsASymbolicLinkToOld",
                               [](const TempDir& d) {
                                   std::filesystem::create_symlink("old", d.File("new"));
                                   return std::vector{d.File("old"), d.File("new"), d.File("patch")};
                               },
                               "bspatch: the old and the new file are the same file",
                               {"old", "new", "patch"},
                               {}},
                      FileCase{"PatchGivenAsNew",
                               [](const TempDir& d) {
                                   return std::vector{d.File("old"), d.File("patch"), d.File("patch")};
                               },
                               "bspatch: the patch and the new file are the same file",
                               {"old", "patch"},
                               {}},
                      FileCase{"MissingOld",
                               [](const TempDir& d) {
                                   return std::vector{d.File("missing"), d.File("new"), d.File("patch")};
                               },
                               "bspatch: cannot open the old file",
                               {"old", "patch"},
                               {}},
                      FileCase{"OldIsADirectory",
                               [](const TempDir& d) {
                                   std::filesystem::create_directory(d.File("folder"));
                                   return std::vector{d.File("folder"), d.File("new"), d.File("patch")};
                               },
                               "is not a regular file",
                               {"old", "patch", "folder"},
                               {}},
                      FileCase{"NewIsADirectory",
                               [](const TempDir& d) {
                                   std::filesystem::create_directory(d.File("new"));
                                   return std::vector{d.File("old"), d.File("new"), d.File("patch")};
                               },
                               "bspatch: cannot open the new file",
                               {"old", "new", "patch"},
                               {}},
                      FileCase{"WrongNumberOfArguments",
                               [](const TempDir& d) {
                                   return std::vector{d.File("old"), d.File("new")};
                               },
                               "usage: bspatch OLD NEW PATCH",
                               {"old", "patch"},
                               {}},
                      FileCase{"WriteFailsHalfway",
                               [](const TempDir& d) {
                                   return std::vector{d.File("old"), d.File("new"), d.File("patch")};
                               },
                               "bspatch: cannot write the new file: File too large",
                               {"old", "patch"},
                               WithSmallFileSizeLimit}),
    [](const ::testing::TestParamInfo<FileCase>& param) { return std::string(param.param.name); });

}  // namespace

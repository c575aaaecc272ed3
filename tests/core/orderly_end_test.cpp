#include "core/orderly_end.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/process.h"
#include "tests/core/support/fake_seams.h"
#include "tests/core/support/processes.h"
#include "tests/core/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ProgramExited;

// A signal in the middle of a conversion: the patch tool runs, the temporary copy and the
// hidden output exist. Nothing of it may be left, and nothing may be shown.
TEST(EndInOrder, StopsTheProgramRemovesTheRunsFilesAndExitsSilently) {
    const testing_support::TempDir dir;
    core::RunRegister run;
    run.ExtractionDir = dir.File("extracted");
    fs::create_directory(run.ExtractionDir);
    const std::string copy = dir.Write("extracted/game.dat.tmp", "copy");
    const std::string outputDirectory = dir.File(".game.dat.x1y2z3");
    fs::create_directory(outputDirectory);
    const std::string output = dir.Write(".game.dat.x1y2z3/game.dat", "half a result");
    const std::string source = dir.Write("game.dat", "the source");
    const auto tool =
        platform::StartProgram({"/bin/sh", "-c", "echo $$ > \"$0\"; sleep 60", dir.File("pid")}, "");
    ASSERT_TRUE(tool.has_value());
    ASSERT_EQ(testing_support::WaitForPidFile(dir.File("pid")), *tool);
    run.RunningProgram = *tool;
    run.TemporaryFiles = {copy, output, outputDirectory};
    testing_support::FakeSeams fake;
    auto seams = fake.Bundle();

    try {
        core::EndInOrder(run, seams, 128 + 15);
        ADD_FAILURE() << "EndInOrder returned";
    } catch (const ProgramExited& exited) {
        EXPECT_EQ(exited.exitCode, 143);
    }

    EXPECT_TRUE(testing_support::HasEnded(*tool));
    EXPECT_FALSE(fs::exists(run.ExtractionDir));
    EXPECT_FALSE(fs::exists(outputDirectory));
    EXPECT_EQ(testing_support::ReadWholeFile(source), "the source");
    EXPECT_THAT(fake.errors, ::testing::IsEmpty());
    EXPECT_THAT(fake.successes, ::testing::IsEmpty());
}

}  // namespace

// Preparing a build in-process: reading the versions asks whether to stop as it goes.
#include "pack/build_preparation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "pack/build_arguments.h"
#include "tests/core/support/temp_dir.h"

namespace {

// Two versions far too large to sum within a test: a stop must end the reading early.
TEST(PrepareBuild, AStopEndsTheReadingOfTheVersions) {
    testing_support::TempDir dir;
    for (const char* name : {"v1", "v2"})
        std::filesystem::resize_file(dir.Write(name, ""), std::uintmax_t{1} << 40);
    const std::vector<std::string> arguments{dir.File("out"), "--name", "f.bin", "1.0=" + dir.File("v1"),
                                             "2.0=" + dir.File("v2")};
    const core::Result<pack::BuildRequest> request = pack::ParseBuildArguments(arguments);
    ASSERT_TRUE(request) << request.Reason();

    int asked = 0;
    const core::Result<pack::BuildPlan> plan =
        pack::PrepareBuild(*request, pack::ToolPaths{}, pack::Machine{}, [&asked] { return ++asked >= 3; });

    EXPECT_FALSE(plan);
    EXPECT_EQ(plan.Reason(), "interrupted");
    EXPECT_LE(asked, 4) << "went on reading after the stop";
}

}  // namespace

// An old file over 2 GiB takes the 64-bit suffix array: a patch whose matches lie beyond the
// 2 GiB mark and at the start must give the new file through our patch tool (Debian's cannot read
// an old file of that size). The file is sparse; the sort still needs about 9 times its size in
// memory, so the test carries the label "large".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/core/support/sample_bytes.h"
#include "tests/core/support/temp_dir.h"
#include "tests/support/run_program.h"

namespace {

using testing_support::ReadWholeFile;
using testing_support::RunProgram;
using testing_support::SampleBytes;

TEST(LargeOldFile, MatchesBeyondTwoGiBRoundTrip) {
    testing_support::TempDir dir;
    constexpr std::uint64_t TwoGiB = std::uint64_t{1} << 31;
    const std::string start = SampleBytes(64 * 1024, 1);
    const std::string beyond = SampleBytes(64 * 1024, 2);
    {
        std::ofstream old(dir.File("old"), std::ios::binary);
        old << start;
        old.seekp(static_cast<std::streamoff>(TwoGiB + 4096));
        old << beyond;
        old.seekp(static_cast<std::streamoff>(TwoGiB + (1 << 20)));
        old << "end";
    }
    std::string edited = beyond;
    edited.replace(30000, 8, "*edited*");
    const std::string newBytes = edited + "an insertion" + start + std::string(100000, '\0');
    dir.Write("new", newBytes);

    const auto made = RunProgram({FC_BSDIFF, dir.File("old"), dir.File("new"), dir.File("patch")});
    ASSERT_EQ(made.exitCode, 0) << made.standardError;
    // Matches found where they are keep the patch small; a cut position would make it large.
    EXPECT_LT(std::filesystem::file_size(dir.File("patch")), 10000u);
    const auto applied = RunProgram({FC_BSPATCH, dir.File("old"), dir.File("result"), dir.File("patch")});
    ASSERT_EQ(applied.exitCode, 0) << applied.standardError;
    EXPECT_TRUE(ReadWholeFile(dir.File("result")) == newBytes);
}

}  // namespace

#include "pack/memory_need.h"

#include <gtest/gtest.h>

namespace {

TEST(MemAvailable, IsReadFromItsLineInKibibytes) {
    EXPECT_EQ(
        pack::MemAvailable("MemTotal:       24000000 kB\nMemFree:  100 kB\nMemAvailable:   22000000 kB\n"),
        22000000ull * 1024);
    EXPECT_EQ(pack::MemAvailable("MemAvailable: 7 kB"), 7ull * 1024);
    EXPECT_EQ(pack::MemAvailable("MemTotal: 100 kB\n"), std::nullopt);
    EXPECT_EQ(pack::MemAvailable("MemAvailable: lots\n"), std::nullopt);
    EXPECT_TRUE(pack::AvailableMemory().has_value()) << "this machine's /proc/meminfo";
}

TEST(JobsThatFit, TheLargestNeedsMustFitTogether) {
    struct Case {
        std::vector<std::uint64_t> needs;
        std::uint64_t available;
        int cores;
        int jobs;
    };
    for (const Case& c :
         {Case{{10, 30, 20}, 100, 2, 2}, Case{{10, 30, 20}, 40, 2, 1}, Case{{10, 30, 20}, 29, 2, 0},
          Case{{10, 30, 20}, 100, 8, 3}, Case{{5}, 5, 2, 1}, Case{{}, 1, 2, 0}}) {
        EXPECT_EQ(pack::JobsThatFit(c.needs, c.available, c.cores), c.jobs)
            << "available " << c.available << ", cores " << c.cores;
    }
}

// Ours: the old file and 4 bytes of suffix array per byte, 8 from 2 GiB on, and a fixed 32 MiB;
// Debian's: 9 times the old file and the new one.
TEST(PatchMakerMemory, FollowsEachMakersFigure) {
    constexpr std::uint64_t MiB = 1 << 20;
    constexpr std::uint64_t TwoGiB = std::uint64_t{2048} * MiB;
    EXPECT_EQ(pack::PatchMakerMemory(100, 50, pack::PatchMaker::System), 950u);
    EXPECT_EQ(pack::PatchMakerMemory(100 * MiB, 300 * MiB, pack::PatchMaker::Ours), 532 * MiB);
    EXPECT_EQ(pack::PatchMakerMemory(TwoGiB - 1, 0, pack::PatchMaker::Ours), 5 * (TwoGiB - 1) + 32 * MiB);
    EXPECT_EQ(pack::PatchMakerMemory(TwoGiB, 0, pack::PatchMaker::Ours), 9 * TwoGiB + 32 * MiB);
}

}  // namespace

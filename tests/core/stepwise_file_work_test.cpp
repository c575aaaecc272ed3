#include "core/stepwise_file_work.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/core/support/fake_seams.h"
#include "tests/core/support/temp_dir.h"

namespace {

using testing_support::FakeSeams;
using testing_support::TempDir;

TEST(FlushInSteps, ProcessesEventsAfterEveryStepOfTheFile) {
    constexpr std::uint64_t Step = core::FlushStepSize;
    struct Case {
        std::uint64_t size;
        int steps;
    };
    const TempDir dir;
    for (const Case c :
         {Case{0, 0}, Case{1, 1}, Case{Step, 1}, Case{Step + 1, 2}, Case{2 * Step + Step / 2, 3}}) {
        SCOPED_TRACE(c.size);
        const std::string path = dir.Write("result", std::string(c.size, 'x'));
        std::optional<platform::File> file = platform::File::OpenForReading(path);
        ASSERT_TRUE(file);
        FakeSeams fake;
        EXPECT_TRUE(core::FlushInSteps(*file, fake));
        EXPECT_EQ(fake.pumpCalls, c.steps);
    }
}

// Sparse files: only their size matters here.
TEST(DeleteInSteps, CutsALargeFileDownWithEventsBetweenThenRemovesIt) {
    constexpr std::uint64_t Step = core::DeleteStepSize;
    struct Case {
        std::uint64_t size;
        int pumps;
    };
    const TempDir dir;
    for (const Case c : {Case{0, 0}, Case{Step, 0}, Case{Step + 1, 1}, Case{3 * Step + Step / 2, 3}}) {
        SCOPED_TRACE(c.size);
        const std::string path = dir.Write("copy.tmp", "");
        std::filesystem::resize_file(path, c.size);
        FakeSeams fake;
        core::DeleteInSteps(path, fake);
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_EQ(fake.pumpCalls, c.pumps);
    }
}

TEST(DeleteInSteps, RemovesALinkWithoutShorteningWhatItPointsTo) {
    const TempDir dir;
    const std::string target = dir.Write("target", "");
    std::filesystem::resize_file(target, 2 * core::DeleteStepSize);
    std::filesystem::create_symlink(target, dir.File("link"));
    FakeSeams fake;
    core::DeleteInSteps(dir.File("link"), fake);
    EXPECT_FALSE(std::filesystem::is_symlink(dir.File("link")));
    EXPECT_EQ(std::filesystem::file_size(target), 2 * core::DeleteStepSize);
    EXPECT_EQ(fake.pumpCalls, 0);
}

}  // namespace

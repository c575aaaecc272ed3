#include "core/stepwise_file_work.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/core/support/fake_seams.h"
#include "tests/core/support/temp_dir.h"

namespace {

using testing_support::FakeSeams;
using testing_support::TempDir;

TEST(FlushInSteps, ReportsEveryStepOfTheFile) {
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
        EXPECT_TRUE(core::FlushInSteps(*file, core::CancelToken{}, fake));
        EXPECT_EQ(fake.steps, c.steps);
    }
}

// Sparse files: only their size matters here.
TEST(DeleteInSteps, CutsALargeFileDownInStepsThenRemovesIt) {
    constexpr std::uint64_t Step = core::DeleteStepSize;
    struct Case {
        std::uint64_t size;
        int steps;
    };
    const TempDir dir;
    for (const Case c : {Case{0, 0}, Case{Step, 0}, Case{Step + 1, 1}, Case{3 * Step + Step / 2, 3}}) {
        SCOPED_TRACE(c.size);
        const std::string path = dir.Write("copy.tmp", "");
        std::filesystem::resize_file(path, c.size);
        FakeSeams fake;
        core::DeleteInSteps(path, core::CancelToken{}, fake);
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_EQ(fake.steps, c.steps);
    }
}

TEST(DeleteInSteps, RemovesALinkWithoutShorteningWhatItPointsTo) {
    const TempDir dir;
    const std::string target = dir.Write("target", "");
    std::filesystem::resize_file(target, 2 * core::DeleteStepSize);
    std::filesystem::create_symlink(target, dir.File("link"));
    FakeSeams fake;
    core::DeleteInSteps(dir.File("link"), core::CancelToken{}, fake);
    EXPECT_FALSE(std::filesystem::is_symlink(dir.File("link")));
    EXPECT_EQ(std::filesystem::file_size(target), 2 * core::DeleteStepSize);
    EXPECT_EQ(fake.steps, 0);
}

// A cancelled flush fails after its step; a cancelled deletion stops cutting and removes the rest.
TEST(StepwiseFileWork, ACancellationIsSeenAfterTheStepDuringWhichItCame) {
    const TempDir dir;
    const std::string path = dir.Write("result", "");
    std::filesystem::resize_file(path, 3 * core::DeleteStepSize);
    core::CancelToken cancel;
    FakeSeams fake;
    fake.onStep = [&](int) { cancel.Cancel(); };
    std::optional<platform::File> file = platform::File::OpenForReading(path);
    ASSERT_TRUE(file);
    EXPECT_FALSE(core::FlushInSteps(*file, cancel, fake));
    EXPECT_EQ(fake.steps, 1);

    fake.steps = 0;
    core::DeleteInSteps(path, cancel, fake);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(fake.steps, 0);
}

}  // namespace

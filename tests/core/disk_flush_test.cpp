#include "core/disk_flush.h"

#include <gtest/gtest.h>

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

}  // namespace

// The progress of long work: when it appears, how often it is updated, that it goes away however
// the work ends, and that the checksum and the copy report theirs.
#include "core/progress_meter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "core/checksum.h"
#include "core/conversion.h"
#include "platform/file.h"
#include "tests/core/support/fake_seams.h"
#include "tests/core/support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using testing_support::FakeSeams;
using testing_support::ProgressCall;
using testing_support::TempDir;
using Clock = core::ProgressMeter::Clock;

// A clock that moves only when the test says so.
struct ManualClock {
    Clock::time_point now{};
    core::ProgressMeter::ClockReader Reader() {
        return [this] { return now; };
    }
};

std::vector<std::uint64_t> ShownDone(const FakeSeams& fake) {
    std::vector<std::uint64_t> done;
    for (const ProgressCall& call : fake.progress) {
        if (!call.hidden) done.push_back(call.done);
    }
    return done;
}

TEST(ProgressMeter, AppearsAfterHalfASecondThenAtMostEvery33MillisecondsAndIsHiddenAtTheEnd) {
    FakeSeams fake;
    ManualClock clock;
    const std::uint64_t total = 1 << 30;
    constexpr std::uint64_t Step = 1 << 20;
    {
        core::ProgressMeter meter(fake, clock.Reader());
        const struct {
            std::chrono::milliseconds later;
            bool shown;
        } steps[] = {
            {499ms, false}, {1ms, true}, {32ms, false}, {1ms, true}, {0ms, false}, {40ms, true},
        };
        std::uint64_t done = 0;
        for (const auto& step : steps) {
            clock.now += step.later;
            done += Step;
            const std::size_t calls = fake.progress.size();
            meter.Advance(done, total);
            if (step.shown) {
                ASSERT_EQ(fake.progress.size(), calls + 1);
                EXPECT_EQ(fake.progress.back().done, done);
                EXPECT_EQ(fake.progress.back().total, total);
                EXPECT_FALSE(fake.progress.back().hidden);
            } else {
                EXPECT_EQ(fake.progress.size(), calls);
            }
        }
    }
    ASSERT_EQ(fake.progress.size(), 4u);
    EXPECT_TRUE(fake.progress.back().hidden);
}

TEST(ProgressMeter, WorkThatEndsSoonShowsNothing) {
    FakeSeams fake;
    ManualClock clock;
    {
        core::ProgressMeter meter(fake, clock.Reader());
        clock.now += 499ms;
        meter.Advance(1, 1);
    }
    EXPECT_TRUE(fake.progress.empty());
}

// Every step of work takes this long, so that the work lasts well beyond the delay.
void SlowDown(FakeSeams& fake, std::chrono::microseconds perStep) {
    fake.onStep = [perStep](int) {
        const Clock::time_point until = Clock::now() + perStep;
        while (Clock::now() < until) {
        }
    };
}

void ExpectRisingProgressEndingHidden(const FakeSeams& fake, std::uint64_t total) {
    const std::vector<std::uint64_t> done = ShownDone(fake);
    ASSERT_FALSE(done.empty());
    EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
    EXPECT_GT(done.front(), 0u);
    EXPECT_LE(done.back(), total);
    for (const ProgressCall& call : fake.progress) {
        if (!call.hidden) {
            EXPECT_EQ(call.total, total);
        }
    }
    EXPECT_TRUE(fake.progress.back().hidden);
}

TEST(ProgressOfLongWork, ALongChecksumShowsItsProgressAndHidesItWhenDoneOrCancelled) {
    const TempDir dir;
    const std::uint64_t size = 10 * core::ChecksumReadSize;  // about 1 s at 100 ms a step
    const std::string path = dir.Write("big.bin", std::string(size, 'x'));
    core::ChecksumMemory memory;
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancelled" : "completed");
        FakeSeams fake;
        SlowDown(fake, 100ms);
        core::CancelToken token;
        if (cancel) {
            fake.onStep = [&token, slow = fake.onStep](int steps) {
                slow(steps);
                if (steps == 8) token.Cancel();
            };
        }
        core::Seams seams = fake.Bundle();
        const std::optional<std::string> md5 = core::FileMd5Hex(path, token, seams, memory);
        EXPECT_EQ(md5.has_value(), !cancel);
        ExpectRisingProgressEndingHidden(fake, size);
    }
}

TEST(ProgressOfLongWork, ALongCopyShowsItsProgressAndHidesItWhenDone) {
    const TempDir dir;
    const std::uint64_t size = 40 * 65536;  // about 0.8 s at 20 ms a block
    const std::string source = dir.Write("source", std::string(size, 'y'));
    FakeSeams fake;
    SlowDown(fake, 20ms);

    bool copied = false;
    fake.RunAside([&](core::ProgressSink& progress) {
        copied = core::CopyFileKeepDate(source, dir.File("copy"), core::CancelToken{}, progress);
    });
    ASSERT_TRUE(copied);

    ExpectRisingProgressEndingHidden(fake, size);
}

}  // namespace

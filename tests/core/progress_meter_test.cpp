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

constexpr std::uint64_t Piece = 4096;

// A clock that moves only when the test says so, and counts how often it is read.
struct ManualClock {
    Clock::time_point now{};
    int reads = 0;
    core::ProgressMeter::ClockReader Reader() {
        return [this] {
            ++reads;
            return now;
        };
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
    constexpr std::uint64_t Step = core::ProgressCheckBytes;  // the clock is read at the end of each step
    {
        core::ProgressMeter meter(fake, total, clock.Reader());
        const struct {
            std::chrono::milliseconds later;
            std::optional<std::uint64_t> shown;  // the done count shown at the end of this step, if any
        } steps[] = {
            {499ms, std::nullopt}, {1ms, 2 * Step},     {32ms, std::nullopt},
            {1ms, 4 * Step},       {0ms, std::nullopt}, {40ms, 6 * Step},
        };
        for (const auto& step : steps) {
            clock.now += step.later;
            const std::size_t calls = fake.progress.size();
            for (std::uint64_t done = 0; done < Step; done += Piece)
                meter.Advance(Piece);  // as the checksum does
            if (step.shown) {
                ASSERT_EQ(fake.progress.size(), calls + 1);
                EXPECT_EQ(fake.progress.back().done, *step.shown);
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

TEST(ProgressMeter, ReadsTheClockOncePer64KiBOfWork) {
    FakeSeams fake;
    ManualClock clock;
    core::ProgressMeter meter(fake, 1 << 30, clock.Reader());
    const int readsAtStart = clock.reads;
    for (int piece = 0; piece < 16 * 100; ++piece) meter.Advance(Piece);  // 100 times 64 KiB
    EXPECT_EQ(clock.reads - readsAtStart, 100);
}

// Every piece of work takes this long, so that the work lasts well beyond the delay.
void SlowDown(FakeSeams& fake, std::chrono::microseconds perPump) {
    fake.onPump = [perPump](int) {
        const Clock::time_point until = Clock::now() + perPump;
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
    const std::uint64_t size = 1024 * Piece;  // about 1 s at 1 ms a piece
    const std::string path = dir.Write("big.bin", std::string(size, 'x'));
    core::ProgramState state;
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancelled" : "completed");
        FakeSeams fake;
        fake.sourceText = path;
        SlowDown(fake, 1ms);
        if (cancel) {
            fake.onPump = [&fake, slow = fake.onPump](int calls) {
                slow(calls);
                if (calls == 900) fake.sourceText = "another name";
            };
        }
        core::Seams seams = fake.Bundle();
        const std::optional<std::string> md5 = core::FileMd5Hex(path, seams, state);
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

    ASSERT_TRUE(core::CopyFileKeepDate(source, dir.File("copy"), fake, fake));

    ExpectRisingProgressEndingHidden(fake, size);
}

}  // namespace

#include "core/checksum_memory.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace std::chrono_literals;
using platform::FileIdentity;

constexpr core::Md5Digest Digest = {0xAA};

const FileIdentity SomeFile{.device = 8,
                            .inode = 1234,
                            .size = 4096,
                            .modified = {1'700'000'000, 250},
                            .changed = {1'700'000'100, 500}};

platform::FileTime ChangedPlus(std::chrono::nanoseconds offset) {
    const auto total = std::chrono::seconds(SomeFile.changed.seconds) +
                       std::chrono::nanoseconds(SomeFile.changed.nanoseconds) + offset;
    const auto seconds = std::chrono::floor<std::chrono::seconds>(total);
    return {seconds.count(), (total - seconds).count()};
}

TEST(ChecksumMemory, RemembersOnlyFilesLeftUnchangedLongerThanTheGranularityBeforeTheChecksumBegan) {
    const std::pair<std::chrono::nanoseconds, bool> cases[] = {
        {core::TimeStampGranularity + 1ns, true},
        {1h, true},
        {core::TimeStampGranularity, false},
        {300ms, false},
        {0ns, false},
        {-5s, false},  // a file time ahead of the clock
    };
    for (const auto& [beganAfterChange, remembered] : cases) {
        SCOPED_TRACE(beganAfterChange.count());
        core::ChecksumMemory memory;
        memory.Remember(SomeFile, ChangedPlus(beganAfterChange), Digest);
        EXPECT_EQ(memory.Recall(SomeFile).has_value(), remembered);
    }
}

TEST(ChecksumMemory, RecallsOnlyTheVeryStateRemembered) {
    const std::function<void(FileIdentity&)> changes[] = {
        [](FileIdentity& f) { f.device += 1; },
        [](FileIdentity& f) { f.inode += 1; },
        [](FileIdentity& f) { f.size -= 1; },
        [](FileIdentity& f) { f.modified.seconds -= 1; },
        [](FileIdentity& f) { f.modified.nanoseconds += 1; },
        [](FileIdentity& f) { f.changed.nanoseconds += 1; },
    };
    core::ChecksumMemory memory;
    memory.Remember(SomeFile, ChangedPlus(1h), Digest);
    EXPECT_EQ(memory.Recall(SomeFile), Digest);
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        SCOPED_TRACE(i);
        FileIdentity other = SomeFile;
        changes[i](other);
        EXPECT_EQ(memory.Recall(other), std::nullopt);
    }
}

}  // namespace

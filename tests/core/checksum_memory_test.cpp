#include "core/checksum_memory.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace std::chrono_literals;
using core::ChecksumMemory;
using platform::FileIdentity;
using platform::FileTime;

constexpr core::Md5Digest DigestA = {0xAA};
constexpr core::Md5Digest DigestB = {0xBB};

FileIdentity SomeFile() {
    return FileIdentity{.device = 8,
                        .inode = 1234,
                        .size = 4096,
                        .modified = {1'700'000'000, 250},
                        .changed = {1'700'000'100, 500}};
}

FileTime Plus(const FileTime& time, std::chrono::nanoseconds offset) {
    const std::chrono::nanoseconds total =
        std::chrono::seconds(time.seconds) + std::chrono::nanoseconds(time.nanoseconds) + offset;
    const auto seconds = std::chrono::floor<std::chrono::seconds>(total);
    return FileTime{seconds.count(), (total - seconds).count()};
}

TEST(ChecksumMemory, RemembersOnlyFilesLeftUnchangedLongerThanTheGranularityBeforeTheChecksumBegan) {
    struct Case {
        const char* what;
        std::chrono::nanoseconds beganAfterChange;
        bool remembered;
    };
    const Case cases[] = {
        {"a moment after the granularity", core::TimeStampGranularity + 1ns, true},
        {"long after", 3600s, true},
        {"exactly the granularity", core::TimeStampGranularity, false},
        {"within the same second", 300ms, false},
        {"in the same instant", 0ns, false},
        {"before the change time (clocks apart)", -5s, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ChecksumMemory memory;
        memory.Remember(SomeFile(), Plus(SomeFile().changed, c.beganAfterChange), DigestA);
        EXPECT_EQ(memory.Recall(SomeFile()).has_value(), c.remembered);
    }
}

TEST(ChecksumMemory, RecallsOnlyTheVeryStateRemembered) {
    struct Case {
        const char* what;
        std::function<void(FileIdentity&)> change;
    };
    const Case cases[] = {
        {"device", [](FileIdentity& f) { f.device += 1; }},
        {"inode", [](FileIdentity& f) { f.inode += 1; }},
        {"size", [](FileIdentity& f) { f.size -= 1; }},
        {"modification seconds", [](FileIdentity& f) { f.modified.seconds -= 1; }},
        {"modification nanoseconds", [](FileIdentity& f) { f.modified.nanoseconds += 1; }},
        {"change seconds", [](FileIdentity& f) { f.changed.seconds += 1; }},
        {"change nanoseconds", [](FileIdentity& f) { f.changed.nanoseconds += 1; }},
    };
    ChecksumMemory memory;
    memory.Remember(SomeFile(), Plus(SomeFile().changed, 1h), DigestA);
    EXPECT_EQ(memory.Recall(SomeFile()), DigestA);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FileIdentity other = SomeFile();
        c.change(other);
        EXPECT_EQ(memory.Recall(other), std::nullopt);
    }
}

TEST(ChecksumMemory, ALaterChecksumOfTheSameFileReplacesTheEarlierOne) {
    ChecksumMemory memory;
    FileIdentity otherFile = SomeFile();
    otherFile.inode += 1;
    memory.Remember(otherFile, Plus(otherFile.changed, 1h), DigestB);

    memory.Remember(SomeFile(), Plus(SomeFile().changed, 1h), DigestA);
    FileIdentity rewritten = SomeFile();
    rewritten.changed = Plus(SomeFile().changed, 2h);
    memory.Remember(rewritten, Plus(rewritten.changed, 1h), DigestB);
    EXPECT_EQ(memory.Recall(SomeFile()), std::nullopt);
    EXPECT_EQ(memory.Recall(rewritten), DigestB);

    // A checksum too close to the last change forgets the earlier one without taking its place.
    FileIdentity rewrittenAgain = rewritten;
    rewrittenAgain.changed = Plus(rewritten.changed, 1h);
    memory.Remember(rewrittenAgain, Plus(rewrittenAgain.changed, 1ms), DigestA);
    EXPECT_EQ(memory.Recall(rewritten), std::nullopt);
    EXPECT_EQ(memory.Recall(rewrittenAgain), std::nullopt);

    EXPECT_EQ(memory.Recall(otherFile), DigestB);
}

}  // namespace

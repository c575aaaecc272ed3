// The pieces of a conversion run that need no patch tool: the paths, the copy and the time stamp.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "core/conversion.h"
#include "platform/files.h"
#include "tests/core/support/fake_seams.h"
#include "tests/core/support/temp_dir.h"

namespace {

using testing_support::FakeSeams;
using testing_support::ReadWholeFile;
using testing_support::TempDir;

std::string PatternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

struct stat StatusOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info;
}

timespec ModificationTimeOf(const std::string& path) { return StatusOf(path).st_mtim; }

void SetModificationTimeOf(const std::string& path, std::time_t seconds, long nanoseconds) {
    const timespec times[2] = {{0, UTIME_OMIT}, {seconds, nanoseconds}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

core::ShortDosDateTime Packed(int year, int month, int day, int hour, int minute, int second) {
    return core::PackDosDateTime({year, month, day, hour, minute, second}).value();
}

TEST(ConversionRequest, TheResultGoesToTheTargetBoxOrTheSourceAndTheCopyIntoTheExtractionDirectory) {
    core::ConversionRequest request;
    request.source = "/data/game.dat";
    request.target = "/out/new.dat";
    EXPECT_EQ(request.ResultPath(), "/out/new.dat");
    request.overwriteSource = true;
    EXPECT_EQ(request.ResultPath(), "/data/game.dat");
    EXPECT_EQ(core::TemporaryCopyPath("/tmp/conv 1", "/data/game.dat"), "/tmp/conv 1/game.dat.tmp");
    EXPECT_EQ(core::TemporaryCopyPath("/tmp/conv 1", "relative.dat"), "/tmp/conv 1/relative.dat.tmp");
}

// Within one file system the kernel copies; from another one (/dev/shm, where that is one) the
// bytes go through the program's buffer. Both give the same copy with the same steps.
TEST(CopyFileKeepDate, CopiesEverySizeWholeAndReportsAStepAfterFullBlocksOnly) {
    const TempDir dir;
    std::vector<std::string> sourceDirs = {dir.path()};
    if (StatusOf(dir.path()).st_dev != StatusOf("/dev/shm").st_dev) sourceDirs.push_back("/dev/shm");
    struct Case {
        std::size_t size;
        int fullBlocks;
    };
    for (const std::string& sourceDir : sourceDirs) {
        const TempDir sources(sourceDir);
        for (const Case c :
             {Case{0, 0}, Case{65535, 0}, Case{65536, 1}, Case{65537, 1}, Case{3 * 65536 + 5, 3}}) {
            SCOPED_TRACE(sourceDir + ", size " + std::to_string(c.size));
            const std::string bytes = PatternBytes(c.size);
            const std::string source = sources.Write("source", bytes);
            FakeSeams fake;
            EXPECT_TRUE(core::CopyFileKeepDate(source, dir.File("copy"), core::CancelToken{}, fake));
            EXPECT_EQ(ReadWholeFile(dir.File("copy")), bytes);
            EXPECT_EQ(fake.steps, c.fullBlocks);
        }
    }
}

TEST(CopyFileKeepDate, ReplacesALongerFileAtTheCopyPath) {
    const TempDir dir;
    const std::string source = dir.Write("source", "short");
    const std::string copy = dir.Write("copy", PatternBytes(70000));
    FakeSeams fake;
    EXPECT_TRUE(core::CopyFileKeepDate(source, copy, core::CancelToken{}, fake));
    EXPECT_EQ(ReadWholeFile(copy), "short");
}

TEST(CopyFileKeepDate, GivesTheCopyTheSourceTimeRoundedDownToTwoSeconds) {
    const TempDir dir;
    const std::string source = dir.Write("source", "bytes");
    // An odd second, in every time zone, as zones differ from UTC by whole minutes.
    constexpr std::time_t oddSecond = 1273129689;
    SetModificationTimeOf(source, oddSecond, 500'000'000);
    FakeSeams fake;
    ASSERT_TRUE(core::CopyFileKeepDate(source, dir.File("copy"), core::CancelToken{}, fake));
    const timespec copied = ModificationTimeOf(dir.File("copy"));
    EXPECT_EQ(copied.tv_sec, oddSecond - 1);
    EXPECT_EQ(copied.tv_nsec, 0);
}

TEST(CopyFileKeepDate, FailsWhenTheSourceIsMissingOrADirectoryStandsAtTheCopyPath) {
    const TempDir dir;
    const std::string source = dir.Write("source", PatternBytes(65536 * 2));
    std::filesystem::create_directory(dir.File("blocked"));
    FakeSeams fake;
    EXPECT_FALSE(core::CopyFileKeepDate(source, dir.File("blocked"), core::CancelToken{}, fake));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("blocked")));
    EXPECT_FALSE(core::CopyFileKeepDate(dir.File("missing"), dir.File("copy"), core::CancelToken{}, fake));
}

TEST(CopyFileKeepDate, FailsWhenTheSourceGivesFewerBytesThanItsSize) {
    // Kernel attribute files report a size of a whole page but hold a line or two.
    const std::string shortSource = "/sys/kernel/mm/transparent_hugepage/enabled";
    if (!std::filesystem::exists(shortSource)) GTEST_SKIP() << shortSource << " is not available";
    const TempDir dir;
    FakeSeams fake;
    EXPECT_FALSE(core::CopyFileKeepDate(shortSource, dir.File("copy"), core::CancelToken{}, fake));
}

TEST(SetFileDosTime, SetsExactlyTheLocalTimeAndIgnoresValuesThatAreNoDate) {
    const TempDir dir;
    const std::string file = dir.Write("file", "x");
    core::SetFileDosTime(file, Packed(2004, 7, 15, 13, 45, 32));
    const platform::LocalTime set = platform::ModificationTime(file).value();
    EXPECT_EQ(std::tie(set.year, set.month, set.day, set.hour, set.minute, set.second),
              std::make_tuple(2004, 7, 15, 13, 45, 32));
    EXPECT_EQ(ModificationTimeOf(file).tv_nsec, 0);

    const std::time_t before = ModificationTimeOf(file).tv_sec;
    constexpr core::ShortDosDateTime february30 = ((24 << 9 | 2 << 5 | 30) << 16);
    constexpr core::ShortDosDateTime hour25 = ((24 << 9 | 1 << 5 | 1) << 16) | (25 << 11);
    for (const core::ShortDosDateTime invalid : {0, february30, hour25, core::NoTimeStamp}) {
        SCOPED_TRACE(invalid);
        core::SetFileDosTime(file, invalid);
        EXPECT_EQ(ModificationTimeOf(file).tv_sec, before);
    }
}

}  // namespace

#include "core/checksum.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/core/support/fake_seams.h"
#include "tests/core/support/sample_bytes.h"
#include "tests/core/support/system_md5.h"
#include "tests/core/support/temp_dir.h"

namespace {

using core::Md5Digest;
using testing_support::FakeSeams;
using testing_support::SampleBytes;
using testing_support::TempDir;

constexpr char EmptyInputMd5[] = "D41D8CD98F00B204E9800998ECF8427E";
constexpr std::uint64_t StartPosition = 1234;
constexpr std::size_t ReadSize = core::ChecksumReadSize;

class ComputeFileMd5Test : public ::testing::Test {
  protected:
    // Opens the file, moves it to StartPosition and runs the computation.
    std::optional<Md5Digest> Compute(const std::string& path) {
        std::optional<platform::File> file = platform::File::OpenForChecksum(path);
        EXPECT_TRUE(file);
        return file ? ComputeAt(*file) : std::nullopt;
    }

    std::optional<Md5Digest> ComputeAt(platform::File& file) {
        EXPECT_TRUE(file.Seek(StartPosition));
        std::optional<Md5Digest> digest = core::ComputeFileMd5(file, cancel, fake);
        EXPECT_EQ(file.Position(), StartPosition) << "the position must be restored";
        return digest;
    }

    TempDir dir;
    FakeSeams fake;
    core::Seams seams = fake.Bundle();
    core::ChecksumMemory memory;
    core::CancelToken cancel;
};

// One step per read buffer, each reporting how far the file has come; a file that ends on a
// step's edge takes no extra read.
TEST_F(ComputeFileMd5Test, MatchesMd5sumWithOneStepPerRead) {
    struct Case {
        std::size_t size;
        int steps;
    };
    const Case cases[] = {{0, 1},
                          {55, 1},
                          {56, 1},
                          {64, 1},
                          {65, 1},
                          {4096, 1},
                          {4097, 1},
                          {ReadSize - 1, 1},
                          {ReadSize, 1},
                          {ReadSize + 1, 2},
                          {3 * ReadSize + 17, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE("size " + std::to_string(c.size));
        const std::string path = dir.Write("data.bin", SampleBytes(c.size, static_cast<unsigned>(c.size)));
        fake.steps = 0;
        fake.stepsDone.clear();
        const std::optional<Md5Digest> digest = Compute(path);
        ASSERT_TRUE(digest);
        EXPECT_EQ(core::Md5Hex(*digest), testing_support::SystemMd5Hex(path));
        EXPECT_EQ(fake.steps, c.steps);
        EXPECT_EQ(fake.stepsDone.back(), c.size);
    }
}

TEST_F(ComputeFileMd5Test, EmptyFileGivesTheDigestOfEmptyInput) {
    const std::optional<Md5Digest> digest = Compute(dir.Write("empty.bin", ""));
    ASSERT_TRUE(digest);
    EXPECT_EQ(core::Md5Hex(*digest), EmptyInputMd5);
}

// A cancellation that comes during a step ends the computation right after that step, without a
// digest, also after the last one.
TEST_F(ComputeFileMd5Test, CancelsAfterTheStepDuringWhichItCame) {
    struct Case {
        const char* what;
        std::size_t size;
        int atStep;
    };
    const Case cases[] = {
        {"in the middle", 5 * ReadSize, 3},
        {"at the first step", 5 * ReadSize, 1},
        {"after the last step", ReadSize, 1},
        {"after the read that found the end", 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.Write("data.bin", SampleBytes(c.size, 1));
        core::CancelToken token;
        fake.steps = 0;
        fake.onStep = [&](int step) {
            if (step == c.atStep) token.Cancel();
        };
        std::optional<platform::File> file = platform::File::OpenForChecksum(path);
        ASSERT_TRUE(file);
        EXPECT_EQ(core::ComputeFileMd5(*file, token, fake), std::nullopt);
        EXPECT_EQ(fake.steps, c.atStep);
    }
}

// The window's thread cancels while a worker sums: the worker reports at most the one step during
// which the cancellation came, then stops.
TEST_F(ComputeFileMd5Test, AWorkerSeesACancellationFromAnotherThreadWithinOneStep) {
    const std::string path = dir.Write("data.bin", SampleBytes(64 * ReadSize, 6));
    std::optional<platform::File> file = platform::File::OpenForChecksum(path);
    ASSERT_TRUE(file);

    class WatchingSink : public core::ProgressSink {
      public:
        explicit WatchingSink(const core::CancelToken& token) : token_(token) {}
        void Advance(std::uint64_t, std::uint64_t) override {
            ++steps;
            if (token_.IsCancelled()) ++stepsAfterCancel;
        }
        std::atomic<int> steps{0};
        std::atomic<int> stepsAfterCancel{0};

      private:
        const core::CancelToken& token_;
    } sink(cancel);

    std::optional<Md5Digest> digest = Md5Digest{};
    std::thread worker([&] { digest = core::ComputeFileMd5(*file, cancel, sink); });
    while (sink.steps == 0) std::this_thread::yield();
    cancel.Cancel();
    worker.join();

    EXPECT_EQ(digest, std::nullopt);
    EXPECT_LE(sink.stepsAfterCancel, 1);
    EXPECT_LT(sink.steps, 64);
}

// The reading descriptor is swapped for a write-only one on the same file before the first read:
// size and position still work, every read fails, and the file ends where the failure came.
TEST_F(ComputeFileMd5Test, AFailedReadEndsTheFileThere) {
    const std::string path = dir.Write("data.bin", SampleBytes(ReadSize + 2 * 4096, 2));
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(descriptor, 0);
    platform::File file = platform::File::FromDescriptor(descriptor);
    const std::optional<Md5Digest> digest = ComputeAt(file);
    ASSERT_TRUE(digest);
    EXPECT_EQ(core::Md5Hex(*digest), EmptyInputMd5);
}

TEST_F(ComputeFileMd5Test, SumsUpToTheSizeTakenAtTheStartWhenTheFileGrows) {
    const std::string content = SampleBytes(2 * ReadSize + 4096, 3);
    const std::string path = dir.Write("data.bin", content);
    fake.onStep = [&](int step) {
        if (step == 1) std::ofstream(path, std::ios::binary | std::ios::app) << "appended";
    };
    EXPECT_EQ(Compute(path), core::Md5Of(content));
    EXPECT_EQ(fake.steps, 3);
}

// The reader is at most one step ahead: what it reads after the first step is over sees the
// shortened file.
TEST_F(ComputeFileMd5Test, SumsUpToTheFirstEmptyReadWhenTheFileShrinks) {
    const std::string content = SampleBytes(3 * ReadSize + 3 * 4096, 4);
    const std::string path = dir.Write("data.bin", content);
    fake.onStep = [&](int step) {
        if (step == 1) std::filesystem::resize_file(path, 2 * ReadSize + 5000);
    };
    EXPECT_EQ(Compute(path), core::Md5Of(std::string_view(content).substr(0, 2 * ReadSize + 5000)));
    EXPECT_EQ(fake.steps, 4);  // then 5000 and 0 bytes
}

TEST_F(ComputeFileMd5Test, FileIsHeldAgainstOtherOpenersOnlyWhileSummed) {
    const std::string path = dir.Write("data.bin", SampleBytes(2 * 4096, 5));
    bool openedMeanwhile = true;
    fake.onStep = [&](int) { openedMeanwhile = platform::File::OpenForChecksum(path).has_value(); };
    EXPECT_EQ(core::FileMd5Hex(path, cancel, seams, memory), testing_support::SystemMd5Hex(path));
    EXPECT_FALSE(openedMeanwhile);
    EXPECT_TRUE(platform::File::OpenForChecksum(path).has_value());
}

class FileChecksumTest : public ::testing::Test {
  protected:
    TempDir dir;
    FakeSeams fake;
    core::Seams seams = fake.Bundle();
    core::ChecksumMemory memory;
    core::Colour statusColour = core::Colours{}.FontStatusColor;
    core::CancelToken cancel;

    void ExpectVerifyingShownAndNoBox() {
        ASSERT_EQ(fake.statuses.size(), 1u);
        EXPECT_EQ(fake.statuses[0].text, "Verifying...");
        EXPECT_EQ(fake.statuses[0].colour, statusColour);
        EXPECT_TRUE(fake.statuses[0].blinking);
        EXPECT_TRUE(fake.errors.empty());
        EXPECT_TRUE(fake.successes.empty());
        EXPECT_TRUE(fake.questions.empty());
    }
};

TEST_F(FileChecksumTest, ResultFileMd5GivesTheUpperCaseChecksum) {
    statusColour = core::RgbColour(1, 2, 3);
    EXPECT_EQ(core::ResultFileMd5(dir.Write("result.bin", "abc"), cancel, seams, memory, statusColour),
              "900150983CD24FB0D6963F7D28E17F72");
    ExpectVerifyingShownAndNoBox();
}

TEST_F(FileChecksumTest, ResultFileMd5IsNothingWhenNothingWasSummed) {
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {dir.File("missing.bin"), dir.path(), fifo}) {
        SCOPED_TRACE(path);
        fake.statuses.clear();
        EXPECT_EQ(core::ResultFileMd5(path, cancel, seams, memory, statusColour), std::nullopt);
        ExpectVerifyingShownAndNoBox();
    }
    cancel.Cancel();
    fake.statuses.clear();
    EXPECT_EQ(core::ResultFileMd5(dir.Write("result.bin", "abc"), cancel, seams, memory, statusColour),
              std::nullopt);
    ExpectVerifyingShownAndNoBox();
}

TEST_F(FileChecksumTest, FileMd5HexIsNothingWhenCancelledOrUnopenable) {
    const std::string path = dir.Write("data.bin", "abc");
    EXPECT_EQ(core::FileMd5Hex(path, cancel, seams, memory), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(core::FileMd5Hex(dir.File("missing.bin"), cancel, seams, memory), std::nullopt);
    fake.onStep = [&](int) { cancel.Cancel(); };
    EXPECT_EQ(core::FileMd5Hex(path, cancel, seams, memory), std::nullopt);
    EXPECT_TRUE(fake.statuses.empty());
}

// Another process (util-linux flock) that holds an exclusive lock on the file until its
// standard input is closed. It creates `marker` once it holds the lock.
class LockingProcess {
  public:
    LockingProcess(const std::string& path, const std::string& marker)
        : process_(popen(("flock -x '" + path + "' -c 'touch \"" + marker + "\"; read line'").c_str(), "w")) {
        for (int waited = 0; process_ && !std::filesystem::exists(marker) && waited < 5000; ++waited)
            ::usleep(1000);
    }
    LockingProcess(const LockingProcess&) = delete;
    LockingProcess& operator=(const LockingProcess&) = delete;
    ~LockingProcess() { Release(); }

    void Release() {
        if (process_) pclose(process_);
        process_ = nullptr;
    }

  private:
    FILE* process_;
};

TEST_F(FileChecksumTest, AFileLockedByAnotherProcessCannotBeSummed) {
    const std::string path = dir.Write("locked.bin", "abc");
    LockingProcess other(path, dir.File("locked"));
    ASSERT_TRUE(std::filesystem::exists(dir.File("locked")));
    EXPECT_EQ(core::ResultFileMd5(path, cancel, seams, memory, statusColour), std::nullopt);
    ExpectVerifyingShownAndNoBox();

    other.Release();
    EXPECT_EQ(core::FileMd5Hex(path, cancel, seams, memory), "900150983CD24FB0D6963F7D28E17F72");
}

// A file's checksum is remembered once it was summed to its end; identifying the file again takes
// the remembered checksum only while the file is provably the same.
class RememberedChecksumTest : public FileChecksumTest {
  protected:
    using Sum = std::optional<std::string> (*)(const std::string&, const core::CancelToken&, core::Seams&,
                                               core::ChecksumMemory&);

    // Sums the file and tells whether it was read.
    std::optional<std::string> SumCounted(Sum sum, const std::string& path, int& reads) {
        fake.worksRun = 0;
        std::optional<std::string> hex = sum(path, cancel, seams, memory);
        reads = fake.worksRun;
        return hex;
    }

    static platform::FileTime ChangeTimeOf(const std::string& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0);
        return {info.st_ctim.tv_sec, info.st_ctim.tv_nsec};
    }

    static std::chrono::nanoseconds Since(const platform::FileTime& time) {
        const platform::FileTime now = platform::CurrentFileTime();
        return std::chrono::seconds(now.seconds - time.seconds) +
               std::chrono::nanoseconds(now.nanoseconds - time.nanoseconds);
    }

    // Waits until the file's last change lies further back than the time-stamp granularity.
    static void WaitUntilSettled(const std::string& path) {
        const platform::FileTime changed = ChangeTimeOf(path);
        for (int waited = 0; Since(changed) <= core::TimeStampGranularity && waited < 30'000; waited += 10)
            ::usleep(10'000);
        ASSERT_GT(Since(changed), core::TimeStampGranularity);
    }

    // Writes other bytes of the same length and gives the file its old modification time back.
    static void RewriteKeepingSizeAndTime(const std::string& path) {
        struct stat before {};
        ASSERT_EQ(::stat(path.c_str(), &before), 0);
        std::string bytes = testing_support::ReadWholeFile(path);
        bytes[100] = static_cast<char>(bytes[100] ^ 0x55);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        const timespec times[2] = {{0, UTIME_OMIT}, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
};

// Replaces the file by a copy of itself that has the same size and times but is another file.
void ReplaceByCopy(const std::string& path) {
    ASSERT_EQ(
        std::system(
            ("cp -p '" + path + "' '" + path + ".copy' && mv '" + path + ".copy' '" + path + "'").c_str()),
        0);
}

TEST_F(RememberedChecksumTest, AFileIsReadAgainUnlessItProvablyHasNotChanged) {
    const auto leaveAlone = [](const std::string&) {};
    std::optional<LockingProcess> holder;
    const auto hold = [&](const std::string& path) { holder.emplace(path, dir.File("locked")); };
    struct Case {
        const char* what;
        bool settled;  // last changed longer ago than the time-stamp granularity
        Sum first;
        std::function<void(const std::string&)> change;
        Sum second;
        std::optional<int> secondReads;  // none: the file is refused
    };
    const Case cases[] = {
        {"identified twice", true, core::SourceMd5Hex, leaveAlone, core::SourceMd5Hex, 0},
        {"verified, then identified", true, core::FileMd5Hex, leaveAlone, core::SourceMd5Hex, 0},
        {"identified, then verified", true, core::SourceMd5Hex, leaveAlone, core::FileMd5Hex, 1},
        {"rewritten keeping size and modification time", true, core::SourceMd5Hex, RewriteKeepingSizeAndTime,
         core::SourceMd5Hex, 1},
        {"replaced by a copy with the same times", true, core::SourceMd5Hex, ReplaceByCopy,
         core::SourceMd5Hex, 1},
        {"held by another program", true, core::SourceMd5Hex, hold, core::SourceMd5Hex, std::nullopt},
        {"written just before, then left alone", false, core::SourceMd5Hex, leaveAlone, core::SourceMd5Hex,
         1},
        {"written just before, then rewritten within the same second", false, core::SourceMd5Hex,
         RewriteKeepingSizeAndTime, core::SourceMd5Hex, 1},
    };
    // The settled files are written before the wait, the others just before their first checksum.
    std::vector<std::string> paths(std::size(cases));
    const auto write = [&](unsigned i) {
        paths[i] = dir.Write("file" + std::to_string(i), SampleBytes(3 * 4096, i));
    };
    for (unsigned i = 0; i < std::size(cases); ++i)
        if (cases[i].settled) write(i);
    for (unsigned i = 0; i < std::size(cases); ++i)
        if (cases[i].settled) WaitUntilSettled(paths[i]);

    for (unsigned i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        if (!c.settled) write(i);
        int reads = 0;
        EXPECT_EQ(SumCounted(c.first, paths[i], reads), testing_support::SystemMd5Hex(paths[i]));
        EXPECT_EQ(reads, 1);
        c.change(paths[i]);
        const std::optional<std::string> again = SumCounted(c.second, paths[i], reads);
        if (c.secondReads) {
            EXPECT_EQ(again, testing_support::SystemMd5Hex(paths[i]));
            EXPECT_EQ(reads, *c.secondReads);
        } else {
            EXPECT_EQ(again, std::nullopt);
        }
    }
}

}  // namespace

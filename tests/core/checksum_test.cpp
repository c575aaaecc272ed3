#include "core/checksum.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

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
constexpr int PiecesPerRead = static_cast<int>(ReadSize / core::ChecksumPieceSize);

class ComputeFileMd5Test : public ::testing::Test {
  protected:
    ComputeFileMd5Test() { fake.sourceText = "source.bin"; }

    // Opens the file, moves it to StartPosition and runs the computation.
    void Compute(const std::string& path) {
        std::optional<platform::File> file = platform::File::OpenForChecksum(path);
        ASSERT_TRUE(file);
        ComputeAt(*file);
    }

    void ComputeAt(platform::File& file) {
        ASSERT_TRUE(file.Seek(StartPosition));
        core::ComputeFileMd5(file, completed, digest, seams, state);
        EXPECT_EQ(file.Position(), StartPosition) << "the position must be restored";
    }

    TempDir dir;
    FakeSeams fake;
    core::Seams seams = fake.Bundle();
    core::ProgramState state;
    bool completed = false;
    Md5Digest digest = Filled(0xAA);

    static Md5Digest Filled(std::uint8_t value) {
        Md5Digest filled;
        filled.fill(value);
        return filled;
    }
};

// One pump per 4096-byte piece, whatever the size of the reads behind the pieces: the first read
// already takes up to a whole read buffer.
TEST_F(ComputeFileMd5Test, MatchesMd5sumWithOnePumpPerPiece) {
    struct Case {
        std::size_t size;
        int pumps;
    };
    const Case cases[] = {{0, 1},
                          {55, 1},
                          {56, 1},
                          {63, 1},
                          {64, 1},
                          {65, 1},
                          {4095, 1},
                          {4096, 1},
                          {4097, 2},
                          {65536, 16},
                          {ReadSize - 1, PiecesPerRead},
                          {ReadSize, PiecesPerRead},
                          {ReadSize + 1, PiecesPerRead + 1},
                          {3 * ReadSize + 17, 3 * PiecesPerRead + 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE("size " + std::to_string(c.size));
        const std::string path = dir.Write("data.bin", SampleBytes(c.size, static_cast<unsigned>(c.size)));
        std::optional<platform::File> file = platform::File::OpenForChecksum(path);
        ASSERT_TRUE(file);
        std::optional<std::uint64_t> positionAtFirstPump;
        fake.pumpCalls = 0;
        fake.onPump = [&](int call) {
            if (call == 1) positionAtFirstPump = file->Position();
        };
        completed = false;
        ComputeAt(*file);
        EXPECT_TRUE(completed);
        EXPECT_EQ(core::Md5Hex(digest), testing_support::SystemMd5Hex(path));
        EXPECT_EQ(fake.pumpCalls, c.pumps);
        EXPECT_EQ(positionAtFirstPump, std::min(c.size, ReadSize));
    }
}

TEST_F(ComputeFileMd5Test, EmptyFileGivesTheDigestOfEmptyInput) {
    Compute(dir.Write("empty.bin", ""));
    EXPECT_TRUE(completed);
    EXPECT_EQ(core::Md5Hex(digest), EmptyInputMd5);
}

// Each case changes what the computation watches during one pump call; the computation must
// end right after that call and leave the caller's flag and digest alone.
TEST_F(ComputeFileMd5Test, CancelsAtThePumpThatChangedTheWatchedState) {
    struct Case {
        const char* what;
        std::size_t size;
        int atPump;
        std::function<void()> change;
    };
    const Case cases[] = {
        {"source text changed", 5 * 4096, 3, [this] { fake.sourceText = "other.bin"; }},
        {"only the letter case changed", 5 * 4096, 2, [this] { fake.sourceText = "SOURCE.bin"; }},
        {"shutting down", 5 * 4096, 2, [this] { state.ShuttingDown = true; }},
        {"shutting down after the last piece", 4096, 1, [this] { state.ShuttingDown = true; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.Write("data.bin", SampleBytes(c.size, 1));
        fake.pumpCalls = 0;
        fake.sourceText = "source.bin";
        state.ShuttingDown = false;
        fake.onPump = [&](int call) {
            if (call == c.atPump) c.change();
        };
        Compute(path);
        EXPECT_FALSE(completed);
        EXPECT_EQ(digest, Filled(0xAA));
        EXPECT_EQ(fake.pumpCalls, c.atPump);
    }
}

TEST_F(ComputeFileMd5Test, NeverClearsACompletedFlagTheCallerSet) {
    completed = true;
    state.ShuttingDown = true;
    Compute(dir.Write("data.bin", "abc"));
    EXPECT_TRUE(completed);
    EXPECT_EQ(digest, Filled(0xAA));
}

// The file changes after its first read, while the pieces of that read are still being summed;
// what the next read finds decides where the checksum ends.
TEST_F(ComputeFileMd5Test, AFailedReadEndsTheFileThere) {
    const std::string content = SampleBytes(ReadSize + 2 * 4096, 2);
    const std::string path = dir.Write("data.bin", content);
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(descriptor, 0);
    platform::File file = platform::File::FromDescriptor(descriptor);
    // After the first piece the descriptor is swapped for a write-only one on the same file:
    // size and position still work, every further read fails.
    fake.onPump = [&](int call) {
        if (call != 1) return;
        const int writeOnly = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(writeOnly, 0);
        ASSERT_EQ(::dup2(writeOnly, descriptor), descriptor);
        ::close(writeOnly);
    };
    ComputeAt(file);
    EXPECT_TRUE(completed);
    EXPECT_EQ(digest, core::Md5Of(std::string_view(content).substr(0, ReadSize)));
    EXPECT_EQ(fake.pumpCalls, PiecesPerRead + 1);
}

TEST_F(ComputeFileMd5Test, SumsUpToTheSizeTakenAtTheStartWhenTheFileGrows) {
    const std::string content = SampleBytes(ReadSize + 4096, 3);
    const std::string path = dir.Write("data.bin", content);
    fake.onPump = [&](int call) {
        if (call == 1) std::ofstream(path, std::ios::binary | std::ios::app) << "appended";
    };
    Compute(path);
    EXPECT_TRUE(completed);
    EXPECT_EQ(digest, core::Md5Of(content));
    EXPECT_EQ(fake.pumpCalls, PiecesPerRead + 1);
}

TEST_F(ComputeFileMd5Test, SumsUpToTheFirstEmptyReadWhenTheFileShrinks) {
    const std::string content = SampleBytes(ReadSize + 3 * 4096, 4);
    const std::string path = dir.Write("data.bin", content);
    fake.onPump = [&](int call) {
        if (call == 1) std::filesystem::resize_file(path, ReadSize + 5000);
    };
    Compute(path);
    EXPECT_TRUE(completed);
    EXPECT_EQ(digest, core::Md5Of(std::string_view(content).substr(0, ReadSize + 5000)));
    EXPECT_EQ(fake.pumpCalls, PiecesPerRead + 3);  // then 4096, 904 and 0 bytes
}

TEST_F(ComputeFileMd5Test, FileIsHeldAgainstOtherOpenersOnlyWhileSummed) {
    const std::string path = dir.Write("data.bin", SampleBytes(2 * 4096, 5));
    bool openedMeanwhile = true;
    fake.onPump = [&](int) { openedMeanwhile = platform::File::OpenForChecksum(path).has_value(); };
    EXPECT_EQ(core::FileMd5Hex(path, seams, state), testing_support::SystemMd5Hex(path));
    EXPECT_FALSE(openedMeanwhile);
    EXPECT_TRUE(platform::File::OpenForChecksum(path).has_value());
}

class FileChecksumTest : public ::testing::Test {
  protected:
    TempDir dir;
    FakeSeams fake;
    core::Seams seams = fake.Bundle();
    core::ProgramState state;

    void ExpectVerifyingShownAndNoBox() {
        ASSERT_EQ(fake.statuses.size(), 1u);
        EXPECT_EQ(fake.statuses[0].text, "Verifying...");
        EXPECT_EQ(fake.statuses[0].colour, state.Settings.Colours.FontStatusColor);
        EXPECT_TRUE(fake.statuses[0].blinking);
        EXPECT_TRUE(fake.errors.empty());
        EXPECT_TRUE(fake.successes.empty());
        EXPECT_TRUE(fake.questions.empty());
    }
};

TEST_F(FileChecksumTest, ResultFileMd5GivesTheUpperCaseChecksum) {
    state.Settings.Colours.FontStatusColor = core::RgbColour(1, 2, 3);
    EXPECT_EQ(core::ResultFileMd5(dir.Write("result.bin", "abc"), seams, state),
              "900150983CD24FB0D6963F7D28E17F72");
    ExpectVerifyingShownAndNoBox();
}

TEST_F(FileChecksumTest, ResultFileMd5IsEmptyWhenNothingWasSummed) {
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {dir.File("missing.bin"), dir.path(), fifo}) {
        SCOPED_TRACE(path);
        fake.statuses.clear();
        EXPECT_EQ(core::ResultFileMd5(path, seams, state), "");
        ExpectVerifyingShownAndNoBox();
    }
    state.ShuttingDown = true;
    fake.statuses.clear();
    EXPECT_EQ(core::ResultFileMd5(dir.Write("result.bin", "abc"), seams, state), "");
    ExpectVerifyingShownAndNoBox();
}

TEST_F(FileChecksumTest, FileMd5HexIsNothingWhenCancelledOrUnopenable) {
    const std::string path = dir.Write("data.bin", "abc");
    EXPECT_EQ(core::FileMd5Hex(path, seams, state), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(core::FileMd5Hex(dir.File("missing.bin"), seams, state), std::nullopt);
    fake.onPump = [&](int) { fake.sourceText = "changed"; };
    EXPECT_EQ(core::FileMd5Hex(path, seams, state), std::nullopt);
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
    EXPECT_EQ(core::ResultFileMd5(path, seams, state), "");
    ExpectVerifyingShownAndNoBox();

    other.Release();
    EXPECT_EQ(core::FileMd5Hex(path, seams, state), "900150983CD24FB0D6963F7D28E17F72");
}

// A file's checksum is remembered once it was summed to its end; identifying the file again takes
// the remembered checksum only while the file is provably the same.
class RememberedChecksumTest : public FileChecksumTest {
  protected:
    using Sum = std::optional<std::string> (*)(const std::string&, core::Seams&, core::ProgramState&);

    // Sums the file and counts the pieces it took.
    std::optional<std::string> SumCounted(Sum sum, const std::string& path, int& pieces) {
        fake.pumpCalls = 0;
        std::optional<std::string> hex = sum(path, seams, state);
        pieces = fake.pumpCalls;
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
        std::optional<int> secondPieces;  // none: the file is refused
    };
    const Case cases[] = {
        {"identified twice", true, core::SourceMd5Hex, leaveAlone, core::SourceMd5Hex, 0},
        {"verified, then identified", true, core::FileMd5Hex, leaveAlone, core::SourceMd5Hex, 0},
        {"identified, then verified", true, core::SourceMd5Hex, leaveAlone, core::FileMd5Hex, 3},
        {"rewritten keeping size and modification time", true, core::SourceMd5Hex, RewriteKeepingSizeAndTime,
         core::SourceMd5Hex, 3},
        {"replaced by a copy with the same times", true, core::SourceMd5Hex, ReplaceByCopy,
         core::SourceMd5Hex, 3},
        {"held by another program", true, core::SourceMd5Hex, hold, core::SourceMd5Hex, std::nullopt},
        {"written just before, then left alone", false, core::SourceMd5Hex, leaveAlone, core::SourceMd5Hex,
         3},
        {"written just before, then rewritten within the same second", false, core::SourceMd5Hex,
         RewriteKeepingSizeAndTime, core::SourceMd5Hex, 3},
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
        int pieces = 0;
        EXPECT_EQ(SumCounted(c.first, paths[i], pieces), testing_support::SystemMd5Hex(paths[i]));
        EXPECT_EQ(pieces, 3);
        c.change(paths[i]);
        const std::optional<std::string> again = SumCounted(c.second, paths[i], pieces);
        if (c.secondPieces) {
            EXPECT_EQ(again, testing_support::SystemMd5Hex(paths[i]));
            EXPECT_EQ(pieces, *c.secondPieces);
        } else {
            EXPECT_EQ(again, std::nullopt);
        }
    }
}

}  // namespace

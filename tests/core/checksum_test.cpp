#include "core/checksum.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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
                          {3 * 1024 * 1024 + 17, 769}};
    for (const Case& c : cases) {
        SCOPED_TRACE("size " + std::to_string(c.size));
        const std::string path = dir.Write("data.bin", SampleBytes(c.size, static_cast<unsigned>(c.size)));
        fake.pumpCalls = 0;
        completed = false;
        Compute(path);
        EXPECT_TRUE(completed);
        EXPECT_EQ(core::Md5Hex(digest), testing_support::SystemMd5Hex(path));
        EXPECT_EQ(fake.pumpCalls, c.pumps);
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

TEST_F(ComputeFileMd5Test, AFailedReadEndsTheFileThere) {
    const std::string content = SampleBytes(3 * 4096, 2);
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
    EXPECT_EQ(digest, core::Md5Of(std::string_view(content).substr(0, 4096)));
    EXPECT_EQ(fake.pumpCalls, 2);
}

TEST_F(ComputeFileMd5Test, SumsUpToTheSizeTakenAtTheStartWhenTheFileGrows) {
    const std::string content = SampleBytes(2 * 4096, 3);
    const std::string path = dir.Write("data.bin", content);
    fake.onPump = [&](int call) {
        if (call == 1) std::ofstream(path, std::ios::binary | std::ios::app) << "appended";
    };
    Compute(path);
    EXPECT_TRUE(completed);
    EXPECT_EQ(digest, core::Md5Of(content));
    EXPECT_EQ(fake.pumpCalls, 2);
}

TEST_F(ComputeFileMd5Test, SumsUpToTheFirstEmptyReadWhenTheFileShrinks) {
    const std::string content = SampleBytes(3 * 4096, 4);
    const std::string path = dir.Write("data.bin", content);
    fake.onPump = [&](int call) {
        if (call == 1) std::filesystem::resize_file(path, 5000);
    };
    Compute(path);
    EXPECT_TRUE(completed);
    EXPECT_EQ(digest, core::Md5Of(std::string_view(content).substr(0, 5000)));
    EXPECT_EQ(fake.pumpCalls, 3);  // 4096, then 904, then 0 bytes
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

}  // namespace

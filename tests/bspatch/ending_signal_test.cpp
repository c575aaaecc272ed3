// A signal that asks our patch tool to end, sent while its decoding threads run: the tool removes
// its partial new file, stops and joins its threads, and then ends by that very signal without a
// word, as a killed program does, so that whoever waits for it sees the signal.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "tests/core/support/temp_dir.h"
#include "tests/support/patch_writer.h"
#include "tests/support/run_program.h"

namespace {

using testing_support::ProgramRun;
using testing_support::RunProgram;
using testing_support::TempDir;

namespace fs = std::filesystem;

// 256 MiB of inserted zeros: the tool needs seconds for it, long enough to be caught at work.
const std::string& LongRunningPatch() {
    constexpr std::int64_t NewSize = std::int64_t{256} << 20;
    static const std::string patch = testing_support::AssemblePatch(
        testing_support::Compress(testing_support::ControlBytes({{0, NewSize, 0}})),
        testing_support::Compress(""),
        testing_support::CompressGenerated(
            NewSize,
            [](std::uint64_t, std::span<std::uint8_t> piece) { std::fill(piece.begin(), piece.end(), 0); }),
        NewSize);
    return patch;
}

std::size_t ThreadCount(pid_t pid) {
    std::error_code error;
    const fs::directory_iterator tasks("/proc/" + std::to_string(pid) + "/task", error);
    return error ? 0 : static_cast<std::size_t>(std::distance(fs::begin(tasks), fs::end(tasks)));
}

// True once the tool writes its new file with a decoding thread beside its main and watching ones.
bool DecodingWhileWriting(pid_t pid, const std::string& newPath) {
    std::error_code error;
    return ThreadCount(pid) >= 3 && fs::file_size(newPath, error) > 0 && !error;
}

class EndingSignal : public ::testing::TestWithParam<int> {};

TEST_P(EndingSignal, RemovesTheNewFileAndEndsTheToolByIt) {
    TempDir dir;
    const std::string oldPath = dir.Write("old", "old");
    const std::string patchPath = dir.Write("patch", LongRunningPatch());
    const std::string newPath = dir.File("new");
    bool caughtAtWork = false;

    const ProgramRun run = RunProgram({FC_BSPATCH, oldPath, newPath, patchPath}, [&](pid_t pid) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!(caughtAtWork = DecodingWhileWriting(pid, newPath)) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ::kill(pid, GetParam());
    });

    ASSERT_TRUE(caughtAtWork) << "the tool was never seen decoding and writing";
    EXPECT_EQ(run.exitCode, 128 + GetParam());
    EXPECT_EQ(run.standardError + run.standardOutput, "");
    EXPECT_EQ(dir.Entries(), (std::set<std::string>{"old", "patch"}));
}

INSTANTIATE_TEST_SUITE_P(Signals, EndingSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& param) {
                             return std::string(sigabbrev_np(param.param));
                         });

}  // namespace

// The patch tool alone, Debian's beside ours, on two patches of a 256 MiB old file; each tool runs
// three rounds in turn (the fastest counts) and its peak memory is what wait4 reports for it.
//  - few edits: Debian's bsdiff between two versions that differ in one short run every 16 MiB;
//  - scattered copies: written here, as an update of a rebuilt program looks: about 4 million
//    control triples, each a copy of 16 to 64 bytes from a random position of machine-code-like
//    old bytes, followed by a few inserted bytes.
// Both tools must write the same new file. Prints each case's figures, then each ratio on a line
// of its own. Arguments: the number of rounds (3 when none is given), then "few-edits" or
// "scattered" to run that case alone.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bench/processor_name.h"
#include "bench/sample_versions.h"
#include "tests/support/patch_writer.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t OldSize = std::uint64_t{bench::VersionMiB} << 20;
constexpr int ScatteredCopies = 4'000'000;
constexpr double FewEditsGoal = 0.3;
constexpr double ScatteredGoal = 0.5;
constexpr double PeakGoalMiB = 32;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// A small, fast pseudo-random source; the same seed gives the same bytes on every run.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }
    std::uint32_t Below(std::uint32_t bound) { return static_cast<std::uint32_t>(Next() % bound); }

  private:
    std::uint64_t state_;
};

// Bytes shaped like machine code: common opcodes, a register byte, now and then a 4-byte offset
// of small magnitude; skewed and partly repeating, as compressors meet it in programs.
class CodeLikeBytes {
  public:
    explicit CodeLikeBytes(std::uint64_t seed) : random_(seed) {}

    void Fill(std::span<std::uint8_t> piece) {
        for (std::uint8_t& byte : piece) {
            if (next_ == pending_.size()) Instruction();
            byte = pending_[next_++];
        }
    }

  private:
    void Instruction() {
        static constexpr std::uint8_t Opcodes[] = {0x48, 0x89, 0x8B, 0xE8, 0x0F, 0xC3, 0x83, 0x85,
                                                   0x74, 0x75, 0xEB, 0x31, 0x41, 0x4C, 0xFF, 0x90};
        pending_.clear();
        next_ = 0;
        pending_.push_back(Opcodes[random_.Below(sizeof Opcodes)]);
        pending_.push_back(static_cast<std::uint8_t>(0xC0 | random_.Below(64)));
        if (random_.Below(3) == 0) {
            const std::uint32_t offset = random_.Below(4096);
            for (int i = 0; i < 4; ++i) pending_.push_back(static_cast<std::uint8_t>(offset >> (8 * i)));
        }
    }

    Random random_;
    std::vector<std::uint8_t> pending_;
    std::size_t next_ = 0;
};

// Mostly zero, one small difference in about twelve bytes: a moved instruction whose offsets changed.
void FillDiff(Random& random, std::span<std::uint8_t> piece) {
    for (std::uint8_t& byte : piece)
        byte = random.Below(12) == 0 ? static_cast<std::uint8_t>(1 + random.Below(8)) : 0;
}

bool WriteGenerated(const std::string& path, std::uint64_t size, CodeLikeBytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<std::uint8_t> piece(1 << 20);
    for (std::uint64_t offset = 0; offset < size; offset += piece.size()) {
        bytes.Fill(piece);
        out.write(reinterpret_cast<const char*>(piece.data()), static_cast<std::streamsize>(piece.size()));
    }
    return static_cast<bool>(out);
}

// The scattered-copies patch: every triple copies 16 to 64 bytes from a random old position and
// inserts 1 to 6 bytes.
bool WriteScatteredPatch(const std::string& patchPath) {
    // The first triple copies from position 0 on; every later one from where the one before sought.
    Random random(7);
    std::vector<testing_support::ControlTriple> triples(ScatteredCopies);
    std::int64_t oldPosition = 0;
    std::uint64_t diffSize = 0;
    std::uint64_t extraSize = 0;
    for (testing_support::ControlTriple& triple : triples) {
        triple.addLength = 16 + random.Below(49);
        triple.insertLength = 1 + random.Below(6);
        const auto target = static_cast<std::int64_t>(random.Next() % (OldSize - 64));
        triple.seek = target - (oldPosition + triple.addLength);
        oldPosition = target;
        diffSize += static_cast<std::uint64_t>(triple.addLength);
        extraSize += static_cast<std::uint64_t>(triple.insertLength);
    }
    Random diffRandom(11);
    CodeLikeBytes extraBytes(13);
    const std::string patch = testing_support::AssemblePatch(
        testing_support::Compress(testing_support::ControlBytes(triples)),
        testing_support::CompressGenerated(
            diffSize, [&](std::uint64_t, std::span<std::uint8_t> piece) { FillDiff(diffRandom, piece); }),
        testing_support::CompressGenerated(
            extraSize, [&](std::uint64_t, std::span<std::uint8_t> piece) { extraBytes.Fill(piece); }),
        static_cast<std::int64_t>(diffSize + extraSize));
    std::ofstream out(patchPath, std::ios::binary | std::ios::trunc);
    out.write(patch.data(), static_cast<std::streamsize>(patch.size()));
    std::printf("scattered copies: %d triples, new file %ju bytes, patch %zu bytes\n", ScatteredCopies,
                static_cast<std::uintmax_t>(diffSize + extraSize), patch.size());
    return static_cast<bool>(out);
}

struct ToolRun {
    double seconds = 1e9;
    double peakMiB = 0;
};

// Runs the tool and takes its peak memory from wait4's rusage, as GNU time reports it; the tool
// runs under time, not as this process's child, whose high-water mark it would inherit.
std::optional<ToolRun> RunPatchTool(const std::string& tool, const std::string& oldPath,
                                    const std::string& patchPath, const std::string& output,
                                    const std::string& work) {
    const std::string peakFile = work + "/tool-peak";
    Shell("sync");
    const Clock::time_point start = Clock::now();
    if (!Shell("/usr/bin/time -f %M -o " + Quoted(peakFile) + " " + Quoted(tool) + " " + Quoted(oldPath) +
               " " + Quoted(output) + " " + Quoted(patchPath)))
        return std::nullopt;
    const double seconds = SecondsSince(start);
    double peakKiB = 0;
    std::ifstream(peakFile) >> peakKiB;
    return ToolRun{seconds, peakKiB / 1024};
}

// Both tools in turn, three rounds, so that both meet the same cache; the fastest round of each
// counts, the highest peak of each is shown. Nullopt when a tool failed or the two disagree.
std::optional<double> CompareTools(const char* name, const std::string& oldPath, const std::string& patchPath,
                                   const std::string& work, int rounds) {
    const std::string outputs[] = {work + "/debian-output.bin", work + "/our-output.bin"};
    const std::string tools[] = {"/usr/bin/bspatch", FC_BSPATCH};
    ToolRun best[2];
    for (int round = 0; round < rounds; ++round) {
        for (int which = 0; which < 2; ++which) {
            const std::optional<ToolRun> run =
                RunPatchTool(tools[which], oldPath, patchPath, outputs[which], work);
            if (!run) {
                std::fprintf(stderr, "%s failed on the %s patch\n", tools[which].c_str(), name);
                return std::nullopt;
            }
            best[which].seconds = std::min(best[which].seconds, run->seconds);
            best[which].peakMiB = std::max(best[which].peakMiB, run->peakMiB);
        }
        if (!Shell("cmp -s " + Quoted(outputs[0]) + " " + Quoted(outputs[1]))) {
            std::fprintf(stderr, "the two tools wrote different new files from the %s patch\n", name);
            return std::nullopt;
        }
    }
    std::printf(
        "%s (fastest of %d): Debian's %.2f s, peak %.1f MiB; ours %.2f s, peak %.1f MiB (goal <= %.0f MiB)\n",
        name, rounds, best[0].seconds, best[0].peakMiB, best[1].seconds, best[1].peakMiB, PeakGoalMiB);
    std::fflush(stdout);
    for (const std::string& output : outputs) fs::remove(output);
    return best[1].seconds / best[0].seconds;
}

std::optional<double> FewEdits(const std::string& work, int rounds) {
    const std::string source = work + "/source.bin";
    const std::string changed = work + "/changed.bin";
    const std::string patch = work + "/few-edits.bsdiff";
    bench::WriteVersion(source, false);
    bench::WriteVersion(changed, true);
    std::printf("making the few-edits patch with bsdiff (not part of the measured work)...\n");
    std::fflush(stdout);
    if (!Shell("bsdiff " + Quoted(source) + " " + Quoted(changed) + " " + Quoted(patch))) return std::nullopt;
    fs::remove(changed);
    const std::optional<double> ratio = CompareTools("few edits", source, patch, work, rounds);
    fs::remove(source);
    return ratio;
}

std::optional<double> Scattered(const std::string& work, int rounds) {
    const std::string old = work + "/program.bin";
    const std::string patch = work + "/scattered.bsdiff";
    std::printf("writing the scattered-copies patch (not part of the measured work)...\n");
    std::fflush(stdout);
    CodeLikeBytes oldBytes(5);
    if (!WriteGenerated(old, OldSize, oldBytes) || !WriteScatteredPatch(patch)) return std::nullopt;
    return CompareTools("scattered copies", old, patch, work, rounds);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(std::atoi(argv[1]), 1) : 3;
    const std::string only = argc > 2 ? argv[2] : "";
    if (!only.empty() && only != "few-edits" && only != "scattered") {
        std::fprintf(stderr, "usage: bench-patch_tool [rounds] [few-edits|scattered]\n");
        return 1;
    }
    const char* folder = std::getenv("TMPDIR");
    std::string work = std::string(folder && *folder ? folder : "/tmp") + "/fc-bench-patch-XXXXXX";
    if (!mkdtemp(work.data())) {
        std::fprintf(stderr, "could not create a work directory\n");
        return 1;
    }
    std::printf("Processor: %s\n", bench::ProcessorName().c_str());
    std::optional<double> fewEdits;
    std::optional<double> scattered;
    bool failed = false;
    if (only != "scattered") failed = !(fewEdits = FewEdits(work, rounds));
    if (!failed && only != "few-edits") failed = !(scattered = Scattered(work, rounds));
    std::error_code ignored;
    fs::remove_all(work, ignored);
    if (failed) return 1;
    if (fewEdits)
        std::printf("ratio ours / Debian's time, few edits: %.3f (goal <= %.1f)\n", *fewEdits, FewEditsGoal);
    if (scattered)
        std::printf("ratio ours / Debian's time, scattered copies: %.3f (goal <= %.1f)\n", *scattered,
                    ScatteredGoal);
    return 0;
}

// Every kind of bad input makes our patch tool fail with exit status 1 and one line on standard
// error, and a failure leaves nothing behind: no new file, no other file, the inputs unchanged.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "tests/core/support/sample_bytes.h"
#include "tests/core/support/temp_dir.h"
#include "tests/support/patch_writer.h"
#include "tests/support/run_program.h"

namespace {

using testing::HasSubstr;
using testing::MatchesRegex;
using testing_support::AssemblePatch;
using testing_support::Compress;
using testing_support::ControlBytes;
using testing_support::ControlTriple;
using testing_support::EncodeNumber;
using testing_support::ProgramRun;
using testing_support::ReadWholeFile;
using testing_support::RunProgram;
using testing_support::TempDir;

constexpr std::int64_t Largest = std::numeric_limits<std::int64_t>::max();
const std::string OldBytes = "The old version of the file.\n";

std::string Patch(const std::vector<ControlTriple>& triples, const std::string& diff,
                  const std::string& extra, std::int64_t newSize) {
    return AssemblePatch(Compress(ControlBytes(triples)), Compress(diff), Compress(extra), newSize);
}

// A sound patch: five changed bytes, then three inserted ones.
std::string SoundPatch() { return Patch({{5, 3, 0}}, "\x01\x01\x01\x01\x01", "new", 8); }

std::string WithHeaderNumber(std::string patch, std::size_t offset, std::int64_t value) {
    return patch.replace(offset, 8, EncodeNumber(value));
}

// The sound patch with the last 10 bytes of its compressed control block missing.
std::string ControlBlockCutShort() {
    const std::string control = Compress(ControlBytes({{5, 3, 0}}));
    return AssemblePatch(control.substr(0, control.size() - 10), Compress("\x01\x01\x01\x01\x01"),
                         Compress("new"), 8);
}

// The sound patch with one byte inside the diff block's compressed data changed.
std::string DamagedDiffBlock() {
    std::string diff = Compress("\x01\x01\x01\x01\x01");
    diff[20] ^= 0x55;
    return AssemblePatch(Compress(ControlBytes({{5, 3, 0}})), diff, Compress("new"), 8);
}

// A patch whose three blocks each span several of the tool's 64 KiB pieces, once decoded and (the
// diff and extra blocks) once compressed too: 4000 triples, each adding 50 bytes and inserting 40.
// `cut` names a block that is cut short: its compressed data loses its last 10 bytes. `ended` names
// one whose data ends early: it loses its last triple or its last byte before compression.
enum class Block { None, Control, Diff, Extra };
std::string LongPatch(Block cut, Block ended) {
    constexpr int Triples = 4000;
    const std::vector<ControlTriple> triples(Triples - (ended == Block::Control ? 1 : 0),
                                             ControlTriple{50, 40, 0});
    std::string diff = testing_support::SampleBytes(Triples * 50, 1);
    std::string extra = testing_support::SampleBytes(Triples * 40, 2);
    if (ended == Block::Diff) diff.pop_back();
    if (ended == Block::Extra) extra.pop_back();
    std::string blocks[] = {Compress(ControlBytes(triples)), Compress(diff), Compress(extra)};
    if (cut != Block::None)
        blocks[static_cast<int>(cut) - 1].resize(blocks[static_cast<int>(cut) - 1].size() - 10);
    return AssemblePatch(blocks[0], blocks[1], blocks[2], Triples * 90);
}

struct BadPatch {
    const char* name;
    std::string patch;
    const char* reason;
};

void PrintTo(const BadPatch& bad, std::ostream* out) { *out << bad.name; }

void ExpectOneErrorLine(const ProgramRun& run, const std::string& reason) {
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.standardOutput, "");
    EXPECT_THAT(run.standardError, MatchesRegex("bspatch: [^\n]*\n"));
    EXPECT_THAT(run.standardError, HasSubstr(reason));
}

class MalformedPatch : public ::testing::TestWithParam<BadPatch> {};

// The new file stands there already, as the converter hands the tool a fresh file of its own.
TEST_P(MalformedPatch, IsRefusedAndTheNewFileIsRemoved) {
    TempDir dir;
    const std::string& patch = GetParam().patch;
    const std::string oldPath = dir.Write("old", OldBytes);
    const std::string patchPath = dir.Write("patch", patch);
    const std::string newPath = dir.Write("new", "");

    ExpectOneErrorLine(RunProgram({FC_BSPATCH, oldPath, newPath, patchPath}), GetParam().reason);

    EXPECT_EQ(dir.Entries(), (std::set<std::string>{"old", "patch"}));
    EXPECT_EQ(ReadWholeFile(oldPath), OldBytes);
    EXPECT_EQ(ReadWholeFile(patchPath), patch);
}

INSTANTIATE_TEST_SUITE_P(
    Patches, MalformedPatch,
    ::testing::Values(
        BadPatch{"WrongMagic", "BSDIFF41" + SoundPatch().substr(8), "not a bsdiff 4 patch"},
        BadPatch{"HeaderCutShort", SoundPatch().substr(0, 20), "shorter than the header"},
        BadPatch{"NegativeNewSize", WithHeaderNumber(SoundPatch(), 24, -8), "negative size"},
        BadPatch{"BlocksPastTheEnd",
                 WithHeaderNumber(SoundPatch(), 16, static_cast<std::int64_t>(SoundPatch().size())),
                 "run past the end of the patch"},
        BadPatch{"NegativeAddLength", Patch({{-1, 2, 0}}, "", "ab", 1), "negative length"},
        BadPatch{"AddPastTheNewSize", Patch({{9, 0, 0}}, std::string(9, '\0'), "", 8),
                 "writes past the end of the new file"},
        BadPatch{"InsertPastTheNewSize", Patch({{5, 4, 0}}, std::string(5, '\0'), "abcd", 8),
                 "writes past the end of the new file"},
        BadPatch{"SeekThatOverflows", Patch({{1, 0, Largest}, {1, 0, 0}}, "ab", "", 2),
                 "moves the old position out of range"},
        BadPatch{"AddThatOverflowsTheOldPosition", Patch({{1, 0, Largest - 1}, {1, 0, 0}}, "ab", "", 2),
                 "moves the old position out of range"},
        BadPatch{"FewerTriplesThanTheNewSize", Patch({{5, 3, 0}}, "abcde", "fgh", 9),
                 "control block ends before the new file is complete"},
        BadPatch{"DiffBlockEndsEarly", Patch({{5, 3, 0}}, "abc", "fgh", 8),
                 "diff block ends before the new file is complete"},
        BadPatch{"ControlBlockCutShort", ControlBlockCutShort(), "control block is cut short"},
        BadPatch{"ExtraBlockEndsEarly", Patch({{5, 3, 0}}, "abcde", "fg", 8),
                 "extra block ends before the new file is complete"},
        BadPatch{"LongControlBlockEndsEarly", LongPatch(Block::None, Block::Control),
                 "control block ends before the new file is complete"},
        BadPatch{"LongDiffBlockEndsEarly", LongPatch(Block::None, Block::Diff),
                 "diff block ends before the new file is complete"},
        BadPatch{"LongExtraBlockEndsEarly", LongPatch(Block::None, Block::Extra),
                 "extra block ends before the new file is complete"},
        BadPatch{"LongControlBlockCutShort", LongPatch(Block::Control, Block::None),
                 "control block is cut short"},
        BadPatch{"LongDiffBlockCutShort", LongPatch(Block::Diff, Block::None), "diff block is cut short"},
        BadPatch{"LongExtraBlockCutShort", LongPatch(Block::Extra, Block::None), "extra block is cut short"},
        BadPatch{"MoreTriplesThanTheNewSizeTakes", Patch({{5, 3, 0}, {1, 0, 0}}, "abcde", "fgh", 8),
                 "control block holds more data than the new file takes"},
        BadPatch{"BytesAfterTheLastBlock", SoundPatch() + "trailing garbage",
                 "extra block has bytes after its compressed data"},
        BadPatch{"DamagedCompressedData", DamagedDiffBlock(), "diff block is not valid bzip2 data"}),
    [](const ::testing::TestParamInfo<BadPatch>& param) { return std::string(param.param.name); });

TEST(WellFormedPatch, IsAppliedByTheSameSetUp) {
    TempDir dir;
    const std::string oldPath = dir.Write("old", OldBytes);
    const std::string patchPath = dir.Write("patch", SoundPatch());
    const ProgramRun run = RunProgram({FC_BSPATCH, oldPath, dir.File("new"), patchPath});
    EXPECT_EQ(run.exitCode, 0) << run.standardError;
    EXPECT_EQ(ReadWholeFile(dir.File("new")), "Uif!pnew");
}

// The long patch whole, so that its damaged forms above fail for their damage alone.
TEST(WellFormedPatch, LongPatchIsApplied) {
    TempDir dir;
    const std::string oldPath = dir.Write("old", OldBytes);
    const std::string patchPath = dir.Write("patch", LongPatch(Block::None, Block::None));
    const ProgramRun run = RunProgram({FC_BSPATCH, oldPath, dir.File("new"), patchPath});
    EXPECT_EQ(run.exitCode, 0) << run.standardError;
    EXPECT_EQ(ReadWholeFile(dir.File("new")).size(), 4000u * 90);
}

}  // namespace

// Every kind of bad input makes our patch tool fail with exit status 1 and one line on standard
// error, and a failure leaves nothing behind: no new file, no other file, the inputs unchanged.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <vector>

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

struct BadPatch {
    const char* name;
    std::function<std::string()> make;
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
    const std::string patch = GetParam().make();
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
        BadPatch{"WrongMagic", [] { return "BSDIFF41" + SoundPatch().substr(8); }, "not a bsdiff 4 patch"},
        BadPatch{"HeaderCutShort", [] { return SoundPatch().substr(0, 20); }, "shorter than the header"},
        BadPatch{"NegativeNewSize", [] { return WithHeaderNumber(SoundPatch(), 24, -8); }, "negative size"},
        BadPatch{
            "BlocksPastTheEnd",
            [] { return WithHeaderNumber(SoundPatch(), 16, static_cast<std::int64_t>(SoundPatch().size())); },
            "run past the end of the patch"},
        BadPatch{"NegativeAddLength",
                 [] {
                     return Patch({{-1, 2, 0}}, "", "ab", 1);
                 },
                 "negative length"},
        BadPatch{"NegativeInsertLength",
                 [] {
                     return Patch({{1, -1, 0}}, "a", "", 1);
                 },
                 "negative length"},
        BadPatch{"AddPastTheNewSize",
                 [] {
                     return Patch({{9, 0, 0}}, std::string(9, '\0'), "", 8);
                 },
                 "writes past the end of the new file"},
        BadPatch{"InsertPastTheNewSize",
                 [] {
                     return Patch({{5, 4, 0}}, std::string(5, '\0'), "abcd", 8);
                 },
                 "writes past the end of the new file"},
        BadPatch{"SeekThatOverflows",
                 [] {
                     return Patch({{1, 0, Largest}, {1, 0, 0}}, "ab", "", 2);
                 },
                 "moves the old position out of range"},
        BadPatch{"AddThatOverflowsTheOldPosition",
                 [] {
                     return Patch({{1, 0, Largest - 1}, {1, 0, 0}}, "ab", "", 2);
                 },
                 "moves the old position out of range"},
        BadPatch{"FewerTriplesThanTheNewSize",
                 [] {
                     return Patch({{5, 3, 0}}, "abcde", "fgh", 9);
                 },
                 "control block ends before the new file is complete"},
        BadPatch{"DiffBlockEndsEarly",
                 [] {
                     return Patch({{5, 3, 0}}, "abc", "fgh", 8);
                 },
                 "diff block ends before the new file is complete"},
        BadPatch{"ExtraBlockEndsEarly",
                 [] {
                     return Patch({{5, 3, 0}}, "abcde", "f", 8);
                 },
                 "extra block ends before the new file is complete"},
        BadPatch{"ControlBlockCutShort",
                 [] {
                     const std::string control = Compress(ControlBytes({{5, 3, 0}}));
                     return AssemblePatch(control.substr(0, control.size() - 10), Compress("abcde"),
                                          Compress("fgh"), 8);
                 },
                 "control block is cut short"},
        BadPatch{"ExtraBlockCutShort", [] { return SoundPatch().substr(0, SoundPatch().size() - 6); },
                 "extra block is cut short"},
        BadPatch{"MoreTriplesThanTheNewSizeTakes",
                 [] {
                     return Patch({{5, 3, 0}, {1, 0, 0}}, "abcdef", "fgh", 8);
                 },
                 "control block holds more data than the new file takes"},
        BadPatch{"MoreDiffBytesThanTheTriplesTake",
                 [] {
                     return Patch({{5, 3, 0}}, "abcdef", "fgh", 8);
                 },
                 "diff block holds more data than the new file takes"},
        BadPatch{"BytesAfterTheLastBlock", [] { return SoundPatch() + "trailing garbage"; },
                 "extra block has bytes after its compressed data"},
        BadPatch{"BytesAfterACompressedStream",
                 [] {
                     const std::string control = Compress(ControlBytes({{5, 3, 0}})) + "junk";
                     return AssemblePatch(control, Compress("abcde"), Compress("fgh"), 8);
                 },
                 "control block has bytes after its compressed data"},
        BadPatch{"DamagedCompressedData",
                 [] {
                     std::string diff = Compress("\x01\x01\x01\x01\x01");
                     diff[20] ^= 0x55;
                     return AssemblePatch(Compress(ControlBytes({{5, 3, 0}})), diff, Compress("new"), 8);
                 },
                 "diff block is not valid bzip2 data"}),
    [](const ::testing::TestParamInfo<BadPatch>& param) { return std::string(param.param.name); });

TEST(WellFormedPatch, IsAppliedByTheSameSetUp) {
    TempDir dir;
    const std::string oldPath = dir.Write("old", OldBytes);
    const std::string patchPath = dir.Write("patch", SoundPatch());
    const ProgramRun run = RunProgram({FC_BSPATCH, oldPath, dir.File("new"), patchPath});
    EXPECT_EQ(run.exitCode, 0) << run.standardError;
    EXPECT_EQ(ReadWholeFile(dir.File("new")), "Uif!pnew");
}

}  // namespace

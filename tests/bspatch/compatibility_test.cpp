// Our patch tool beside Debian's on the same patches: Debian's bsdiff makes them for a handful of
// file pairs; pairs it cannot take (an empty file) or patches it would not write (reads outside
// the old file) are written here. Both tools must give the same new file, and it must be the new
// version.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "tests/core/support/sample_bytes.h"
#include "tests/core/support/temp_dir.h"
#include "tests/support/patch_writer.h"
#include "tests/support/run_program.h"

namespace {

using testing_support::ReadWholeFile;
using testing_support::RunProgram;
using testing_support::SampleBytes;
using testing_support::TempDir;

constexpr const char* DebianTool = "/usr/bin/bspatch";

std::string TextLines(int first, int count) {
    std::string text;
    for (int line = first; line < first + count; ++line)
        text += "Line " + std::to_string(line) + " of the sample text, long enough to be matched.\n";
    return text;
}

// Random data a little over two of the tool's 1 MiB buffers, with changes on both sides of their
// boundaries, an insertion and a deletion.
std::string EditedRandom(const std::string& old) {
    std::string edited = old;
    for (std::size_t at : {std::size_t{1000}, (std::size_t{1} << 20) - 3, (std::size_t{2} << 20) + 7})
        edited.replace(at, 40, SampleBytes(40, static_cast<unsigned>(at)));
    edited.insert(700000, "an insertion in the middle");
    edited.erase(1500000, 5000);
    return edited;
}

std::string ShiftedAndEditedText() {
    std::string text = "A new first paragraph that pushes everything down.\n" + TextLines(0, 3000);
    text.replace(text.find("Line 1200 "), 9, "Row 1200 ");
    text.erase(text.find("Line 2000 "), 5000);
    return text + "A new last line.\n";
}

struct Pair {
    const char* name;
    std::string oldBytes;
    std::string newBytes;
    std::optional<std::string> handMadePatch;  // otherwise Debian's bsdiff makes it
};

// Runs both tools on the patch at `patchPath`: they must agree, write the new version, and leave the
// old file alone.
void ExpectBothToolsWrite(const Pair& pair, const TempDir& dir, const std::string& oldPath,
                          const std::string& patchPath) {
    const auto debian = RunProgram({DebianTool, oldPath, dir.File("debian"), patchPath});
    const auto ours = RunProgram({FC_BSPATCH, oldPath, dir.File("ours"), patchPath});

    ASSERT_EQ(debian.exitCode, 0) << debian.standardError;
    ASSERT_EQ(ours.exitCode, 0) << ours.standardError;
    EXPECT_EQ(ours.standardError + ours.standardOutput, "");
    const std::string ourResult = ReadWholeFile(dir.File("ours"));
    EXPECT_TRUE(ourResult == ReadWholeFile(dir.File("debian"))) << "the two tools disagree";
    EXPECT_TRUE(ourResult == pair.newBytes) << "not the new version";
    EXPECT_EQ(ReadWholeFile(oldPath), pair.oldBytes);
}

class Compatibility : public ::testing::TestWithParam<Pair> {};

TEST_P(Compatibility, OurToolWritesWhatDebiansWrites) {
    const Pair& pair = GetParam();
    TempDir dir;
    const std::string oldPath = dir.Write("old", pair.oldBytes);
    const std::string patchPath = dir.File("patch");
    if (pair.handMadePatch) {
        dir.Write("patch", *pair.handMadePatch);
    } else {
        const std::string newPath = dir.Write("new", pair.newBytes);
        ASSERT_EQ(std::system(("bsdiff '" + oldPath + "' '" + newPath + "' '" + patchPath + "'").c_str()), 0);
    }
    ExpectBothToolsWrite(pair, dir, oldPath, patchPath);
}

using testing_support::ControlTriple;
using testing_support::MakePatch;

// A scattered-copies patch: its old file's size, its number of steps, and how long each step's add
// and insert are.
struct Scatter {
    const char* name;
    std::size_t oldSize;
    int steps;
    std::int64_t (*addLength)(int step, std::mt19937& random);
    std::int64_t (*insertLength)(int step, std::mt19937& random);
};

// Copies from all over the old file, some reaching past its end, each followed by an insert. The new
// version is worked out here from the triples. (Debian's tool adds stray bytes to copies that start
// before a large old file, so those are left to the hand-made case below.)
Pair ScatteredCopies(const Scatter& shape) {
    const std::size_t oldSize = shape.oldSize;
    const std::string old = SampleBytes(oldSize, 4);
    std::mt19937 random(5);
    std::vector<ControlTriple> triples;
    std::string diff;
    std::string extra;
    std::string newBytes;
    std::int64_t oldPosition = 0;
    for (int step = 0; step < shape.steps; ++step) {
        const std::int64_t add = shape.addLength(step, random);
        const std::int64_t insert = shape.insertLength(step, random);
        for (std::int64_t i = 0; i < add; ++i) {
            const auto change = static_cast<char>(random() % 10 == 0 ? random() : 0);
            const std::int64_t at = oldPosition + i;
            diff += change;
            newBytes += at < static_cast<std::int64_t>(oldSize)
                            ? static_cast<char>(old[static_cast<std::size_t>(at)] + change)
                            : change;
        }
        const std::string inserted =
            SampleBytes(static_cast<std::size_t>(insert), static_cast<unsigned>(step));
        extra += inserted;
        newBytes += inserted;
        const auto target = static_cast<std::int64_t>(random() % (oldSize + 100));
        triples.push_back({add, insert, target - (oldPosition + add)});
        oldPosition = target;
    }
    return Pair{shape.name, old, newBytes, MakePatch(triples, diff, extra)};
}

const std::string SampleOld = SampleBytes(300000, 1);
const std::string LargeOld = SampleBytes((std::size_t{2} << 20) + 300000, 2);
const std::string ShortText = TextLines(0, 40);

INSTANTIATE_TEST_SUITE_P(
    Pairs, Compatibility,
    ::testing::Values(Pair{"IdenticalFiles", SampleOld, SampleOld, std::nullopt},
                      Pair{"UnrelatedRandomData", SampleOld, SampleBytes(200000, 3), std::nullopt},
                      Pair{"RandomDataEditedAcrossBufferBoundaries", LargeOld, EditedRandom(LargeOld),
                           std::nullopt},
                      Pair{"ShiftedAndEditedText", TextLines(0, 3000), ShiftedAndEditedText(), std::nullopt},
                      Pair{"EmptyOld", "", ShortText,
                           MakePatch({{0, static_cast<std::int64_t>(ShortText.size()), 0}}, "", ShortText)},
                      Pair{"EmptyNew", ShortText, "", MakePatch({}, "", "")},
                      // Reads before the old file's start and past its end add nothing to the diff bytes.
                      Pair{"ReadsOutsideTheOldFile", "abcdefghij", "bcdeABCDEFbcXYxyzend",
                           MakePatch({{4, 0, -10}, {8, 2, 100}, {3, 0, -95}, {3, 0, 0}},
                                     std::string("\x01\x01\x01\x01"
                                                 "ABCDEF\x01\x01"
                                                 "xyz"
                                                 "end"),
                                     "XY")}),
    [](const ::testing::TestParamInfo<Pair>& param) { return std::string(param.param.name); });

// Generated where it runs, so that the other tests do not wait for these patches.
class ScatteredCopiesCompatibility : public ::testing::TestWithParam<Scatter> {};

TEST_P(ScatteredCopiesCompatibility, OurToolWritesWhatDebiansWrites) {
    const Pair pair = ScatteredCopies(GetParam());
    TempDir dir;
    ExpectBothToolsWrite(pair, dir, dir.Write("old", pair.oldBytes), dir.Write("patch", *pair.handMadePatch));
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ScatteredCopiesCompatibility,
    ::testing::Values(
        // Copies of one byte up to more than the tool's 1 MiB pieces of the old file, with inserts of
        // every size between them: the control, diff and extra streams' 64 KiB pieces, the old file's
        // reading pieces and the new file's 4 MiB buffer are all crossed in the middle of a copy.
        Scatter{"AcrossEveryBuffer", (std::size_t{2} << 20) + 12345, 6000,
                [](int step, std::mt19937& random) -> std::int64_t {
                    return step % 3000 == 7  ? (1 << 20) + 40000 + random() % 1000
                           : step % 300 == 3 ? 65536 + random() % 70000
                                             : 1 + random() % 64;
                },
                [](int step, std::mt19937& random) -> std::int64_t {
                    return step % 400 == 5 ? 65536 + random() % 1000 : random() % 8;
                }},
        // So many copies of a few bytes that the buffer's list of copies fills long before its bytes do.
        Scatter{"ManyTinyCopies", 1 << 20, 200000,
                [](int, std::mt19937& random) -> std::int64_t { return 1 + random() % 8; },
                [](int, std::mt19937& random) -> std::int64_t { return random() % 3; }},
        // Short copies between long inserts: about 130 copies to a buffer, some near enough to share a
        // read, others not.
        Scatter{"ShortCopiesFarApart", 4 << 20, 300,
                [](int, std::mt19937& random) -> std::int64_t { return 16 + random() % 49; },
                [](int, std::mt19937& random) -> std::int64_t { return 30000 + random() % 5000; }}),
    [](const ::testing::TestParamInfo<Scatter>& param) { return std::string(param.param.name); });

}  // namespace

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

using testing_support::ControlTriple;
using testing_support::MakePatch;

// Copies from all over the old file, some reaching before its start or past its end, of one byte
// up to more than the tool's 1 MiB buffers, with inserts of every size between them: the control,
// diff and extra streams' 64 KiB pieces and the old and new files' buffers are all crossed in the
// middle of a copy, many times over. The new version is worked out here from the triples.
Pair ScatteredCopies() {
    const std::string old = SampleBytes((std::size_t{2} << 20) + 12345, 4);
    const auto oldSize = static_cast<std::int64_t>(old.size());
    std::mt19937 random(5);
    std::vector<ControlTriple> triples;
    std::string diff;
    std::string extra;
    std::string newBytes;
    std::int64_t oldPosition = 0;
    for (int step = 0; step < 6000; ++step) {
        const std::int64_t add = step % 3000 == 7   ? (1 << 20) + 40000 + random() % 1000
                                 : step % 300 == 3 ? 65536 + random() % 70000
                                                   : 1 + random() % 64;
        const std::int64_t insert = step % 400 == 5 ? 65536 + random() % 1000 : random() % 8;
        for (std::int64_t i = 0; i < add; ++i) {
            const auto change = static_cast<char>(random() % 10 == 0 ? random() : 0);
            const std::int64_t at = oldPosition + i;
            diff += change;
            newBytes += at >= 0 && at < oldSize ? static_cast<char>(old[static_cast<std::size_t>(at)] + change) : change;
        }
        const std::string inserted = SampleBytes(static_cast<std::size_t>(insert), static_cast<unsigned>(step));
        extra += inserted;
        newBytes += inserted;
        const std::int64_t target = static_cast<std::int64_t>(random() % (old.size() + 200)) - 100;
        triples.push_back({add, insert, target - (oldPosition + add)});
        oldPosition = target;
    }
    return Pair{"ScatteredCopiesAcrossEveryBuffer", old, newBytes, MakePatch(triples, diff, extra)};
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
                                     "XY")},
                      ScatteredCopies()),
    [](const ::testing::TestParamInfo<Pair>& param) { return std::string(param.param.name); });

}  // namespace

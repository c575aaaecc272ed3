// Our patch maker's patches, applied by Debian's patch tool and by ours, give exactly the new
// file, for every shape of pair; and they are about as small as Debian's maker makes them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "tests/core/support/sample_bytes.h"
#include "tests/core/support/temp_dir.h"
#include "tests/support/run_program.h"

namespace {

using testing_support::ReadWholeFile;
using testing_support::RunProgram;
using testing_support::SampleBytes;
using testing_support::TempDir;

constexpr const char* DebianBspatch = "/usr/bin/bspatch";

std::string TextLines(int first, int count) {
    std::string text;
    for (int line = first; line < first + count; ++line)
        text += "Line " + std::to_string(line) + " of the sample text, word " +
                std::to_string(line * 7919 % 1000) + " and so on.\n";
    return text;
}

// Text with a few hundred scattered replacements, insertions and deletions.
std::string EditedText(const std::string& old) {
    std::string text = "A new first paragraph that shifts everything.\n" + old;
    for (std::size_t at = 1000; at + 100 < text.size(); at += 3001) {
        switch (at % 3) {
            case 0:
                text.replace(at, 5, "EDIT!");
                break;
            case 1:
                text.insert(at, "inserted words ");
                break;
            default:
                text.erase(at, 12);
                break;
        }
    }
    return text + "A new last line.\n";
}

// Changes on both sides of the maker's internal boundaries: its compressors' 256 KiB chunks,
// bzip2's 900 000-byte blocks and the 2 MiB steps in which the new file's pages are let go.
std::string EditedAcrossBoundaries(const std::string& old) {
    std::string edited = old;
    for (std::size_t at = 256 * 1024; at + 64 < edited.size(); at += 256 * 1024)
        edited.replace(at - 3, 6, "<edit>");
    for (const std::size_t at :
         {std::size_t{900000}, std::size_t{1800000}, std::size_t{2} << 20, std::size_t{4} << 20})
        edited.replace(at - 20, 40, SampleBytes(40, static_cast<unsigned>(at)));
    edited.insert(3000000, "an insertion");
    edited.erase(3500000, 70000);
    return edited;
}

struct Pair {
    const char* name;
    std::string oldBytes;
    std::string newBytes;
};

const std::string Text = TextLines(0, 20000);
const std::string Random = SampleBytes(5 << 20, 11);

class RoundTrip : public ::testing::TestWithParam<Pair> {};

TEST_P(RoundTrip, BothPatchToolsGiveTheNewFile) {
    const Pair& pair = GetParam();
    TempDir dir;
    const std::string oldPath = dir.Write("old", pair.oldBytes);
    const std::string newPath = dir.Write("new", pair.newBytes);
    const auto made = RunProgram({FC_BSDIFF, oldPath, newPath, dir.File("patch")});
    ASSERT_EQ(made.exitCode, 0) << made.standardError;
    EXPECT_EQ(made.standardError + made.standardOutput, "");
    EXPECT_EQ(dir.Entries(), (std::set<std::string>{"new", "old", "patch"})) << "a temporary file was left";

    for (const char* tool : {DebianBspatch, FC_BSPATCH}) {
        const auto applied = RunProgram({tool, oldPath, dir.File("result"), dir.File("patch")});
        ASSERT_EQ(applied.exitCode, 0) << tool << ": " << applied.standardError;
        EXPECT_TRUE(ReadWholeFile(dir.File("result")) == pair.newBytes)
            << tool << " did not give the new file";
    }
    EXPECT_EQ(ReadWholeFile(oldPath), pair.oldBytes);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, RoundTrip,
    ::testing::Values(Pair{"EmptyOld", "", Text.substr(0, 5000)}, Pair{"EmptyNew", Text.substr(0, 5000), ""},
                      Pair{"BothEmpty", "", ""}, Pair{"OneByteEach", "a", "b"}, Pair{"Identical", Text, Text},
                      Pair{"UnrelatedRandom", SampleBytes(300000, 1), SampleBytes(200000, 2)},
                      Pair{"EditedText", Text, EditedText(Text)},
                      Pair{"EditsAcrossBufferBoundaries", Random, EditedAcrossBoundaries(Random)},
                      Pair{"RepeatedBytes", std::string(100000, 'x'),
                           std::string(50000, 'x') + "y" + std::string(70000, 'x')}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// The same search as Debian's bsdiff: on edited data our patch is at most 2 % larger.
TEST(PatchSize, IsCloseToDebiansMaker) {
    for (const auto& [old, edited] :
         {std::pair{Text, EditedText(Text)}, std::pair{Random, EditedAcrossBoundaries(Random)}}) {
        TempDir dir;
        const std::string oldPath = dir.Write("old", old);
        const std::string newPath = dir.Write("new", edited);
        ASSERT_EQ(RunProgram({FC_BSDIFF, oldPath, newPath, dir.File("ours")}).exitCode, 0);
        ASSERT_EQ(RunProgram({"/usr/bin/bsdiff", oldPath, newPath, dir.File("debian")}).exitCode, 0);
        const std::size_t ours = ReadWholeFile(dir.File("ours")).size();
        const std::size_t debian = ReadWholeFile(dir.File("debian")).size();
        EXPECT_LE(ours * 100, debian * 102) << "ours " << ours << " bytes, Debian's " << debian;
    }
}

}  // namespace

#include "core/identification.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/core/support/temp_dir.h"

namespace {

core::FileInfo Entry(const std::string& fileName, const std::string& version) {
    core::FileInfo entry;
    entry.FileName = fileName;
    entry.Version = version;
    return entry;
}

// Catalogue texts that lead the patch path through "..": each names a file that exists outside
// the extraction directory, and must still count as missing.
TEST(PatchFileExists, APathThatClimbsOutOfTheExtractionDirectoryCountsAsMissing) {
    const testing_support::TempDir dir;
    const std::string extraction = dir.File("set");
    std::filesystem::create_directories(extraction + "/letter_1_x/inner");
    dir.Write("escaped.bsdiff", "outside");
    dir.Write("letter_1_2.bsdiff", "outside");
    dir.Write("set/letter_1_x/inner.bsdiff", "inside");
    dir.Write("set/letter_1_x/inner/2.bsdiff", "inside");

    struct Case {
        core::FileInfo source, target;
        bool exists;
    };
    const Case cases[] = {
        {Entry("letter.txt", "1"), Entry("letter.txt", "x/../../escaped"), false},
        {Entry("../letter.txt", "1"), Entry("letter.txt", "2"), false},
        {Entry("letter.txt", "1"), Entry("letter.txt", "x/inner/../../../escaped"), false},
        {Entry("letter.txt", "1"), Entry("letter.txt", "x/inner"), true},  // a subdirectory stays inside
        {Entry("letter.txt", "1"), Entry("letter.txt", "x/inner/2"), true},
        {Entry("letter.txt", "1"), Entry("letter.txt", "x/./inner"), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(core::PatchFileExists(extraction, c.source, c.target), c.exists)
            << core::PatchFileName(extraction, c.source, c.target);
    }
}

}  // namespace

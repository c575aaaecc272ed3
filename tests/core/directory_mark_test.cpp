#include "platform/directory_mark.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

#include "tests/core/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

std::set<std::string> Entries(const std::string& directory) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.insert(entry.path().filename().string());
    return names;
}

// A directory left behind by a run that was killed: marked, but nobody holds the mark.
void MakeAbandoned(const std::string& directory) {
    fs::create_directory(directory);
    (void)platform::MarkDirectoryInUse(directory);  // released at once, as by the run's death
    std::ofstream(directory + "/patchinfo.ini") << "left behind";
}

TEST(DirectoryMark, TheMarkedDirectoryOfALivingRunIsKept) {
    const TempDir temp;
    fs::create_directory(temp.File("convert"));
    const auto mark = platform::MarkDirectoryInUse(temp.File("convert"));
    ASSERT_TRUE(mark.has_value());
    EXPECT_EQ(Entries(temp.File("convert")), std::set<std::string>{".extraction-in-use"});

    platform::RemoveAbandonedDirectories(temp.path(), "convert");
    EXPECT_TRUE(fs::exists(temp.File("convert")));
}

// Only directories of this program's name, of this user, carrying an unheld mark go; nothing
// that only looks like one, and nothing a link leads to.
TEST(DirectoryMark, OnlyAbandonedDirectoriesOfThisProgramAndUserAreRemoved) {
    const TempDir temp;
    MakeAbandoned(temp.File("convert"));
    MakeAbandoned(temp.File("convert12"));
    MakeAbandoned(temp.File("converter"));  // another program's name
    MakeAbandoned(temp.File("convert-1"));
    MakeAbandoned(temp.File("elsewhere"));
    fs::create_directory_symlink(temp.File("elsewhere"), temp.File("convert3"));
    fs::create_directory(temp.File("convert4"));  // never marked
    fs::create_directory(temp.File("convert5"));
    fs::create_symlink(temp.File("converter/.extraction-in-use"), temp.File("convert5/.extraction-in-use"));
    std::ofstream(temp.File("convert6")) << "a file of that name";
    std::set<std::string> expected = {"converter", "convert-1", "elsewhere", "convert3",
                                      "convert4",  "convert5",  "convert6"};
    if (geteuid() == 0) {
        MakeAbandoned(temp.File("convert7"));  // another user's
        ASSERT_EQ(chown(temp.File("convert7").c_str(), 65534, 65534), 0);
        expected.insert("convert7");
    }

    platform::RemoveAbandonedDirectories(temp.path(), "convert");

    EXPECT_EQ(Entries(temp.path()), expected);
    EXPECT_TRUE(fs::exists(temp.File("elsewhere/patchinfo.ini")));
    EXPECT_TRUE(fs::exists(temp.File("converter/.extraction-in-use")));
}

}  // namespace

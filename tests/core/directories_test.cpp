#include "core/directories.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/core/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

TEST(CreateDirectoryPath, CreatesEveryMissingParentPrivately) {
    TempDir dir;
    ASSERT_TRUE(core::CreateDirectoryPath(dir.File("a/b/c/")));
    for (const char* created : {"a", "a/b", "a/b/c"}) {
        ASSERT_TRUE(fs::is_directory(dir.File(created))) << created;
        EXPECT_EQ(fs::status(dir.File(created)).permissions(), fs::perms::owner_all) << created;
    }
    EXPECT_TRUE(core::CreateDirectoryPath(dir.File("a/b")));
    EXPECT_TRUE(core::CreateDirectoryPath("/"));
}

TEST(CreateDirectoryPath, FailsBelowAFileAndForAnEmptyText) {
    TempDir dir;
    dir.Write("file", "");
    EXPECT_FALSE(core::CreateDirectoryPath(dir.File("file/sub/deeper")));
    EXPECT_FALSE(core::CreateDirectoryPath(dir.File("file")));
    EXPECT_FALSE(core::CreateDirectoryPath(""));
}

TEST(CreateDirectoryPath, TextsShorterThanThreeCountAsExisting) {
    TempDir dir;
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    const bool created = core::CreateDirectoryPath("ab/");
    fs::current_path(previous);
    EXPECT_TRUE(created);
    EXPECT_FALSE(fs::exists(dir.File("ab")));
}

}  // namespace

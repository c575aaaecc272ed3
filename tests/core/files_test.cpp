#include "platform/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>

#include "platform/file.h"
#include "tests/core/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

void SetLocalModificationTime(const std::string& path, int year, int month, int day) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = 12;
    local.tm_isdst = -1;
    const timespec times[2] = {{0, UTIME_OMIT}, {std::mktime(&local), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Root ignores permissions, so the action runs as an ordinary user who owns the whole directory.
void RunUnprivileged(const TempDir& dir, const std::function<void()>& action) {
    if (geteuid() != 0) return action();
    constexpr uid_t nobody = 65534;
    ASSERT_EQ(lchown(dir.path().c_str(), nobody, nobody), 0);
    for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
        ASSERT_EQ(lchown(entry.path().c_str(), nobody, nobody), 0);
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(nobody) == 0 && setuid(nobody) == 0) action();
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
}

TEST(IsExistingFile, NeedsANonDirectoryDatedFrom1980To2107) {
    TempDir dir;
    const std::string file = dir.Write("file.txt", "x");
    EXPECT_TRUE(platform::IsExistingFile(file));
    EXPECT_FALSE(platform::IsExistingFile(dir.path()));
    EXPECT_FALSE(platform::IsExistingFile(dir.File("missing")));
    EXPECT_FALSE(platform::IsExistingFile(file + "/"));

    SetLocalModificationTime(file, 1979, 12, 31);
    EXPECT_FALSE(platform::IsExistingFile(file));
    SetLocalModificationTime(file, 1980, 1, 2);
    EXPECT_TRUE(platform::IsExistingFile(file));
    SetLocalModificationTime(file, 2108, 1, 2);
    EXPECT_FALSE(platform::IsExistingFile(file));

    fs::create_symlink("missing", dir.File("dangling"));
    EXPECT_FALSE(platform::IsExistingFile(dir.File("dangling")));
}

TEST(Wildcards, FirstMatchInNameOrderInTheLastComponentOnly) {
    TempDir dir;
    dir.Write("b.txt", "");
    dir.Write("a.txt", "");
    dir.Write("c.dat", "");
    dir.Write("[x].log", "");
    fs::create_directory(dir.File("sub1"));
    dir.Write("sub2", "");

    EXPECT_EQ(platform::ActualFileName(dir.File("*.txt")), dir.File("a.txt"));
    EXPECT_EQ(platform::ActualFileName(dir.File("?.d*")), dir.File("c.dat"));
    EXPECT_EQ(platform::ActualFileName(dir.File("[?].log")), dir.File("[x].log"));
    EXPECT_EQ(platform::ActualFileName(dir.File("*.none")), dir.File("*.none"));
    EXPECT_EQ(platform::ActualFileName(dir.File("A.txt")), dir.File("A.txt"));
    EXPECT_TRUE(platform::IsExistingFile(dir.File("*.t?t")));
    EXPECT_FALSE(platform::IsExistingFile(dir.File("sub*")));  // the first match is a directory
    EXPECT_FALSE(platform::IsExistingFile(dir.path() + "/s*/x"));
}

TEST(DeleteDirectoryTree, RemovesReadOnlyEntriesAndNeverFollowsLinks) {
    TempDir dir;
    const std::string outside = dir.File("outside");
    fs::create_directories(outside + "/keep");
    dir.Write("outside/precious", "keep me");
    const std::string tree = dir.File("tree");
    fs::create_directories(tree + "/locked/deeper");
    dir.Write("tree/locked/deeper/file", "x");
    dir.Write("tree/readonly", "x");
    fs::create_directory(tree + "/closed");
    dir.Write("tree/closed/file", "x");
    fs::create_directory_symlink(outside, tree + "/link-to-dir");
    fs::create_symlink(outside + "/precious", tree + "/link-to-file");
    fs::create_symlink(outside, dir.File("top-link"));
    chmod((tree + "/readonly").c_str(), 0400);
    chmod((tree + "/locked/deeper").c_str(), 0500);
    chmod((tree + "/locked").c_str(), 0500);
    chmod((tree + "/closed").c_str(), 0);

    RunUnprivileged(dir, [&] {
        platform::DeleteDirectoryTree(tree);
        platform::DeleteDirectoryTree(dir.File("top-link"));
    });

    EXPECT_FALSE(fs::exists(fs::symlink_status(tree)));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir.File("top-link"))));
    EXPECT_EQ(testing_support::ReadWholeFile(outside + "/precious"), "keep me");
    EXPECT_TRUE(fs::is_directory(outside + "/keep"));
}

TEST(MakeDirectory, CreatesWithTheModeAndRefusesAnyExistingName) {
    TempDir dir;
    ASSERT_EQ(platform::MakeDirectory(dir.File("new"), 0700), platform::MakeDirectoryResult::Created);
    EXPECT_EQ(fs::status(dir.File("new")).permissions(), fs::perms::owner_all);
    fs::create_symlink("nowhere", dir.File("dangling"));
    dir.Write("file", "");
    for (const char* name : {"new", "dangling", "file"})
        EXPECT_EQ(platform::MakeDirectory(dir.File(name), 0700), platform::MakeDirectoryResult::AlreadyExists)
            << name;
    EXPECT_EQ(platform::MakeDirectory(dir.File("no/parent"), 0700), platform::MakeDirectoryResult::Failed);
    EXPECT_TRUE(platform::DirectoryExists(dir.File("new")));
    EXPECT_FALSE(platform::DirectoryExists(dir.File("file")));
}

// Without replacing, anything at the target (a dangling link too) refuses the move with the
// system's reason and both files stay as they were.
TEST(MoveIntoPlace, ReplacesOnlyWhenAskedAndSaysWhyItDidNotMove) {
    TempDir dir;
    const std::string result = dir.Write("result", "new");
    fs::create_symlink("nowhere", dir.File("dangling"));
    dir.Write("taken", "old");
    for (const char* name : {"dangling", "taken"})
        EXPECT_EQ(platform::MoveIntoPlace(result, dir.File(name), false), std::errc::file_exists) << name;
    EXPECT_EQ(testing_support::ReadWholeFile(dir.File("taken")), "old");

    EXPECT_FALSE(platform::MoveIntoPlace(result, dir.File("free"), false));
    EXPECT_FALSE(platform::MoveIntoPlace(dir.File("free"), dir.File("taken"), true));
    EXPECT_EQ(testing_support::ReadWholeFile(dir.File("taken")), "new");
    EXPECT_EQ(platform::MoveIntoPlace(result, dir.File("other"), false),
              std::errc::no_such_file_or_directory);
    EXPECT_EQ(dir.Entries(), (std::set<std::string>{"dangling", "taken"}));
}

TEST(ModificationTime, SetsTheLocalTimeAndLeavesTheAccessTime) {
    TempDir dir;
    const std::string file = dir.Write("f", "x");
    const timespec accessed[2] = {{1000000000, 0}, {0, UTIME_OMIT}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), accessed, 0), 0);

    ASSERT_TRUE(platform::SetModificationTime(file, {2004, 3, 1, 13, 5, 8}));
    const auto time = platform::ModificationTime(file);
    ASSERT_TRUE(time);
    EXPECT_EQ(std::tie(time->year, time->month, time->day, time->hour, time->minute, time->second),
              std::make_tuple(2004, 3, 1, 13, 5, 8));
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_atim.tv_sec, 1000000000);

    EXPECT_FALSE(platform::SetModificationTime(file, {2003, 2, 30, 0, 0, 0}));
    EXPECT_EQ(platform::ModificationTime(file)->year, 2004);
    EXPECT_FALSE(platform::SetModificationTime(dir.File("missing"), {2004, 3, 1, 0, 0, 0}));
}

TEST(Environment, TempFolderExecutableAndRemoval) {
    const char* saved = std::getenv("TMPDIR");
    const std::string previous = saved ? saved : "";
    setenv("TMPDIR", "", 1);
    EXPECT_EQ(platform::TempFolder(), "/tmp");
    setenv("TMPDIR", "/var/tmp/x y", 1);
    EXPECT_EQ(platform::TempFolder(), "/var/tmp/x y");
    // A relative folder is taken from the current directory, whatever directory a child runs in.
    setenv("TMPDIR", "relative/tmp", 1);
    EXPECT_EQ(platform::TempFolder(), (fs::current_path() / "relative/tmp").string());
    if (saved)
        setenv("TMPDIR", previous.c_str(), 1);
    else
        unsetenv("TMPDIR");

    const std::string executable = platform::ExecutablePath();
    EXPECT_EQ(executable.front(), '/');
    EXPECT_EQ(fs::path(executable).filename(), "core_files_test");

    TempDir dir;
    const std::string file = dir.Write("f", "");
    EXPECT_TRUE(platform::RemoveFile(file));
    EXPECT_FALSE(platform::RemoveFile(file));
    EXPECT_FALSE(platform::RemoveFile(dir.path()));
}

}  // namespace

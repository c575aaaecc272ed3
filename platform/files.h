#pragma once
// File and directory services of the operating system, in the terms the program needs.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// A broken-down local date and time (month 1-12, day 1-31).
struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// True when the path (wildcards '*' and '?' allowed in its last component) names an entry that
// is not a directory and whose modification time, in local time, lies in the years 1980-2107.
[[nodiscard]] bool IsExistingFile(const std::string& path);
[[nodiscard]] bool DirectoryExists(const std::string& path);
// True when something other than a directory stands at the path, links followed; no wildcards.
[[nodiscard]] bool IsFileEntry(const std::string& path);
// True when both paths exist and lead to one file (same device and inode), links followed: another
// spelling of a path, a symbolic link to a file or a hard link of it is that file.
[[nodiscard]] bool AreSameFile(const std::string& first, const std::string& second);

enum class MakeDirectoryResult { Created, AlreadyExists, Failed };
// Creates one directory with the given mode; fails with AlreadyExists when the name exists in any form.
[[nodiscard]] MakeDirectoryResult MakeDirectory(const std::string& path, unsigned mode);

// A file opened as a C stream for reading; it is closed when the pointer goes.
using FileStream = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
// Opens an existing regular file for reading without waiting for anything: a FIFO, a device or a
// directory at the path (links followed) gives null at once, as does a missing file.
[[nodiscard]] FileStream OpenRegularFileStream(const std::string& path);

// Removes the directory and everything below it; symbolic links are removed, never followed.
void DeleteDirectoryTree(const std::string& path);

// The path with its last component written as found on disk (first wildcard match in name order).
[[nodiscard]] std::string ActualFileName(const std::string& path);

// $TMPDIR when set and not empty, else /tmp; a relative $TMPDIR is made absolute.
[[nodiscard]] std::string TempFolder();

// The running executable's real path.
[[nodiscard]] std::string ExecutablePath();

[[nodiscard]] std::optional<LocalTime> ModificationTime(const std::string& path);
// Sets the modification time from a local date and time; the access time is left alone.
[[nodiscard]] bool SetModificationTime(const std::string& path, const LocalTime& time);

[[nodiscard]] bool RemoveFile(const std::string& path);
// Removes a directory that holds nothing.
[[nodiscard]] bool RemoveEmptyDirectory(const std::string& path);

}  // namespace platform

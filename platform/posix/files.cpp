#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string_view>
#include <vector>

namespace platform {

namespace {

// The years an MS-DOS date and time can hold; a file dated outside them counts as missing.
constexpr int FirstDosYear = 1980;
constexpr int LastDosYear = 2107;

struct PathParts {
    std::string directory;  // up to and including the last '/', empty when there is none
    std::string name;
};

PathParts SplitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {"", path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

bool HasWildcard(std::string_view name) { return name.find_first_of("*?") != std::string_view::npos; }

// '*' matches any run of characters, '?' any one character; every other byte matches itself.
bool MatchesPattern(std::string_view name, std::string_view pattern) {
    std::size_t n = 0, p = 0;
    std::size_t starPattern = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starName = n;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<std::string> DirectoryEntries(DIR* dir) {
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    return names;
}

// The first entry of the directory, in name order, that matches the wildcard pattern.
std::optional<std::string> FirstMatch(const std::string& directory, const std::string& pattern) {
    DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
    if (!dir) return std::nullopt;
    std::vector<std::string> names = DirectoryEntries(dir);
    closedir(dir);
    std::sort(names.begin(), names.end());
    const auto match = std::find_if(names.begin(), names.end(),
                                    [&](const std::string& name) { return MatchesPattern(name, pattern); });
    if (match == names.end()) return std::nullopt;
    return *match;
}

// The full path of the entry a directory search for `path` finds first, if any.
std::optional<std::string> FindFirstEntry(const std::string& path) {
    const PathParts parts = SplitPath(path);
    if (!HasWildcard(parts.name)) {
        struct stat info {};
        if (parts.name.empty() || lstat(path.c_str(), &info) != 0) return std::nullopt;
        return path;
    }
    const std::optional<std::string> name = FirstMatch(parts.directory, parts.name);
    if (!name) return std::nullopt;
    return parts.directory + *name;
}

std::optional<LocalTime> LocalModificationTime(const struct stat& info) {
    std::tm local{};
    if (!localtime_r(&info.st_mtime, &local)) return std::nullopt;
    return LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                     local.tm_hour,        local.tm_min,     local.tm_sec};
}

void RemoveDirectoryContents(int directoryFd);

// Removes `name` inside the directory open as `parentFd`. A directory is made accessible and
// emptied first; anything else, a symbolic link included, is unlinked itself. Failures are ignored.
void RemoveEntryAt(int parentFd, const char* name) {
    struct stat info {};
    if (fstatat(parentFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return;
    if (!S_ISDIR(info.st_mode)) {
        unlinkat(parentFd, name, 0);
        return;
    }
    fchmodat(parentFd, name, (info.st_mode & 07777) | S_IRWXU, 0);
    const int fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) RemoveDirectoryContents(fd);
    unlinkat(parentFd, name, AT_REMOVEDIR);
}

// Takes ownership of `directoryFd`.
void RemoveDirectoryContents(int directoryFd) {
    DIR* dir = fdopendir(directoryFd);
    if (!dir) {
        close(directoryFd);
        return;
    }
    for (const std::string& name : DirectoryEntries(dir)) RemoveEntryAt(dirfd(dir), name.c_str());
    closedir(dir);
}

}  // namespace

bool IsExistingFile(const std::string& path) {
    const std::optional<std::string> entry = FindFirstEntry(path);
    struct stat info {};
    if (!entry || stat(entry->c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
    const std::optional<LocalTime> time = LocalModificationTime(info);
    return time && time->year >= FirstDosYear && time->year <= LastDosYear;
}

bool DirectoryExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsFileEntry(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

FileStream OpenRegularFileStream(const std::string& path) {
    FileStream none(nullptr, std::fclose);
    // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; it is off again for the reads.
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0) return none;
    struct stat info {};
    const int flags = fcntl(descriptor, F_GETFL);
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) || flags < 0 ||
        fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(descriptor);
        return none;
    }
    FileStream stream(fdopen(descriptor, "rb"), std::fclose);
    if (!stream) close(descriptor);
    return stream;
}

bool AreSameFile(const std::string& first, const std::string& second) {
    struct stat firstInfo {};
    struct stat secondInfo {};
    return stat(first.c_str(), &firstInfo) == 0 && stat(second.c_str(), &secondInfo) == 0 &&
           firstInfo.st_dev == secondInfo.st_dev && firstInfo.st_ino == secondInfo.st_ino;
}

MakeDirectoryResult MakeDirectory(const std::string& path, unsigned mode) {
    if (mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0) return MakeDirectoryResult::Created;
    return errno == EEXIST ? MakeDirectoryResult::AlreadyExists : MakeDirectoryResult::Failed;
}

// Only a directory or a symbolic link is removed; a link is never followed.
void DeleteDirectoryTree(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !(S_ISDIR(info.st_mode) || S_ISLNK(info.st_mode))) return;
    RemoveEntryAt(AT_FDCWD, path.c_str());
}

std::string ActualFileName(const std::string& path) { return FindFirstEntry(path).value_or(path); }

std::string TempFolder() {
    const char* folder = std::getenv("TMPDIR");
    const std::string path = folder && *folder ? folder : "/tmp";
    // Made absolute against the current directory, since the programs started in the folder
    // later run in another one.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

std::string ExecutablePath() {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return {};
        if (static_cast<std::size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(length));
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::optional<LocalTime> ModificationTime(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return std::nullopt;
    return LocalModificationTime(info);
}

bool SetModificationTime(const std::string& path, const LocalTime& time) {
    std::tm local{};
    local.tm_year = time.year - 1900;
    local.tm_mon = time.month - 1;
    local.tm_mday = time.day;
    local.tm_hour = time.hour;
    local.tm_min = time.minute;
    local.tm_sec = time.second;
    local.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&local);
    // mktime moves a date that does not exist (30 February) into the next month: refuse it.
    const bool sameDate =
        local.tm_year == time.year - 1900 && local.tm_mon == time.month - 1 && local.tm_mday == time.day;
    if (seconds == static_cast<std::time_t>(-1) || !sameDate) return false;
    const timespec times[2] = {{0, UTIME_OMIT}, {seconds, 0}};
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool RemoveEmptyDirectory(const std::string& path) { return rmdir(path.c_str()) == 0; }

}  // namespace platform

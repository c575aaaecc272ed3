#include "platform/directory_mark.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files.h"

namespace platform {

namespace {

constexpr const char* MarkerName = ".extraction-in-use";
constexpr const char* UnlockedMarkerName = ".extraction-in-use.new";

// Closes the descriptor when the scope ends.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

bool IsRunName(std::string_view name, std::string_view base) {
    if (!name.starts_with(base)) return false;
    const std::string_view number = name.substr(base.size());
    return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> MatchingNames(int folderFd, std::string_view base) {
    std::vector<std::string> names;
    const int scanFd = ::dup(folderFd);
    DIR* folder = scanFd >= 0 ? ::fdopendir(scanFd) : nullptr;
    if (!folder) {
        if (scanFd >= 0) ::close(scanFd);
        return names;
    }
    while (const dirent* entry = ::readdir(folder)) {
        if (IsRunName(entry->d_name, base)) names.emplace_back(entry->d_name);
    }
    ::closedir(folder);
    return names;
}

bool SameEntry(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The locked marker of an abandoned directory of ours; -1 when `name` is anything else.
int LockAbandonedMarker(int folderFd, const std::string& name) {
    struct stat entry {};
    if (::fstatat(folderFd, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(entry.st_mode) ||
        entry.st_uid != ::geteuid())
        return -1;
    const Descriptor directory(
        ::openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat opened {};
    if (directory.get() < 0 || ::fstat(directory.get(), &opened) != 0 || !SameEntry(entry, opened)) return -1;
    Descriptor marker(::openat(directory.get(), MarkerName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat markerStatus {};
    if (marker.get() < 0 || ::fstat(marker.get(), &markerStatus) != 0 || !S_ISREG(markerStatus.st_mode))
        return -1;
    if (::flock(marker.get(), LOCK_EX | LOCK_NB) != 0) return -1;  // a running program holds it
    return marker.release();
}

}  // namespace

DirectoryMark::DirectoryMark(DirectoryMark&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)) {}

DirectoryMark& DirectoryMark::operator=(DirectoryMark&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) ::close(descriptor_);
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

DirectoryMark::~DirectoryMark() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

std::optional<DirectoryMark> MarkDirectoryInUse(const std::string& directory) {
    const Descriptor folder(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.get() < 0) return std::nullopt;
    Descriptor marker(
        ::openat(folder.get(), UnlockedMarkerName, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (marker.get() < 0) return std::nullopt;
    // Locked before it takes the name a later run looks for, so that no run ever sees it unlocked.
    if (::flock(marker.get(), LOCK_EX | LOCK_NB) != 0 ||
        ::renameat(folder.get(), UnlockedMarkerName, folder.get(), MarkerName) != 0) {
        ::unlinkat(folder.get(), UnlockedMarkerName, 0);
        return std::nullopt;
    }
    return DirectoryMark(marker.release());
}

void RemoveAbandonedDirectories(const std::string& folder, const std::string& base) {
    const Descriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.get() < 0 || base.empty()) return;
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    for (const std::string& name : MatchingNames(folderFd.get(), base)) {
        // The lock is held while the directory goes, so that no other run takes it for its own.
        const Descriptor marker(LockAbandonedMarker(folderFd.get(), name));
        if (marker.get() >= 0) DeleteDirectoryTree(prefix + name);
    }
}

}  // namespace platform

#include "platform/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <random>
#include <string_view>
#include <utility>

namespace platform {

static_assert(sizeof(off_t) == 8, "sizes and positions of files over 4 GiB need a 64-bit off_t");

namespace {

FileTime FromTimespec(const timespec& time) { return FileTime{time.tv_sec, time.tv_nsec}; }

}  // namespace

FileTime CurrentFileTime() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return FromTimespec(now);
}

std::optional<File> File::OpenRegularForReading(const std::string& path) {
    // O_NONBLOCK keeps the open from waiting for a writer when the name is a FIFO; it is
    // switched off again once the name turned out to be a regular file.
    File file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.descriptor_ < 0) return std::nullopt;
    struct stat status {};
    if (::fstat(file.descriptor_, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    const int flags = ::fcntl(file.descriptor_, F_GETFL);
    if (flags < 0 || ::fcntl(file.descriptor_, F_SETFL, flags & ~O_NONBLOCK) != 0) return std::nullopt;
    return file;
}

std::optional<File> File::OpenForChecksum(const std::string& path) {
    std::optional<File> file = OpenRegularForReading(path);
    if (!file || ::flock(file->descriptor_, LOCK_EX | LOCK_NB) != 0) return std::nullopt;
    return file;
}

bool File::IsLockedByAnotherProcess(const std::string& path) {
    const std::optional<File> file = OpenRegularForReading(path);
    return file && ::flock(file->descriptor_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

File File::FromDescriptor(int descriptor) { return File(descriptor); }

File::File(File&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

File::~File() { Close(); }

void File::Close() {
    // Closing the descriptor also releases the lock.
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
}

std::int64_t File::Read(std::span<std::uint8_t> buffer) {
    ssize_t count;
    do {
        count = ::read(descriptor_, buffer.data(), buffer.size());
    } while (count < 0 && errno == EINTR);
    return count;
}

std::optional<std::uint64_t> File::Size() const {
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(status.st_size);
}

std::optional<FileIdentity> File::Identity() const {
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0) return std::nullopt;
    return FileIdentity{
        .device = static_cast<std::uint64_t>(status.st_dev),
        .inode = static_cast<std::uint64_t>(status.st_ino),
        .size = static_cast<std::uint64_t>(status.st_size),
        .modified = FromTimespec(status.st_mtim),
        .changed = FromTimespec(status.st_ctim),
    };
}

std::optional<std::uint64_t> File::Position() const {
    const off_t position = ::lseek(descriptor_, 0, SEEK_CUR);
    if (position < 0) return std::nullopt;
    return static_cast<std::uint64_t>(position);
}

bool File::Seek(std::uint64_t position) {
    return ::lseek(descriptor_, static_cast<off_t>(position), SEEK_SET) >= 0;
}

void File::AdviseSequentialReading() { (void)::posix_fadvise(descriptor_, 0, 0, POSIX_FADV_SEQUENTIAL); }

// --- Shared reading and writing, used by the conversion run ---

std::optional<File> File::OpenForReading(const std::string& path) {
    // O_NONBLOCK: a FIFO fails its reads rather than stopping the window until a writer comes.
    File file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.descriptor_ < 0) return std::nullopt;
    return file;
}

std::optional<File> File::CreateAfresh(const std::string& path) {
    // Whoever planted a link here must not get our bytes written through it.
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode)) ::unlink(path.c_str());
    File file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600));
    if (file.descriptor_ < 0) return std::nullopt;
    return file;
}

std::optional<File> File::OpenForShortening(const std::string& path) {
    File file(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK));
    struct stat status {};
    if (file.descriptor_ < 0 || ::fstat(file.descriptor_, &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return file;
}

bool File::WriteAll(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t count = ::write(descriptor_, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(count));
    }
    return true;
}

bool File::CopyFrom(File& source, std::span<std::uint8_t> buffer) {
    std::size_t moved = 0;
    while (moved < buffer.size()) {
        const ssize_t count =
            ::copy_file_range(source.descriptor_, nullptr, descriptor_, nullptr, buffer.size() - moved, 0);
        if (count < 0 && errno == EINTR) continue;
        // Not offered for these two files, or nothing more to take: reading and writing decide.
        if (count <= 0) break;
        moved += static_cast<std::size_t>(count);
    }
    const std::span<std::uint8_t> rest = buffer.subspan(moved);
    return rest.empty() || (source.Read(rest) == static_cast<std::int64_t>(rest.size()) && WriteAll(rest));
}

bool File::SyncRange(std::uint64_t offset, std::uint64_t length) {
    constexpr unsigned WriteAndWait =
        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
    return ::sync_file_range(descriptor_, static_cast<off_t>(offset), static_cast<off_t>(length),
                             WriteAndWait) == 0;
}

bool File::Sync() { return ::fsync(descriptor_) == 0; }

bool File::Truncate(std::uint64_t size) { return ::ftruncate(descriptor_, static_cast<off_t>(size)) == 0; }

namespace {

// Six characters drawn from letters and digits, enough that a clash is rare; a clash is retried.
std::string RandomSuffix() {
    static constexpr std::string_view Alphabet =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    std::uniform_int_distribution<std::size_t> pick(0, Alphabet.size() - 1);
    std::string suffix(6, ' ');
    for (char& c : suffix) c = Alphabet[pick(random)];
    return suffix;
}

// The directory part of a path, up to and including its last '/'; empty when there is none.
std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The owner and group are kept where the process may set them (the owner only by a privileged
// process, the group by any member of it); the permission bits come last, since a change of
// owner clears the set-user-id bit.
bool ApplyAttributes(int descriptor, const FileAttributes& attributes) {
    if (attributes.owner || attributes.group) {
        const auto owner = attributes.owner ? static_cast<uid_t>(*attributes.owner) : static_cast<uid_t>(-1);
        const auto group = attributes.group ? static_cast<gid_t>(*attributes.group) : static_cast<gid_t>(-1);
        if (::fchown(descriptor, owner, group) != 0)
            (void)::fchown(descriptor, static_cast<uid_t>(-1), group);
    }
    return ::fchmod(descriptor, static_cast<mode_t>(attributes.permissions)) == 0;
}

std::error_code SystemError(int number) { return {number, std::generic_category()}; }

// Waits until the directory's entries are on the disk; nothing is left to do when it fails.
void SyncDirectory(const std::string& directory) {
    const int descriptor =
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    (void)::fsync(descriptor);
    ::close(descriptor);
}

// The target of the symbolic link at `path`, empty when it cannot be read.
std::string LinkText(const std::string& path) {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (length <= 0) return {};
        if (static_cast<std::size_t>(length) < buffer.size())
            return buffer.substr(0, static_cast<std::size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

// As many links as the kernel follows in one path before it gives up.
constexpr int MaxLinkHops = 40;

}  // namespace

bool File::GiveAttributes(const FileAttributes& attributes) {
    return ApplyAttributes(descriptor_, attributes);
}

std::optional<FileAttributes> AttributesToKeep(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    return FileAttributes{status.st_mode & 07777, status.st_uid, status.st_gid};
}

std::optional<FileAttributes> PermissionsFrom(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return FileAttributes{status.st_mode & 0777, std::nullopt, std::nullopt};
}

std::variant<std::string, std::error_code> CreatePrivateDirectoryBeside(const std::string& path) {
    const std::string directory = DirectoryOf(path);
    const std::string name = path.substr(directory.size());
    constexpr int Attempts = 100;
    constexpr std::size_t MaxNameStem = 200;  // room for the dot and the suffix within a 255-byte name
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        const std::string candidate = directory + "." + name.substr(0, MaxNameStem) + "." + RandomSuffix();
        if (::mkdir(candidate.c_str(), 0700) == 0) return candidate;
        if (errno != EEXIST) return SystemError(errno);
    }
    return SystemError(EEXIST);
}

std::optional<std::string> FollowLinks(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop <= MaxLinkHops; ++hop) {
        struct stat status {};
        if (::lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return current;
        const std::string target = LinkText(current);
        if (target.empty()) return std::nullopt;
        current = target.front() == '/' ? target : DirectoryOf(current) + target;
    }
    return std::nullopt;
}

std::error_code MoveIntoPlace(const std::string& from, const std::string& to, bool replace) {
    if (replace) {
        if (::rename(from.c_str(), to.c_str()) != 0) return SystemError(errno);
    } else if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
        if (errno != EINVAL && errno != ENOSYS) return SystemError(errno);
        // A file system without that flag: a hard link is made only where no name stands.
        if (::link(from.c_str(), to.c_str()) != 0) return SystemError(errno);
        ::unlink(from.c_str());
    }
    SyncDirectory(DirectoryOf(to));
    return {};
}

bool EntryExists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

}  // namespace platform

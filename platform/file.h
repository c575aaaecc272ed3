#pragma once
// An open file of the operating system, owned by one object and closed when that object ends.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <variant>

namespace platform {

// A moment as file time stamps give it: seconds and nanoseconds since 1970 (UTC).
struct FileTime {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
    bool operator==(const FileTime&) const = default;
};

// Which file an open file is (device and inode) and, as far as its metadata tells, which state of
// it: any change of its contents or attributes gives a new change time.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    FileTime modified;
    FileTime changed;
    bool operator==(const FileIdentity&) const = default;
};

// Now, on the clock that file time stamps are taken from.
[[nodiscard]] FileTime CurrentFileTime();

struct FileAttributes;

class File {
  public:
    // Opens an existing regular file for reading only and takes an exclusive lock on it, so that
    // no other process that locks it can hold it at the same time. Fails (nullopt) when the file
    // is missing, not a regular file, unreadable or locked by another process.
    [[nodiscard]] static std::optional<File> OpenForChecksum(const std::string& path);
    // Whether OpenForChecksum is refused only because another process holds a lock, shared or
    // exclusive, on that regular file: it is in use.
    [[nodiscard]] static bool IsLockedByAnotherProcess(const std::string& path);

    // Takes ownership of an already open descriptor (for instance one from mkstemp).
    [[nodiscard]] static File FromDescriptor(int descriptor);

    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    // Reads up to buffer.size() bytes at the current position; the number read, 0 at the end of
    // the file, -1 on an error. An interrupted read is retried.
    [[nodiscard]] std::int64_t Read(std::span<std::uint8_t> buffer);

    [[nodiscard]] std::optional<std::uint64_t> Size() const;
    [[nodiscard]] std::optional<FileIdentity> Identity() const;
    [[nodiscard]] std::optional<std::uint64_t> Position() const;
    [[nodiscard]] bool Seek(std::uint64_t position);
    // Tells the kernel that the file will be read from start to end, so that it reads ahead
    // further. Only advice: nothing changes when the kernel declines.
    void AdviseSequentialReading();

    // --- Shared reading and writing, used by the conversion run ---

    // Opens an existing file for reading only, without a lock, so other openers are not disturbed.
    [[nodiscard]] static std::optional<File> OpenForReading(const std::string& path);
    // Creates a new file for writing, readable by its owner only. Whatever stands at the path is
    // removed first, a symbolic link itself and never what it points to; a directory is left
    // and makes the creation fail.
    [[nodiscard]] static std::optional<File> CreateAfresh(const std::string& path);
    // Opens an existing regular file for writing without changing it; a symbolic link is not
    // followed, so it fails there.
    [[nodiscard]] static std::optional<File> OpenForShortening(const std::string& path);

    // Writes all the bytes at the current position, continuing after short writes; false on an error.
    [[nodiscard]] bool WriteAll(std::span<const std::uint8_t> bytes);
    // Moves the next buffer.size() bytes of `source` to this file's position: inside the kernel
    // (copy_file_range) where it offers that for the two files, else read and written through
    // the buffer. False when fewer bytes could be moved.
    [[nodiscard]] bool CopyFrom(File& source, std::span<std::uint8_t> buffer);
    // Writes the given range of the file's contents to the disk and waits until it is there.
    [[nodiscard]] bool SyncRange(std::uint64_t offset, std::uint64_t length);
    // Waits until the file's contents and attributes are on the disk.
    [[nodiscard]] bool Sync();
    // Cuts the file to `size` bytes.
    [[nodiscard]] bool Truncate(std::uint64_t size);
    // Gives the file the permission bits, and the owner and group where the process may set them.
    [[nodiscard]] bool GiveAttributes(const FileAttributes& attributes);

  private:
    explicit File(int descriptor) : descriptor_(descriptor) {}
    // An existing regular file opened for reading, without a lock; never waits for a FIFO's writer.
    [[nodiscard]] static std::optional<File> OpenRegularForReading(const std::string& path);
    void Close();

    int descriptor_ = -1;
};

// --- Replacing a file safely, used by the conversion run ---

// What a new file gets: permission bits, and the owner and group to give it where allowed.
struct FileAttributes {
    unsigned permissions = 0644;
    std::optional<unsigned> owner;
    std::optional<unsigned> group;
};

// What a file that replaces the regular file at `path` keeps of it: its permission bits, owner
// and group. nullopt when no regular file stands there.
[[nodiscard]] std::optional<FileAttributes> AttributesToKeep(const std::string& path);

// The read, write and execute bits of the file at `path` for a new file made from it, without
// its owner; nullopt when it cannot be read.
[[nodiscard]] std::optional<FileAttributes> PermissionsFrom(const std::string& path);

// Creates a new, empty, hidden directory with a unique name in the directory of `path`, never
// taking a name that exists, that only this user may enter: nobody else can put a link where a
// file made in it is to go. Returns its path, or the system's error when it cannot be created.
[[nodiscard]] std::variant<std::string, std::error_code> CreatePrivateDirectoryBeside(
    const std::string& path);

// The path a symbolic link at `path` leads to, following link after link (the last component
// only); `path` itself when it is no link. nullopt for a loop of links.
[[nodiscard]] std::optional<std::string> FollowLinks(const std::string& path);

// Moves `from` to `to` in one step (same file system only), then waits until the directory
// entry is on the disk. With `replace` a file at `to` is replaced; without, the move fails with
// "file exists" when anything stands there. Returns the system's error, none when moved.
[[nodiscard]] std::error_code MoveIntoPlace(const std::string& from, const std::string& to, bool replace);

// True when anything at all stands at the path, a dangling symbolic link included.
[[nodiscard]] bool EntryExists(const std::string& path);

}  // namespace platform

#pragma once
// An open file of the operating system, owned by one object and closed when that object ends.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace platform {

class File {
public:
    // Opens an existing regular file for reading only and takes an exclusive lock on it, so that
    // no other process that locks it can hold it at the same time. Fails (nullopt) when the file
    // is missing, not a regular file, unreadable or locked by another process.
    [[nodiscard]] static std::optional<File> OpenForChecksum(const std::string& path);

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
    [[nodiscard]] std::optional<std::uint64_t> Position() const;
    [[nodiscard]] bool Seek(std::uint64_t position);

private:
    explicit File(int descriptor) : descriptor_(descriptor) {}
    void Close();

    int descriptor_ = -1;
};

}  // namespace platform

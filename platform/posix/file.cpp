#include "platform/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform {

static_assert(sizeof(off_t) == 8, "sizes and positions of files over 4 GiB need a 64-bit off_t");

std::optional<File> File::OpenForChecksum(const std::string& path) {
    // O_NONBLOCK keeps the open from waiting for a writer when the name is a FIFO; it is
    // switched off again once the name turned out to be a regular file.
    File file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.descriptor_ < 0) return std::nullopt;
    struct stat status {};
    if (::fstat(file.descriptor_, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    const int flags = ::fcntl(file.descriptor_, F_GETFL);
    if (flags < 0 || ::fcntl(file.descriptor_, F_SETFL, flags & ~O_NONBLOCK) != 0) return std::nullopt;
    if (::flock(file.descriptor_, LOCK_EX | LOCK_NB) != 0) return std::nullopt;
    return file;
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

std::optional<std::uint64_t> File::Position() const {
    const off_t position = ::lseek(descriptor_, 0, SEEK_CUR);
    if (position < 0) return std::nullopt;
    return static_cast<std::uint64_t>(position);
}

bool File::Seek(std::uint64_t position) {
    return ::lseek(descriptor_, static_cast<off_t>(position), SEEK_SET) >= 0;
}

}  // namespace platform

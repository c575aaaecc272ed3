#include "bsdiff/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace bsdiff {

namespace {

// Pages are handed back in steps of this size, so a scan does not make a system call per match.
constexpr std::size_t ReleaseStep = std::size_t{2} << 20;

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

core::Result<MappedFile> MappedFile::Open(const std::string& path, const std::string& role) {
    const std::string name = "the " + role + " \"" + path + "\"";
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0) return core::Failure{SystemError("cannot open " + name)};
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        const core::Failure failure{SystemError("cannot examine " + name)};
        ::close(descriptor);
        return failure;
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return core::Failure{name + " is not a regular file"};
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    if (size == 0) {
        ::close(descriptor);
        return MappedFile(nullptr, 0);
    }
    void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
    const int mapError = errno;
    ::close(descriptor);  // the mapping keeps the file
    if (data == MAP_FAILED) {
        errno = mapError;
        return core::Failure{SystemError("cannot read " + name)};
    }
    return MappedFile(static_cast<const std::uint8_t*>(data), size);
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      released_(std::exchange(other.released_, 0)) {}

MappedFile::~MappedFile() {
    if (data_) ::munmap(const_cast<std::uint8_t*>(data_), size_);
}

void MappedFile::Release(std::uint64_t offset) {
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t end = static_cast<std::size_t>(std::min<std::uint64_t>(offset, size_)) / page * page;
    if (end < released_ + ReleaseStep) return;
    // Only advice: the pages come back from the page cache should they be read after all.
    (void)::madvise(const_cast<std::uint8_t*>(data_) + released_, end - released_, MADV_DONTNEED);
    released_ = end;
}

}  // namespace bsdiff

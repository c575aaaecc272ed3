#include "bspatch/new_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace bspatch {

namespace {

constexpr std::size_t BufferSize = 1024 * 1024;

}  // namespace

NewFile::NewFile(int descriptor) : descriptor_(descriptor), buffer_(BufferSize) {}

Result<std::span<std::uint8_t>> NewFile::Space() {
    if (used_ == buffer_.size()) {
        if (const Status flushed = Flush(); !flushed) return flushed.AsFailure();
    }
    return std::span(buffer_.data() + used_, buffer_.size() - used_);
}

Status NewFile::Flush() {
    std::size_t written = 0;
    while (written < used_) {
        const ssize_t count = ::write(descriptor_, buffer_.data() + written, used_ - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            const int error = count < 0 ? errno : ENOSPC;
            return Failure{std::string("cannot write the new file: ") + std::strerror(error)};
        }
        written += static_cast<std::size_t>(count);
    }
    used_ = 0;
    return Succeeded;
}

}  // namespace bspatch

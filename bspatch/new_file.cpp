#include "bspatch/new_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace bspatch {

namespace {

constexpr std::size_t BufferSize = std::size_t{4} * 1024 * 1024;
// Enough for the buffer's bytes in copies of a few dozen bytes each; shorter copies fill the list
// first, and then the buffer is written early.
constexpr std::size_t MaxCopies = std::size_t{128} * 1024;

}  // namespace

NewFile::NewFile(int descriptor, OldFile& old) : descriptor_(descriptor), old_(old), buffer_(BufferSize) {
    copies_.reserve(MaxCopies);
}

core::Result<std::span<std::uint8_t>> NewFile::Space() {
    if (used_ == buffer_.size() || copies_.size() == MaxCopies) {
        if (const core::Status flushed = Flush(); !flushed) return flushed.AsFailure();
    }
    return std::span(buffer_.data() + used_, buffer_.size() - used_);
}

void NewFile::AddOld(std::int64_t oldPosition, std::span<const std::uint8_t> piece) {
    copies_.push_back(OldCopy{.position = oldPosition,
                              .targetOffset = static_cast<std::uint32_t>(piece.data() - buffer_.data()),
                              .length = static_cast<std::uint32_t>(piece.size())});
}

core::Status NewFile::Flush() {
    if (core::Status added = old_.AddCopies(copies_, std::span(buffer_.data(), used_)); !added) return added;
    copies_.clear();
    return Write();
}

core::Status NewFile::Write() {
    std::size_t written = 0;
    while (written < used_) {
        const ssize_t count = ::write(descriptor_, buffer_.data() + written, used_ - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            const int error = count < 0 ? errno : ENOSPC;
            return core::Failure{std::string("cannot write the new file: ") + std::strerror(error)};
        }
        written += static_cast<std::size_t>(count);
    }
    used_ = 0;
    return core::Succeeded;
}

}  // namespace bspatch

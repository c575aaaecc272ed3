#include "bspatch/old_file.h"

#include <algorithm>

#include "bspatch/positioned_read.h"

namespace bspatch {

namespace {

constexpr std::int64_t WindowSize = 1024 * 1024;

}  // namespace

OldFile::OldFile(int descriptor, std::int64_t size)
    : descriptor_(descriptor), size_(size), window_(static_cast<std::size_t>(WindowSize)) {}

Status OldFile::AddTo(std::int64_t position, std::span<std::uint8_t> target) {
    const std::int64_t end = position + static_cast<std::int64_t>(target.size());
    for (std::int64_t at = std::max<std::int64_t>(position, 0); at < std::min(end, size_);) {
        const Result<std::span<const std::uint8_t>> bytes = BytesAt(at, std::min(end, size_) - at);
        if (!bytes) return bytes.AsFailure();
        const std::uint8_t* from = bytes->data();
        const std::size_t count = bytes->size();
        std::uint8_t* into = target.data() + (at - position);
        for (std::size_t i = 0; i < count; ++i) into[i] = static_cast<std::uint8_t>(into[i] + from[i]);
        at += static_cast<std::int64_t>(count);
    }
    return Succeeded;
}

Result<std::span<const std::uint8_t>> OldFile::BytesAt(std::int64_t position, std::int64_t wanted) {
    if (position < windowStart_ || position >= windowStart_ + windowLength_) {
        const auto length = static_cast<std::size_t>(
            std::min({WindowSize, size_ - position, wanted}));
        const Result<std::size_t> count = ReadAt(descriptor_, std::span(window_.data(), length),
                                                 static_cast<std::uint64_t>(position), "old file");
        if (!count) return count.AsFailure();
        if (*count == 0) return Failure{"cannot read the old file: it became shorter while it was read"};
        windowStart_ = position;
        windowLength_ = static_cast<std::int64_t>(*count);
    }
    const std::int64_t offset = position - windowStart_;
    const std::int64_t available = std::min(windowLength_ - offset, wanted);
    return std::span<const std::uint8_t>(window_.data() + offset, static_cast<std::size_t>(available));
}

}  // namespace bspatch

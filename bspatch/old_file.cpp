#include "bspatch/old_file.h"

#include <algorithm>

#include "bspatch/positioned_read.h"

namespace bspatch {

namespace {

constexpr std::int64_t StagingSize = std::int64_t{1024} * 1024;
// A read call costs about as much as copying a few tens of KiB from the page cache, so copies up to
// this far apart are read together, the bytes between them included.
constexpr std::int64_t JoinedGap = std::int64_t{32} * 1024;

void AddBytes(std::uint8_t* into, const std::uint8_t* from, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) into[i] = static_cast<std::uint8_t>(into[i] + from[i]);
}

}  // namespace

OldFile::OldFile(int descriptor, std::int64_t size)
    : descriptor_(descriptor), size_(size), staging_(static_cast<std::size_t>(StagingSize)) {}

core::Status OldFile::AddCopies(std::span<OldCopy> copies, std::span<std::uint8_t> target) {
    const std::span<OldCopy> inside = InsideTheFile(copies);
    std::sort(inside.begin(), inside.end(),
              [](const OldCopy& a, const OldCopy& b) { return a.position < b.position; });
    for (std::size_t first = 0; first < inside.size();) {
        const std::int64_t start = inside[first].position;
        std::int64_t end = inside[first].End();
        std::size_t next = first + 1;
        for (; next < inside.size() && inside[next].position - end <= JoinedGap &&
               std::max(end, inside[next].End()) - start <= StagingSize;
             ++next)
            end = std::max(end, inside[next].End());
        if (core::Status added = AddRun(inside.subspan(first, next - first), start, end, target); !added)
            return added;
        first = next;
    }
    return core::Succeeded;
}

std::span<OldCopy> OldFile::InsideTheFile(std::span<OldCopy> copies) const {
    std::size_t kept = 0;
    for (const OldCopy& copy : copies) {
        const std::int64_t start = std::clamp<std::int64_t>(copy.position, 0, size_);
        const std::int64_t end = std::clamp<std::int64_t>(copy.End(), 0, size_);
        if (start == end) continue;
        copies[kept++] =
            OldCopy{.position = start,
                    .targetOffset = copy.targetOffset + static_cast<std::uint32_t>(start - copy.position),
                    .length = static_cast<std::uint32_t>(end - start)};
    }
    return copies.first(kept);
}

core::Status OldFile::AddRun(std::span<const OldCopy> run, std::int64_t start, std::int64_t end,
                             std::span<std::uint8_t> target) {
    for (std::int64_t pieceStart = start; pieceStart < end; pieceStart += StagingSize) {
        const std::int64_t pieceEnd = std::min(end, pieceStart + StagingSize);
        if (core::Status read = ReadExactly(pieceStart, static_cast<std::size_t>(pieceEnd - pieceStart));
            !read)
            return read;
        for (const OldCopy& copy : run) {
            const std::int64_t from = std::max(copy.position, pieceStart);
            const std::int64_t to = std::min(copy.End(), pieceEnd);
            if (from >= to) continue;
            AddBytes(target.data() + copy.targetOffset + (from - copy.position),
                     staging_.data() + (from - pieceStart), static_cast<std::size_t>(to - from));
        }
    }
    return core::Succeeded;
}

core::Status OldFile::ReadExactly(std::int64_t position, std::size_t length) {
    for (std::size_t done = 0; done < length;) {
        const core::Result<std::size_t> count =
            ReadAt(descriptor_, std::span(staging_.data() + done, length - done),
                   static_cast<std::uint64_t>(position) + done, "old file");
        if (!count) return count.AsFailure();
        if (*count == 0)
            return core::Failure{"cannot read the old file: it became shorter while it was read"};
        done += *count;
    }
    return core::Succeeded;
}

}  // namespace bspatch

#pragma once
// The old file as the patch's add steps see it. The control block moves around in it at random, so
// the additions into a stretch of the new file are gathered first and then made in the old file's
// order: copies near each other share one read, and a short copy far from the others is one short
// read. Bytes outside the file add nothing.
#include <cstdint>
#include <span>

#include "bspatch/fixed_buffer.h"
#include "core/result.h"

namespace bspatch {

// `length` bytes of a buffer that get the old file's bytes from `position` on added.
struct OldCopy {
    std::int64_t position = 0;
    std::uint32_t targetOffset = 0;
    std::uint32_t length = 0;

    std::int64_t End() const { return position + length; }
};

class OldFile {
  public:
    OldFile(int descriptor, std::int64_t size);

    // Adds, for every copy, the old file's bytes at [position, position + length) to `target`'s bytes
    // from targetOffset on, byte by byte modulo 256. Reorders `copies`. The caller guarantees that
    // each copy's end position fits in 64 bits and that its bytes lie inside `target`.
    [[nodiscard]] core::Status AddCopies(std::span<OldCopy> copies, std::span<std::uint8_t> target);

  private:
    // Cuts every copy to its part inside the file: the copies that keep a byte, at the front.
    std::span<OldCopy> InsideTheFile(std::span<OldCopy> copies) const;
    // Adds the copies of `run`, which all lie in [start, end), reading that range a staging buffer at a time.
    [[nodiscard]] core::Status AddRun(std::span<const OldCopy> run, std::int64_t start, std::int64_t end,
                                      std::span<std::uint8_t> target);
    // Fills the start of the staging buffer with `length` bytes from `position` on.
    [[nodiscard]] core::Status ReadExactly(std::int64_t position, std::size_t length);

    int descriptor_;
    std::int64_t size_;
    FixedBuffer staging_;
};

}  // namespace bspatch

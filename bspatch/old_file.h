#pragma once
// The old file as the patch's add steps see it: read with pread through a fixed window, since the
// control block moves around in it; bytes outside the file add nothing.
#include <cstdint>
#include <span>

#include "bspatch/fixed_buffer.h"
#include "bspatch/result.h"

namespace bspatch {

class OldFile {
  public:
    OldFile(int descriptor, std::int64_t size);

    // Adds the old file's bytes at [position, position + target.size()) to `target`, byte by byte
    // modulo 256. The caller guarantees that the end position fits in 64 bits.
    [[nodiscard]] Status AddTo(std::int64_t position, std::span<std::uint8_t> target);

  private:
    // The window's bytes from `position` on (at most `wanted`), reading the file when the window
    // does not hold `position`.
    [[nodiscard]] Result<std::span<const std::uint8_t>> BytesAt(std::int64_t position, std::int64_t wanted);

    int descriptor_;
    std::int64_t size_;
    FixedBuffer window_;
    std::int64_t windowStart_ = 0;
    std::int64_t windowLength_ = 0;
};

}  // namespace bspatch

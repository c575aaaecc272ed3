#pragma once
// The new file, written strictly in order through a fixed buffer that the patch's blocks are
// decompressed into directly.
#include <cstddef>
#include <cstdint>
#include <span>

#include "bspatch/fixed_buffer.h"
#include "bspatch/result.h"

namespace bspatch {

class NewFile {
  public:
    explicit NewFile(int descriptor);

    // The free part of the buffer, never empty: a full buffer is written out first.
    [[nodiscard]] Result<std::span<std::uint8_t>> Space();
    // Takes the first `count` bytes of the last Space() as part of the file.
    void Commit(std::size_t count) { used_ += count; }
    // Writes out what the buffer holds.
    [[nodiscard]] Status Flush();

  private:
    int descriptor_;
    FixedBuffer buffer_;
    std::size_t used_ = 0;
};

}  // namespace bspatch

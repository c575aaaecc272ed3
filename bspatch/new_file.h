#pragma once
// The new file, written strictly in order through a fixed buffer that the patch's blocks are
// decompressed into directly. The old file's bytes that the add steps call for are added to the
// buffer all at once, just before it is written, so that the old file is read in its own order.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "bspatch/fixed_buffer.h"
#include "bspatch/old_file.h"
#include "core/result.h"

namespace bspatch {

class NewFile {
  public:
    NewFile(int descriptor, OldFile& old);

    // The free part of the buffer, never empty: a full buffer is completed and written out first.
    [[nodiscard]] core::Result<std::span<std::uint8_t>> Space();
    // Takes the first `count` bytes of the last Space() as part of the file.
    void Commit(std::size_t count) { used_ += count; }
    // Has the old file's bytes from `oldPosition` on added to `piece`, a part of the last Space(),
    // before the buffer is written.
    void AddOld(std::int64_t oldPosition, std::span<const std::uint8_t> piece);
    // Completes what the buffer holds with the old file's bytes and writes it out.
    [[nodiscard]] core::Status Flush();

  private:
    [[nodiscard]] core::Status Write();

    int descriptor_;
    OldFile& old_;
    FixedBuffer buffer_;
    std::size_t used_ = 0;
    std::vector<OldCopy> copies_;  // never more than its reserved capacity
};

}  // namespace bspatch

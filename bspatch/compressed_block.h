#pragma once
// One bzip2-compressed block of a patch, decompressed a step at a time. It reads its own byte range
// of the patch file with pread, so the three blocks are read side by side through one descriptor,
// each through a fixed input buffer.
#include <bzlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "bspatch/fixed_buffer.h"
#include "core/result.h"

namespace bspatch {

class CompressedBlock {
  public:
    // `name` says which block this is in messages ("control block").
    [[nodiscard]] static core::Result<std::unique_ptr<CompressedBlock>> Open(int patchDescriptor,
                                                                             std::uint64_t offset,
                                                                             std::uint64_t length,
                                                                             std::string name);
    ~CompressedBlock();
    // The decompressor keeps a pointer back to its stream, so the block never moves.
    CompressedBlock(const CompressedBlock&) = delete;
    CompressedBlock& operator=(const CompressedBlock&) = delete;

    // One step of decompression into `out` (not empty): the number of bytes it produced, possibly
    // none. Fails when the block's data is damaged or its bytes run out before its stream ends;
    // what that step produced is then not counted.
    [[nodiscard]] core::Result<std::size_t> DecompressStep(std::span<std::uint8_t> out);

    // The compressed stream has ended; no step produces anything any more.
    bool StreamEnded() const { return streamEnded_; }
    // Bytes of the block's range follow its ended stream.
    bool HasBytesAfterStream() const { return stream_.avail_in != 0 || nextOffset_ != endOffset_; }

    // "damaged patch: the <name> <what>".
    [[nodiscard]] core::Failure Damaged(const std::string& what) const;

  private:
    CompressedBlock(int patchDescriptor, std::uint64_t offset, std::uint64_t length, std::string name);

    // Reads the next piece of the block's range into the input buffer when it is empty.
    [[nodiscard]] core::Status Refill();

    int descriptor_;
    std::uint64_t nextOffset_;
    std::uint64_t endOffset_;
    std::string name_;
    FixedBuffer input_;
    bz_stream stream_{};
    bool streamEnded_ = false;
};

}  // namespace bspatch

#pragma once
// One bzip2-compressed block of a patch, decompressed as it is read. It reads its own byte range of
// the patch file with pread, so the three blocks are read side by side through one descriptor,
// each through a fixed input buffer.
#include <bzlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "bspatch/fixed_buffer.h"
#include "bspatch/result.h"

namespace bspatch {

class CompressedBlock {
  public:
    // `name` says which block this is in messages ("control block").
    [[nodiscard]] static Result<std::unique_ptr<CompressedBlock>> Open(int patchDescriptor,
                                                                       std::uint64_t offset,
                                                                       std::uint64_t length,
                                                                       std::string name);
    ~CompressedBlock();
    // The decompressor keeps a pointer back to its stream, so the block never moves.
    CompressedBlock(const CompressedBlock&) = delete;
    CompressedBlock& operator=(const CompressedBlock&) = delete;

    // Fills `out` completely; fails when the block's data ends first or is damaged.
    [[nodiscard]] Status ReadExactly(std::span<std::uint8_t> out);

    // Succeeds when everything the block holds has been read: its compressed stream has ended,
    // gives no further byte, and no byte of the block's range follows it.
    [[nodiscard]] Status ExpectEnd();

  private:
    CompressedBlock(int patchDescriptor, std::uint64_t offset, std::uint64_t length, std::string name);

    // Decompresses into `out` until it is full or the stream ends; the number of bytes produced.
    [[nodiscard]] Result<std::size_t> Decompress(std::span<std::uint8_t> out);
    // Reads the next piece of the block's range into the input buffer when it is empty.
    [[nodiscard]] Status Refill();
    [[nodiscard]] Failure Damaged(const std::string& what) const;

    int descriptor_;
    std::uint64_t nextOffset_;
    std::uint64_t endOffset_;
    std::string name_;
    FixedBuffer input_;
    bz_stream stream_{};
    bool streamEnded_ = false;
};

}  // namespace bspatch

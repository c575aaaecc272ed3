#include "bspatch/compressed_block.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "bspatch/positioned_read.h"

namespace bspatch {

namespace {

constexpr std::size_t InputBufferSize = std::size_t{64} * 1024;

}  // namespace

core::Result<std::unique_ptr<CompressedBlock>> CompressedBlock::Open(int patchDescriptor,
                                                                     std::uint64_t offset,
                                                                     std::uint64_t length, std::string name) {
    std::unique_ptr<CompressedBlock> block(
        new CompressedBlock(patchDescriptor, offset, length, std::move(name)));
    // Verbosity 0; the fast decompressor, whose memory is fixed by the stream's block size.
    if (BZ2_bzDecompressInit(&block->stream_, 0, 0) != BZ_OK)
        return core::Failure{"not enough memory to decompress the " + block->name_};
    return block;
}

CompressedBlock::CompressedBlock(int patchDescriptor, std::uint64_t offset, std::uint64_t length,
                                 std::string name)
    : descriptor_(patchDescriptor),
      nextOffset_(offset),
      endOffset_(offset + length),
      name_(std::move(name)),
      input_(InputBufferSize) {}

CompressedBlock::~CompressedBlock() { BZ2_bzDecompressEnd(&stream_); }

core::Result<std::size_t> CompressedBlock::DecompressStep(std::span<std::uint8_t> out) {
    if (streamEnded_) return std::size_t{0};
    if (const core::Status filled = Refill(); !filled) return filled.AsFailure();
    const std::size_t wanted = std::min<std::size_t>(out.size(), UINT_MAX);
    stream_.next_out = reinterpret_cast<char*>(out.data());
    stream_.avail_out = static_cast<unsigned>(wanted);
    const unsigned inputBefore = stream_.avail_in;
    const int code = BZ2_bzDecompress(&stream_);
    const std::size_t made = wanted - stream_.avail_out;
    if (code == BZ_STREAM_END) {
        streamEnded_ = true;
    } else if (code != BZ_OK) {
        return Damaged(code == BZ_MEM_ERROR ? "needs more memory than there is" : "is not valid bzip2 data");
    } else if (made == 0 && stream_.avail_in == inputBefore) {
        // No progress with room for output and the input refilled: the block's bytes ran out
        // before its compressed stream ended.
        return Damaged("is cut short");
    }
    return made;
}

core::Status CompressedBlock::Refill() {
    if (stream_.avail_in != 0 || nextOffset_ == endOffset_) return core::Succeeded;
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(input_.size(), endOffset_ - nextOffset_));
    const core::Result<std::size_t> count =
        ReadAt(descriptor_, std::span(input_.data(), wanted), nextOffset_, "patch");
    if (!count) return count.AsFailure();
    if (*count == 0) return core::Failure{"cannot read the patch: it became shorter while it was read"};
    nextOffset_ += *count;
    stream_.next_in = reinterpret_cast<char*>(input_.data());
    stream_.avail_in = static_cast<unsigned>(*count);
    return core::Succeeded;
}

core::Failure CompressedBlock::Damaged(const std::string& what) const {
    return core::Failure{"damaged patch: the " + name_ + " " + what};
}

}  // namespace bspatch

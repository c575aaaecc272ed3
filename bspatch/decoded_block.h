#pragma once
// A compressed block of the patch decoded on a thread of its own, ahead of the applier, into a
// small ring of chunks; the applier takes its bytes from there. Decoding waits while the ring is
// full, so memory stays fixed whatever the block's size.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <thread>

#include "bspatch/compressed_block.h"
#include "bspatch/fixed_buffer.h"
#include "core/result.h"

namespace bspatch {

class DecodedBlock {
  public:
    // Starts decoding at once. `cancel` ends every wait of the reading side with a failure.
    [[nodiscard]] static core::Result<std::unique_ptr<DecodedBlock>> Open(int patchDescriptor,
                                                                          std::uint64_t offset,
                                                                          std::uint64_t length,
                                                                          std::string name,
                                                                          std::stop_token cancel);
    // Stops the decoding thread and waits for it.
    ~DecodedBlock() = default;
    DecodedBlock(const DecodedBlock&) = delete;
    DecodedBlock& operator=(const DecodedBlock&) = delete;

    // Fills `out` completely; fails when the block's data ends first or is damaged.
    [[nodiscard]] core::Status ReadExactly(std::span<std::uint8_t> out);

    // Succeeds when everything the block holds has been read: its compressed stream has ended,
    // gives no further byte, and no byte of the block's range follows it.
    [[nodiscard]] core::Status ExpectEnd();

  private:
    // 1 MiB ahead: decoding goes on while the applier completes and writes a buffer of the new file.
    static constexpr std::size_t ChunkSize = std::size_t{64} * 1024;
    static constexpr std::size_t ChunkCount = 16;

    DecodedBlock(std::unique_ptr<CompressedBlock> decoder, std::stop_token cancel);

    // The decoding thread: fills free chunks until the stream ends, fails or `stop` is requested.
    void Decode(const std::stop_token& stop);
    // Hands the chunk being read back and waits for the next one. Empty when the block has no more
    // bytes: then the failure that ended decoding, if any, is in `ending_`.
    [[nodiscard]] core::Result<std::span<const std::uint8_t>> NextChunk();

    std::unique_ptr<CompressedBlock> decoder_;
    std::stop_token cancel_;
    FixedBuffer chunks_;

    // Shared with the decoding thread.
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::uint64_t filled_ = 0;  // chunks decoded so far
    std::uint64_t taken_ = 0;   // chunks the reading side has finished with
    std::size_t lengths_[ChunkCount] = {};
    bool decodingEnded_ = false;
    std::optional<core::Failure> ending_;  // what ended decoding early, if anything did

    // The reading side's own.
    std::span<const std::uint8_t> unread_;
    bool holdsChunk_ = false;

    std::jthread decoding_;  // last: stopped and joined before the members it uses go
};

// The run was asked to stop (a signal came) before the new file was complete.
[[nodiscard]] inline core::Failure Stopped() {
    return core::Failure{"stopped before the new file was complete"};
}

}  // namespace bspatch

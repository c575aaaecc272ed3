#pragma once
// One block of a patch, compressed with bzip2 on a thread of its own while the caller goes on
// producing bytes. The compressed bytes go to an unnamed temporary file beside the patch, so the
// memory a block takes is fixed however much it holds.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "core/result.h"

namespace bsdiff {

// The finished block: an open file that holds its compressed bytes, and their number.
struct CompressedBytes {
    int descriptor = -1;
    std::uint64_t length = 0;
};

class BlockCompressor {
  public:
    // `directory` takes the temporary file; `name` says which block this is in messages.
    [[nodiscard]] static core::Result<std::unique_ptr<BlockCompressor>> Start(const std::string& directory,
                                                                              std::string name);
    ~BlockCompressor();
    BlockCompressor(const BlockCompressor&) = delete;
    BlockCompressor& operator=(const BlockCompressor&) = delete;

    void Append(std::span<const std::uint8_t> bytes);
    // Appends the bytes of `newer` minus those of `older` (modulo 256), which are as long.
    void AppendDifference(std::span<const std::uint8_t> newer, std::span<const std::uint8_t> older);

    // Ends the stream and waits for the thread. The descriptor stays open while this object lives.
    [[nodiscard]] core::Result<CompressedBytes> Finish();

  private:
    using Chunk = std::vector<std::uint8_t>;

    BlockCompressor(int descriptor, std::string name);
    // The room left in the chunk being filled, handing a full one to the thread first.
    std::span<std::uint8_t> Room();
    void Hand(Chunk chunk);
    void Work();
    // Compresses the chunk's bytes (all of them, or with `finish` to the stream's end) into the file.
    bool Compress(std::span<std::uint8_t> input, bool finish);

    int descriptor_;
    std::string name_;
    Chunk filling_;
    std::size_t filled_ = 0;
    std::uint64_t written_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Chunk> queue_;
    std::vector<Chunk> spare_;
    bool ending_ = false;
    std::optional<std::string> failure_;
    struct Stream;
    std::unique_ptr<Stream> stream_;
    std::thread thread_;
};

}  // namespace bsdiff

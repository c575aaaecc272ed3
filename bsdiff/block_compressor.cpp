#include "bsdiff/block_compressor.h"

#include <bzlib.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>

namespace bsdiff {

namespace {

constexpr std::size_t ChunkSize = std::size_t{256} << 10;
// Chunks waiting for the thread before the producer waits in turn: bounds the memory a block takes.
constexpr std::size_t MostQueued = 2;
// 900 k blocks, as the format's producers write them; work factor 0 takes the library's default.
constexpr int BlockSize100k = 9;

// An unnamed file in `directory`; on a file system without unnamed files, a named one that is
// removed at once.
int UnnamedFile(const std::string& directory) {
    const int descriptor = ::open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (descriptor >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return descriptor;
    std::string name = directory + "/.bsdiff-block-XXXXXX";
    const int named = ::mkstemp(name.data());
    if (named >= 0) (void)::unlink(name.c_str());
    return named;
}

}  // namespace

struct BlockCompressor::Stream {
    bz_stream bz{};
    std::array<char, std::size_t{64} * 1024> output{};
};

core::Result<std::unique_ptr<BlockCompressor>> BlockCompressor::Start(const std::string& directory,
                                                                      std::string name) {
    const int descriptor = UnnamedFile(directory);
    if (descriptor < 0)
        return core::Failure{"cannot create a temporary file in \"" + directory +
                             "\": " + std::strerror(errno)};
    std::unique_ptr<BlockCompressor> compressor(new BlockCompressor(descriptor, std::move(name)));
    if (BZ2_bzCompressInit(&compressor->stream_->bz, BlockSize100k, 0, 0) != BZ_OK)
        return core::Failure{"not enough memory to compress the " + compressor->name_};
    compressor->thread_ = std::thread([raw = compressor.get()] { raw->Work(); });
    return compressor;
}

BlockCompressor::BlockCompressor(int descriptor, std::string name)
    : descriptor_(descriptor),
      name_(std::move(name)),
      filling_(ChunkSize),
      stream_(std::make_unique<Stream>()) {}

BlockCompressor::~BlockCompressor() {
    if (thread_.joinable()) {
        {
            // Abandoned before it finished: the thread drops what is left.
            std::lock_guard lock(mutex_);
            if (!failure_) failure_ = "abandoned";
            ending_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    BZ2_bzCompressEnd(&stream_->bz);
    ::close(descriptor_);
}

std::span<std::uint8_t> BlockCompressor::Room() {
    if (filled_ == filling_.size()) {
        Chunk next;
        {
            std::lock_guard lock(mutex_);
            if (!spare_.empty()) {
                next = std::move(spare_.back());
                spare_.pop_back();
            }
        }
        if (next.size() != ChunkSize) next.resize(ChunkSize);
        Hand(std::exchange(filling_, std::move(next)));
        filled_ = 0;
    }
    return std::span(filling_).subspan(filled_);
}

void BlockCompressor::Append(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const std::span<std::uint8_t> room = Room();
        const std::size_t count = std::min(room.size(), bytes.size());
        std::memcpy(room.data(), bytes.data(), count);
        filled_ += count;
        bytes = bytes.subspan(count);
    }
}

void BlockCompressor::AppendDifference(std::span<const std::uint8_t> newer,
                                       std::span<const std::uint8_t> older) {
    while (!newer.empty()) {
        const std::span<std::uint8_t> room = Room();
        const std::size_t count = std::min(room.size(), newer.size());
        for (std::size_t i = 0; i < count; ++i) room[i] = static_cast<std::uint8_t>(newer[i] - older[i]);
        filled_ += count;
        newer = newer.subspan(count);
        older = older.subspan(count);
    }
}

void BlockCompressor::Hand(Chunk chunk) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queue_.size() < MostQueued || failure_; });
    if (failure_) return;  // nothing more will be written; the caller learns why from Finish
    queue_.push_back(std::move(chunk));
    changed_.notify_all();
}

core::Result<CompressedBytes> BlockCompressor::Finish() {
    filling_.resize(filled_);
    Hand(std::move(filling_));
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
    if (failure_) return core::Failure{*failure_};
    return CompressedBytes{descriptor_, written_};
}

void BlockCompressor::Work() {
    for (;;) {
        Chunk chunk;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !queue_.empty() || ending_; });
            if (queue_.empty() || failure_) break;
            chunk = std::move(queue_.front());
            queue_.pop_front();
        }
        changed_.notify_all();
        const bool compressed = Compress(chunk, false);
        std::lock_guard lock(mutex_);
        if (!compressed && !failure_)
            failure_ = "cannot write the compressed " + name_ + ": " + std::strerror(errno);
        chunk.resize(ChunkSize);
        spare_.push_back(std::move(chunk));
    }
    std::lock_guard lock(mutex_);
    if (!failure_ && !Compress({}, true))
        failure_ = "cannot write the compressed " + name_ + ": " + std::strerror(errno);
    changed_.notify_all();
}

bool BlockCompressor::Compress(std::span<std::uint8_t> input, bool finish) {
    // The library takes a call without input as a mistake, except to end the stream.
    if (input.empty() && !finish) return true;
    bz_stream& bz = stream_->bz;
    bz.next_in = reinterpret_cast<char*>(input.data());
    bz.avail_in = static_cast<unsigned>(input.size());  // a chunk is far below 4 GiB
    for (;;) {
        bz.next_out = stream_->output.data();
        bz.avail_out = static_cast<unsigned>(stream_->output.size());
        const int code = BZ2_bzCompress(&bz, finish ? BZ_FINISH : BZ_RUN);
        if (code != BZ_RUN_OK && code != BZ_FINISH_OK && code != BZ_STREAM_END) {
            errno = EIO;
            return false;
        }
        const std::size_t made = stream_->output.size() - bz.avail_out;
        for (std::size_t done = 0; done < made;) {
            const ssize_t count = ::write(descriptor_, stream_->output.data() + done, made - done);
            if (count < 0 && errno == EINTR) continue;
            if (count <= 0) return false;
            done += static_cast<std::size_t>(count);
        }
        written_ += made;
        if (finish ? code == BZ_STREAM_END : bz.avail_in == 0) return true;
    }
}

}  // namespace bsdiff

#include "bspatch/decoded_block.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <utility>

namespace bspatch {

core::Result<std::unique_ptr<DecodedBlock>> DecodedBlock::Open(int patchDescriptor, std::uint64_t offset,
                                                               std::uint64_t length, std::string name,
                                                               std::stop_token cancel) {
    core::Result<std::unique_ptr<CompressedBlock>> decoder =
        CompressedBlock::Open(patchDescriptor, offset, length, std::move(name));
    if (!decoder) return decoder.AsFailure();
    try {
        return std::unique_ptr<DecodedBlock>(new DecodedBlock(std::move(*decoder), std::move(cancel)));
    } catch (const std::system_error& error) {
        return core::Failure{std::string("cannot start a decoding thread: ") + error.what()};
    }
}

DecodedBlock::DecodedBlock(std::unique_ptr<CompressedBlock> decoder, std::stop_token cancel)
    : decoder_(std::move(decoder)),
      cancel_(std::move(cancel)),
      chunks_(ChunkSize * ChunkCount),
      decoding_([this](const std::stop_token& stop) { Decode(stop); }) {}

void DecodedBlock::Decode(const std::stop_token& stop) {
    for (;;) {
        std::size_t slot = 0;
        {
            std::unique_lock lock(mutex_);
            if (!changed_.wait(lock, stop, [this] { return filled_ - taken_ < ChunkCount; })) return;
            slot = filled_ % ChunkCount;
        }
        // The chunk is free: the reading side looks at it again only once it is counted as filled.
        const std::span chunk(chunks_.data() + slot * ChunkSize, ChunkSize);
        std::size_t produced = 0;
        std::optional<core::Failure> failure;
        while (produced < chunk.size() && !decoder_->StreamEnded() && !failure) {
            const core::Result<std::size_t> made = decoder_->DecompressStep(chunk.subspan(produced));
            // A failing step's bytes are not counted; those of the steps before it are sound.
            if (made)
                produced += *made;
            else
                failure = made.AsFailure();
        }
        const bool ended = failure || decoder_->StreamEnded();
        {
            const std::lock_guard lock(mutex_);
            if (produced > 0) {
                lengths_[slot] = produced;
                ++filled_;
            }
            ending_ = std::move(failure);
            decodingEnded_ = ended;
        }
        changed_.notify_all();
        if (ended) return;
    }
}

core::Result<std::span<const std::uint8_t>> DecodedBlock::NextChunk() {
    std::unique_lock lock(mutex_);
    if (holdsChunk_) {
        ++taken_;
        holdsChunk_ = false;
        changed_.notify_all();
    }
    if (!changed_.wait(lock, cancel_, [this] { return filled_ > taken_ || decodingEnded_; }))
        return Stopped();
    if (filled_ == taken_) return std::span<const std::uint8_t>();
    holdsChunk_ = true;
    const std::size_t slot = taken_ % ChunkCount;
    return std::span<const std::uint8_t>(chunks_.data() + slot * ChunkSize, lengths_[slot]);
}

core::Status DecodedBlock::ReadExactly(std::span<std::uint8_t> out) {
    while (!out.empty()) {
        if (unread_.empty()) {
            const core::Result<std::span<const std::uint8_t>> next = NextChunk();
            if (!next) return next.AsFailure();
            if (next->empty())
                return ending_ ? *ending_ : decoder_->Damaged("ends before the new file is complete");
            unread_ = *next;
        }
        const std::size_t count = std::min(out.size(), unread_.size());
        std::memcpy(out.data(), unread_.data(), count);
        out = out.subspan(count);
        unread_ = unread_.subspan(count);
    }
    return core::Succeeded;
}

core::Status DecodedBlock::ExpectEnd() {
    if (unread_.empty()) {
        const core::Result<std::span<const std::uint8_t>> next = NextChunk();
        if (!next) return next.AsFailure();
        unread_ = *next;
    }
    if (!unread_.empty()) return decoder_->Damaged("holds more data than the new file takes");
    if (ending_) return *ending_;
    if (decoder_->HasBytesAfterStream()) return decoder_->Damaged("has bytes after its compressed data");
    return core::Succeeded;
}

}  // namespace bspatch

#include "core/checksum.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

#include "core/messages.h"

namespace core {
namespace {

// Moves the file back to where it was when the guard was made, whichever way the scope ends.
class PositionRestorer {
  public:
    PositionRestorer(platform::File& file, std::uint64_t position) : file_(file), position_(position) {}
    PositionRestorer(const PositionRestorer&) = delete;
    PositionRestorer& operator=(const PositionRestorer&) = delete;
    // Nothing is left to do when even the way back fails; the caller's result is unaffected.
    ~PositionRestorer() { static_cast<void>(file_.Seek(position_)); }

  private:
    platform::File& file_;
    std::uint64_t position_;
};

// Reads the file on a thread of its own, one step ahead of the caller, into two buffers that
// take turns: while the caller sums one, the next is read into the other. The reader stops at
// the size taken at the start, at a read of 0 bytes, and at a failed read.
class ReadAhead {
  public:
    ReadAhead(platform::File& file, std::uint64_t size) : file_(file), size_(size) {
        for (Slot& slot : slots_)
            slot.buffer = std::make_unique_for_overwrite<std::uint8_t[]>(ChecksumReadSize);
        reader_ = std::thread([this] { ReadAll(); });
    }
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;
    ~ReadAhead() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        reader_.join();
    }

    // The next step's bytes, empty at the end of the file. The bytes handed out before are
    // given back to the reader first.
    std::span<const std::uint8_t> Next() {
        std::unique_lock lock(mutex_);
        if (handedOut_) {
            slots_[Previous(next_)].full = false;
            handedOut_ = false;
            changed_.notify_all();
        }
        Slot& slot = slots_[next_];
        changed_.wait(lock, [&] { return slot.full || finished_; });
        if (!slot.full) return {};
        handedOut_ = true;
        next_ = Previous(next_);
        return {slot.buffer.get(), slot.length};
    }

  private:
    struct Slot {
        std::unique_ptr<std::uint8_t[]> buffer;
        std::size_t length = 0;
        bool full = false;
    };

    static std::size_t Previous(std::size_t index) { return 1 - index; }

    void ReadAll() {
        std::uint64_t total = 0;
        for (std::size_t index = 0;; index = Previous(index)) {
            Slot& slot = slots_[index];
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return !slot.full || stopping_; });
                if (stopping_) return;
            }
            // Never beyond the size taken at the start, also when the file has grown since.
            const auto wanted =
                static_cast<std::size_t>(std::min<std::uint64_t>(ChecksumReadSize, size_ - total));
            const std::int64_t result = file_.Read(std::span(slot.buffer.get(), wanted));
            const std::size_t length =
                result > 0 ? static_cast<std::size_t>(result) : 0;  // an error reads as 0
            total += length;
            const std::lock_guard lock(mutex_);
            slot.length = length;
            slot.full = true;
            finished_ = length == 0 || total >= size_;
            changed_.notify_all();
            if (finished_) return;
        }
    }

    platform::File& file_;
    const std::uint64_t size_;
    Slot slots_[2];
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;    // the slot the caller takes next
    bool handedOut_ = false;  // the other slot is with the caller
    bool finished_ = false;   // the reader has read its last step
    bool stopping_ = false;   // the caller wants no more
    std::thread reader_;      // last: it starts once everything above is ready
};

enum class Remembered { Ignore, Take };

// Opens the file for a checksum and sums it on a worker; a completed checksum is remembered. The
// identity is taken before the first read, so that a change while reading gives a later change
// time and the remembered checksum is never taken for the changed file.
std::optional<Md5Digest> SumFile(const std::string& path, const CancelToken& cancel, Seams& seams,
                                 ChecksumMemory& memory, Remembered remembered) {
    std::optional<platform::File> file = platform::File::OpenForChecksum(path);
    if (!file) return std::nullopt;
    const platform::FileTime began = platform::CurrentFileTime();
    const std::optional<platform::FileIdentity> identity = file->Identity();
    if (remembered == Remembered::Take && identity) {
        if (std::optional<Md5Digest> digest = memory.Recall(*identity)) return digest;
    }
    std::optional<Md5Digest> digest;
    seams.work.RunAside([&](ProgressSink& progress) { digest = ComputeFileMd5(*file, cancel, progress); });
    if (digest && identity) memory.Remember(*identity, began, *digest);
    return digest;
}

std::optional<std::string> HexOf(const std::optional<Md5Digest>& digest) {
    if (!digest) return std::nullopt;
    return Md5Hex(*digest);
}

}  // namespace

std::optional<Md5Digest> ComputeFileMd5(platform::File& file, const CancelToken& cancel,
                                        ProgressSink& progress) {
    const std::optional<std::uint64_t> size = file.Size();
    const std::optional<std::uint64_t> savedPosition = file.Position();
    if (!size || !savedPosition) return std::nullopt;
    const PositionRestorer restorer(file, *savedPosition);
    if (!file.Seek(0)) return std::nullopt;
    file.AdviseSequentialReading();

    Md5Context context;
    Md5Init(context);
    std::uint64_t total = 0;
    ReadAhead reader(file, *size);
    for (;;) {
        const std::span<const std::uint8_t> step = reader.Next();
        Md5Update(context, step);
        total += step.size();
        progress.Advance(total, *size);
        // Looked at before the end: a result no longer wanted is not delivered, also when its
        // last byte has been summed.
        if (cancel.IsCancelled()) return std::nullopt;
        if (step.empty() || total >= *size) break;
    }
    Md5Digest digest;
    Md5Final(context, digest);
    return digest;
}

std::optional<std::string> FileMd5Hex(const std::string& path, const CancelToken& cancel, Seams& seams,
                                      ChecksumMemory& memory) {
    return HexOf(SumFile(path, cancel, seams, memory, Remembered::Ignore));
}

std::optional<std::string> SourceMd5Hex(const std::string& path, const CancelToken& cancel, Seams& seams,
                                        ChecksumMemory& memory) {
    return HexOf(SumFile(path, cancel, seams, memory, Remembered::Take));
}

std::optional<std::string> ResultFileMd5(const std::string& path, const CancelToken& cancel, Seams& seams,
                                         ChecksumMemory& memory, Colour statusColour) {
    seams.status.SetStatus(std::string(messages::Verifying), statusColour, true);
    return FileMd5Hex(path, cancel, seams, memory);
}

}  // namespace core

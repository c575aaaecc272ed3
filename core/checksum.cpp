#include "core/checksum.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>

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

bool IsCancelled(Seams& seams, const ProgramState& state, const std::string& watchedText) {
    return seams.source.SourceText() != watchedText || state.ShuttingDown;
}

// Hands the file out in pieces of up to ChecksumPieceSize bytes, cut from one buffer that a
// single read call of up to ChecksumReadSize bytes refills whenever it is used up: a large file
// takes few read calls, and memory stays at one buffer whatever the file's size.
class PieceReader {
  public:
    explicit PieceReader(platform::File& file)
        : file_(file), buffer_(std::make_unique_for_overwrite<std::uint8_t[]>(ChecksumReadSize)) {}

    // The next piece, shorter only where a read ended short; empty where a read gave 0 bytes or
    // failed.
    std::span<const std::uint8_t> NextPiece() {
        if (next_ == filled_) Refill();
        const std::size_t count = std::min(ChecksumPieceSize, filled_ - next_);
        const std::span<const std::uint8_t> piece(buffer_.get() + next_, count);
        next_ += count;
        return piece;
    }

  private:
    void Refill() {
        const std::int64_t result = file_.Read(std::span(buffer_.get(), ChecksumReadSize));
        filled_ = result > 0 ? static_cast<std::size_t>(result) : 0;  // an error reads as 0
        next_ = 0;
    }

    platform::File& file_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t filled_ = 0;
    std::size_t next_ = 0;
};

enum class Remembered { Ignore, Take };

// Opens the file for a checksum and sums it; a completed checksum is remembered. The identity
// is taken before the first read, so that a change while reading gives a later change time and
// the remembered checksum is never taken for the changed file.
std::optional<Md5Digest> SumFile(const std::string& path, Seams& seams, ProgramState& state,
                                 Remembered remembered) {
    std::optional<platform::File> file = platform::File::OpenForChecksum(path);
    if (!file) return std::nullopt;
    const platform::FileTime began = platform::CurrentFileTime();
    const std::optional<platform::FileIdentity> identity = file->Identity();
    if (remembered == Remembered::Take && identity) {
        if (std::optional<Md5Digest> digest = state.Checksums.Recall(*identity)) return digest;
    }
    bool completed = false;
    Md5Digest digest{};
    ComputeFileMd5(*file, completed, digest, seams, state);
    if (!completed) return std::nullopt;
    if (identity) state.Checksums.Remember(*identity, began, digest);
    return digest;
}

std::optional<std::string> HexOf(const std::optional<Md5Digest>& digest) {
    if (!digest) return std::nullopt;
    return Md5Hex(*digest);
}

}  // namespace

void ComputeFileMd5(platform::File& file, bool& completed, Md5Digest& digest, Seams& seams,
                    const ProgramState& state) {
    const std::string watchedText = seams.source.SourceText();
    Md5Context context;
    Md5Init(context);
    const std::optional<std::uint64_t> size = file.Size();
    const std::optional<std::uint64_t> savedPosition = file.Position();
    if (!size || !savedPosition) return;
    const PositionRestorer restorer(file, *savedPosition);
    if (!file.Seek(0)) return;
    file.AdviseSequentialReading();

    PieceReader reader(file);
    std::uint64_t total = 0;
    for (;;) {
        const std::span<const std::uint8_t> piece = reader.NextPiece();
        total += piece.size();
        Md5Update(context, piece);
        seams.pump.ProcessPendingEvents();
        if (IsCancelled(seams, state, watchedText)) return;
        if (piece.empty() || total == *size) break;
    }
    Md5Final(context, digest);
    completed = true;
}

std::optional<std::string> FileMd5Hex(const std::string& path, Seams& seams, ProgramState& state) {
    return HexOf(SumFile(path, seams, state, Remembered::Ignore));
}

std::optional<std::string> SourceMd5Hex(const std::string& path, Seams& seams, ProgramState& state) {
    return HexOf(SumFile(path, seams, state, Remembered::Take));
}

std::string ResultFileMd5(const std::string& path, Seams& seams, ProgramState& state) {
    seams.status.SetStatus(std::string(messages::Verifying), state.Settings.Colours.FontStatusColor, true);
    return FileMd5Hex(path, seams, state).value_or(std::string());
}

}  // namespace core

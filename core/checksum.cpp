#include "core/checksum.h"

#include <array>
#include <cstdint>

#include "core/messages.h"
#include "core/progress_meter.h"

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

    std::array<std::uint8_t, ChecksumPieceSize> piece;
    std::uint64_t total = 0;
    ProgressMeter progress(seams.status, *size);
    for (;;) {
        const std::int64_t result = file.Read(piece);
        const std::size_t count = result > 0 ? static_cast<std::size_t>(result) : 0;  // an error reads as 0
        total += count;
        Md5Update(context, std::span(piece).first(count));
        progress.Advance(count);
        seams.pump.ProcessPendingEvents();
        if (IsCancelled(seams, state, watchedText)) return;
        if (count == 0 || total == *size) break;
    }
    Md5Final(context, digest);
    completed = true;
}

std::optional<std::string> FileMd5Hex(const std::string& path, Seams& seams, const ProgramState& state) {
    bool completed = false;
    Md5Digest digest{};
    {
        std::optional<platform::File> file = platform::File::OpenForChecksum(path);
        if (!file) return std::nullopt;
        ComputeFileMd5(*file, completed, digest, seams, state);
    }  // closed as soon as the computation ends
    if (!completed) return std::nullopt;
    return Md5Hex(digest);
}

std::string ResultFileMd5(const std::string& path, Seams& seams, const ProgramState& state) {
    seams.status.SetStatus(std::string(messages::Verifying), state.Settings.Colours.FontStatusColor, true);
    return FileMd5Hex(path, seams, state).value_or(std::string());
}

}  // namespace core

#include "core/stepwise_file_work.h"

#include <algorithm>
#include <optional>

#include "platform/files.h"

namespace core {

bool FlushInSteps(platform::File& file, const CancelToken& cancel, ProgressSink& progress) {
    const std::optional<std::uint64_t> size = file.Size();
    if (!size) return false;
    for (std::uint64_t offset = 0; offset < *size; offset += FlushStepSize) {
        const std::uint64_t length = std::min(FlushStepSize, *size - offset);
        if (!file.SyncRange(offset, length)) return false;
        progress.Advance(offset + length, *size);
        if (cancel.IsCancelled()) return false;
    }
    // What the steps wrote is on the disk already; this adds anything written meanwhile and the
    // attributes the result was given (its permissions, owner and time stamp).
    return file.Sync();
}

void DeleteInSteps(const std::string& path, const CancelToken& cancel, ProgressSink& progress) {
    if (std::optional<platform::File> file = platform::File::OpenForShortening(path)) {
        const std::optional<std::uint64_t> total = file->Size();
        std::optional<std::uint64_t> size = total;
        while (size && *size > DeleteStepSize && !cancel.IsCancelled() &&
               file->Truncate(*size - DeleteStepSize)) {
            *size -= DeleteStepSize;
            progress.Advance(*total - *size, *total);
        }
    }
    (void)platform::RemoveFile(path);
}

}  // namespace core

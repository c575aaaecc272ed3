#include "core/stepwise_file_work.h"

#include <algorithm>
#include <optional>

#include "platform/files.h"

namespace core {

bool FlushInSteps(platform::File& file, EventPump& pump) {
    const std::optional<std::uint64_t> size = file.Size();
    if (!size) return false;
    for (std::uint64_t offset = 0; offset < *size; offset += FlushStepSize) {
        if (!file.SyncRange(offset, std::min(FlushStepSize, *size - offset))) return false;
        pump.ProcessPendingEvents();
    }
    // What the steps wrote is on the disk already; this adds anything written meanwhile and the
    // attributes the result was given (its permissions, owner and time stamp).
    return file.Sync();
}

void DeleteInSteps(const std::string& path, EventPump& pump) {
    if (std::optional<platform::File> file = platform::File::OpenForShortening(path)) {
        std::optional<std::uint64_t> size = file->Size();
        while (size && *size > DeleteStepSize && file->Truncate(*size - DeleteStepSize)) {
            *size -= DeleteStepSize;
            pump.ProcessPendingEvents();
        }
    }
    (void)platform::RemoveFile(path);
}

}  // namespace core

#include "core/disk_flush.h"

#include <algorithm>
#include <optional>

namespace core {

bool FlushInSteps(platform::File& file, EventPump& pump) {
    const std::optional<std::uint64_t> size = file.Size();
    if (!size) return false;
    for (std::uint64_t offset = 0; offset < *size; offset += FlushStepSize) {
        if (!file.SyncRange(offset, std::min(FlushStepSize, *size - offset))) return false;
        pump.ProcessPendingEvents();
    }
    // What the steps wrote is on the disk already; this adds the file's size and anything
    // written meanwhile.
    return file.SyncData();
}

}  // namespace core

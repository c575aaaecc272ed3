#pragma once
// Applies a bsdiff 4 patch to open files in constant memory: the new file is written in order, the
// old file is read where the control block points, the patch's three compressed blocks are read
// side by side, each decoded on a thread of its own. Every control triple is checked before it is used.
#include <cstdint>
#include <stop_token>

#include "core/result.h"

namespace bspatch {

struct PatchFiles {
    int oldDescriptor = -1;
    std::int64_t oldSize = 0;
    int patchDescriptor = -1;
    std::uint64_t patchSize = 0;
    int newDescriptor = -1;  // written from its current position on, never read
};

// A stop request on `cancel` ends the run with a failure soon after; the decoding threads have ended
// when it returns, whatever its result.
[[nodiscard]] core::Status ApplyPatch(const PatchFiles& files, const std::stop_token& cancel = {});

}  // namespace bspatch

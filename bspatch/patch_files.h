#pragma once
// The tool's work on named files: open the old file and the patch for reading, the new file for
// writing only, refuse a new file that is the old file or the patch, and apply the patch.
#include <stop_token>
#include <string>

#include "core/result.h"

namespace bspatch {

// Once the new file is known to be a regular file of its own it is emptied and written; any later
// failure removes it, so a failed run never leaves a partial new file behind; a stop request on
// `cancel` is such a failure.
[[nodiscard]] core::Status ApplyPatchFiles(const std::string& oldPath, const std::string& newPath,
                                           const std::string& patchPath, const std::stop_token& cancel = {});

}  // namespace bspatch

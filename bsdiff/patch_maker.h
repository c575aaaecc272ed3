#pragma once
// Makes a bsdiff 4 patch that turns one file into another. The patch is written to a hidden file
// beside its path and renamed into place once complete, so a failed run leaves no partial patch
// and an existing file at the path stays as it was.
#include <functional>
#include <string>

#include "core/result.h"

namespace bsdiff {

// Told the hidden file's path as soon as it exists, for a caller that removes it on a signal.
using HiddenFileSeen = std::function<void(const std::string& path)>;

[[nodiscard]] core::Status MakePatch(const std::string& oldPath, const std::string& newPath,
                                     const std::string& patchPath, const HiddenFileSeen& seen = {});

}  // namespace bsdiff

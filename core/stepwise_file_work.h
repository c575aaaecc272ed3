#pragma once
// Work on large files that the kernel would otherwise do in one long pause, done in steps on a
// worker thread: putting a finished file on the disk, and deleting a file.
#include <cstdint>
#include <string>

#include "core/long_work.h"
#include "platform/file.h"

namespace core {

// How much of the file one flush step writes out and waits for: small enough that a
// cancellation is seen soon, also on a slow disk.
inline constexpr std::uint64_t FlushStepSize = std::uint64_t{4} * 1024 * 1024;
// How much of the file one deletion step cuts off: freeing the cached pages and the disk blocks
// of this much takes a few milliseconds.
inline constexpr std::uint64_t DeleteStepSize = std::uint64_t{32} * 1024 * 1024;

// Writes the file's contents to the disk one step at a time, then waits until the contents and
// attributes are on the disk. False as soon as a step fails or `cancel` is seen.
[[nodiscard]] bool FlushInSteps(platform::File& file, const CancelToken& cancel, ProgressSink& progress);

// Removes the file at `path` (a symbolic link itself, never what it points to). A large file is
// first cut down one step at a time from its end, so that no single call frees gigabytes.
// Failures and `cancel` end the cutting: whatever is left is removed in one go.
void DeleteInSteps(const std::string& path, const CancelToken& cancel, ProgressSink& progress);

}  // namespace core

#pragma once
// Work on large files that the kernel would otherwise do in one long pause, done in steps with
// window events between them: putting a finished file on the disk, and deleting a file.
#include <cstdint>
#include <string>

#include "core/seams.h"
#include "platform/file.h"

namespace core {

// How much of the file one flush step writes out and waits for: small enough that a step stays
// well under the pause a person notices, also on a slow disk.
inline constexpr std::uint64_t FlushStepSize = 4 * 1024 * 1024;
// How much of the file one deletion step cuts off: freeing the cached pages and the disk blocks
// of this much takes a few milliseconds.
inline constexpr std::uint64_t DeleteStepSize = 32 * 1024 * 1024;

// Writes the file's contents to the disk one step at a time, processing window events after each
// step, then waits until the contents and attributes are on the disk. False as soon as a step
// fails.
[[nodiscard]] bool FlushInSteps(platform::File& file, EventPump& pump);

// Removes the file at `path` (a symbolic link itself, never what it points to). A large file is
// first cut down one step at a time from its end, with window events after each step. Failures
// are ignored: whatever could not be cut is removed in one go.
void DeleteInSteps(const std::string& path, EventPump& pump);

}  // namespace core

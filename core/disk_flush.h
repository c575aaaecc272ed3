#pragma once
// Putting a finished file on the disk before it replaces anything, without freezing the window.
#include <cstdint>

#include "core/seams.h"
#include "platform/file.h"

namespace core {

// How much of the file one step writes out and waits for: small enough that a step stays well
// under the pause a person notices, also on a slow disk.
inline constexpr std::uint64_t FlushStepSize = 4 * 1024 * 1024;

// Writes the file's contents to the disk one step at a time, processing window events after each
// step, then waits until the data and its size are on the disk. False as soon as a step fails.
[[nodiscard]] bool FlushInSteps(platform::File& file, EventPump& pump);

}  // namespace core

#pragma once
// Ending the program from whatever it is doing, without leaving anything behind.
#include "core/program_state.h"
#include "core/seams.h"

namespace core {

// How long a stopped outside program may take to end before it is killed.
inline constexpr int StopGraceMilliseconds = 2000;

// Stops the outside program the window is waiting for (and whatever it started), removes the
// temporary files of a conversion under way and the unpacked patch set, then ends the process
// with `exitCode`. Shows nothing.
[[noreturn]] void EndInOrder(RunRegister& run, Seams& seams, int exitCode);

}  // namespace core

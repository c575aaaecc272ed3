#pragma once
// Starting an outside program and waiting for it without blocking the caller's window.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct ProgramRun {
    bool started = false;
    // The exit status, or 128 + n for a program ended by signal n; empty when it could not be read.
    std::optional<std::uint32_t> exitCode;
};

// Runs arguments[0] (a path; a relative one is taken from the caller's current directory) with
// the whole list as its arguments, in `workingDirectory` when that is not empty, with the
// caller's environment and no open files beyond the standard three. A program that cannot be
// executed is not started. Otherwise waits for its end in slices of `slice`, calling
// `betweenSlices` after every slice that ends with the program still running.
[[nodiscard]] ProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& workingDirectory,
                                    std::chrono::milliseconds slice, const std::function<void()>& betweenSlices);

}  // namespace platform

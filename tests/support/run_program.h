#pragma once
// Runs a program to its end and keeps what it wrote, for tests that treat a tool as a black box.
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

struct ProgramRun {
    int exitCode = -1;  // 128 + n when a signal n ended it, -1 when it could not be started
    std::string standardOutput;
    std::string standardError;
};

// `arguments` starts with the program's path; no shell takes part. `whileRunning`, when given, is
// called with the program's process id once it started, before its end is awaited.
[[nodiscard]] ProgramRun RunProgram(const std::vector<std::string>& arguments,
                                    const std::function<void(pid_t)>& whileRunning = {});

}  // namespace testing_support

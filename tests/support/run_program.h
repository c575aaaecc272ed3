#pragma once
// Runs a program to its end and keeps what it wrote, for tests that treat a tool as a black box.
#include <string>
#include <vector>

namespace testing_support {

struct ProgramRun {
    int exitCode = -1;  // 128 + n when a signal n ended it, -1 when it could not be started
    std::string standardOutput;
    std::string standardError;
};

// `arguments` starts with the program's path; no shell takes part.
[[nodiscard]] ProgramRun RunProgram(const std::vector<std::string>& arguments);

}  // namespace testing_support

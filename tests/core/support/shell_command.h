#pragma once
// Runs a command line through the shell and keeps what it printed.
#include <string>

namespace testing_support {

struct ShellResult {
    int status;          // the exit status; -1 when the shell did not exit normally
    std::string output;  // standard output and standard error together
};

[[nodiscard]] ShellResult RunShellCommand(const std::string& commandLine);

}  // namespace testing_support

#include "tests/core/support/shell_command.h"

#include <sys/wait.h>

#include <cstdio>

namespace testing_support {

ShellResult RunShellCommand(const std::string& commandLine) {
    ShellResult result{-1, {}};
    // Braces keep the redirection for the whole line, background jobs included.
    FILE* pipe = popen(("{\n" + commandLine + "\n} 2>&1").c_str(), "r");
    if (!pipe) return result;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) result.output += buffer;
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace testing_support

#pragma once
// Runs an outside program and waits for it while the window keeps working.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/command_line.h"
#include "core/program_state.h"
#include "core/seams.h"

namespace core {

struct RunOptions {
    std::string workingDirectory;  // empty: the caller's current directory
    bool checkExitCode = false;    // report a non-zero exit code in an error box
    bool nonFatal = false;         // a failed start is an error box rather than the end of the program
};

// True when the program was started, whatever its exit code. While it runs, its process id is
// run.RunningProgram.
[[nodiscard]] bool RunProcess(const CommandLine& commandLine, const RunOptions& options, Seams& seams,
                              RunRegister& run);

// "program", character 13, "returned exit code", a blank and the code as an unsigned number.
[[nodiscard]] std::string ExitCodeMessage(std::string_view program, std::uint32_t exitCode);

}  // namespace core

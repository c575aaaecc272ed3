#pragma once
// Runs an outside program and waits for it while the window keeps working.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/command_line.h"
#include "core/program_state.h"
#include "core/seams.h"

namespace core {

struct RunOptions {
    std::string workingDirectory;  // empty: the caller's current directory
    // Report a non-zero exit code in an error box, the program's last line on standard error as
    // the box's reason.
    bool checkExitCode = false;
    bool nonFatal = false;  // a failed start is an error box rather than the end of the program
};

// How a started program ended.
struct FinishedProgram {
    std::optional<std::uint32_t> exitCode;  // nothing when it could not be read
    std::string lastErrorLine;              // what it said last, when its exit code is checked
};

// Runs the program and waits for its end; nothing when it could not be started. While it runs,
// its process id is run.RunningProgram.
[[nodiscard]] std::optional<FinishedProgram> RunProcess(const CommandLine& commandLine,
                                                        const RunOptions& options, Seams& seams,
                                                        RunRegister& run);

// "program", character 13, "returned exit code", a blank and the code as an unsigned number.
[[nodiscard]] std::string ExitCodeMessage(std::string_view program, std::uint32_t exitCode);

}  // namespace core

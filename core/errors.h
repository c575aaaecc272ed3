#pragma once
// The two kinds of error report: a message box the program survives, and one that ends it.
#include <string>

#include "core/program_state.h"
#include "core/seams.h"

namespace core {

// Restores the default cursor and shows an "Error" box; a reason that is not empty is shown as
// the box's details.
void ShowError(Seams& seams, const std::string& message, const std::string& reason = {});

// Restores the cursor, disables the window, shows the box, optionally removes the extraction
// directory, and ends the process with exit code 2.
[[noreturn]] void FatalError(Seams& seams, const RunRegister& run, const std::string& message,
                             bool removeExtractionDir);

// "text", character 13, "name": how every message that names a file is composed.
[[nodiscard]] std::string MessageWithName(std::string_view text, std::string_view name);

inline constexpr int FatalExitCode = 2;

}  // namespace core

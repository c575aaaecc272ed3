#pragma once
// The `check` verb: unpacks a set (a .sfx archive or a directory) privately and reports its faults.
#include <ostream>
#include <span>
#include <string>

namespace pack {

// `check SET [--apply VERSION_DIR]`. Prints one line per fault and a summary to `out`; exit
// status 0 when nothing is wrong, 1 when something is, 2 when the request is refused.
[[nodiscard]] int CheckCommand(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);

}  // namespace pack

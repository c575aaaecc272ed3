#pragma once
// The `check` verb: unpacks a set (a .sfx archive or a directory) privately and reports its faults.
#include <functional>
#include <ostream>
#include <span>
#include <string>

namespace pack {

// `check SET [--apply VERSION_DIR]`. Prints one line per fault and a summary to `out`; exit
// status 0 when nothing is wrong, 1 when something is, 2 when the request is refused. Once
// `shouldStop` turns true the check ends early, stops what it runs and prints no report.
[[nodiscard]] int CheckCommand(std::span<const std::string> arguments, std::ostream& out, std::ostream& err,
                               const std::function<bool()>& shouldStop);

}  // namespace pack

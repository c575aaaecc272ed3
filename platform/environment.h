#pragma once
// The process environment, as the program's placeholders see it.
#include <string>
#include <vector>

namespace platform {

// Every "name=value" entry of the process environment, in the order the environment lists them.
[[nodiscard]] std::vector<std::string> EnvironmentEntries();

}  // namespace platform

#pragma once
// Creating a directory together with the parents it is missing.
#include <string>

namespace core {

// True when the directory exists afterwards. Missing parents are created first, from the
// outermost inwards, each with mode 0700. A text shorter than 3 characters counts as existing.
[[nodiscard]] bool CreateDirectoryPath(const std::string& directory);

}  // namespace core

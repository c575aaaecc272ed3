#pragma once
// Watching processes that a test started indirectly, by their process ids.
#include <sys/types.h>

#include <string>

namespace testing_support {

// True once the process has ended (gone, or a zombie nobody has reaped yet).
[[nodiscard]] bool HasEnded(pid_t pid);

// Polls until the process has ended or `seconds` have passed; true when it ended.
[[nodiscard]] bool WaitUntilEnded(pid_t pid, int seconds = 20);

// Polls until the file exists and holds a line, then reads the number on it; 0 after `seconds`.
[[nodiscard]] pid_t WaitForPidFile(const std::string& path, int seconds = 20);

}  // namespace testing_support

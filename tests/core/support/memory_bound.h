#pragma once
// Runs a piece of work in a child process and watches how much memory it takes, so that a
// runaway allocation is stopped before it can hurt the machine.
#include <cstdint>
#include <functional>

namespace testing_support {

struct BoundedRun {
    bool finished = false;         // the work returned and the child exited with code 0
    bool killed = false;           // the child grew past the bound and was stopped
    std::int64_t growthBytes = 0;  // the child's peak resident memory above what it started with
};

// Runs `work` in a forked child. The work reports a failed check by returning false. While the
// child runs, its resident memory is polled; when it grows more than `boundBytes` above the
// parent's at the fork, the child is killed.
[[nodiscard]] BoundedRun RunWithinMemory(std::int64_t boundBytes, const std::function<bool()>& work);

}  // namespace testing_support

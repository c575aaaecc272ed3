#include "tests/core/support/processes.h"

#include <signal.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <thread>

namespace testing_support {

namespace {

// Polls `done` every few milliseconds until it holds or the deadline passes.
template <class Condition>
bool PollUntil(Condition done, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace

bool HasEnded(pid_t pid) {
    if (::kill(pid, 0) != 0) return errno == ESRCH;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    // The state follows the command name, which is in parentheses and may hold blanks.
    const std::size_t close = line.rfind(')');
    return close == std::string::npos || line.compare(close + 1, 3, " Z ") == 0;
}

bool WaitUntilEnded(pid_t pid, int seconds) {
    return PollUntil([pid] { return HasEnded(pid); }, seconds);
}

pid_t WaitForPidFile(const std::string& path, int seconds) {
    pid_t pid = 0;
    (void)PollUntil(
        [&] {
            std::ifstream file(path);
            std::string line;
            if (!std::getline(file, line) || line.empty()) return false;
            pid = static_cast<pid_t>(std::stol(line));
            return true;
        },
        seconds);
    return pid;
}

}  // namespace testing_support

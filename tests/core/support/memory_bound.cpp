#include "tests/core/support/memory_bound.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace testing_support {

namespace {

// VmRSS of a process from /proc, in bytes; 0 when it cannot be read (the process has ended).
std::int64_t ResidentBytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            std::int64_t kilobytes = 0;
            status >> kilobytes;
            return kilobytes * 1024;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

}  // namespace

BoundedRun RunWithinMemory(std::int64_t boundBytes, const std::function<bool()>& work) {
    const std::int64_t baseline = ResidentBytes(getpid());
    const pid_t child = fork();
    if (child < 0) return {};
    if (child == 0) _exit(work() ? 0 : 1);

    BoundedRun run;
    int status = 0;
    rusage usage{};
    for (;;) {
        const pid_t ended = wait4(child, &status, WNOHANG, &usage);
        if (ended == child) break;
        if (ended < 0) return run;
        if (ResidentBytes(child) - baseline > boundBytes) {
            run.killed = true;
            kill(child, SIGKILL);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    run.finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.growthBytes = static_cast<std::int64_t>(usage.ru_maxrss) * 1024 - baseline;
    return run;
}

}  // namespace testing_support

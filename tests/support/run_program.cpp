#include "tests/support/run_program.h"

#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace testing_support {

namespace {

// The whole content of an in-memory file, read from its start.
std::string Contents(int descriptor) {
    std::string text;
    char buffer[4096];
    for (off_t offset = 0;;) {
        const ssize_t count = ::pread(descriptor, buffer, sizeof buffer, offset);
        if (count <= 0) return text;
        text.append(buffer, static_cast<std::size_t>(count));
        offset += count;
    }
}

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& arguments,
                      const std::function<void(pid_t)>& whileRunning) {
    ProgramRun run;
    const int output = ::memfd_create("program-output", MFD_CLOEXEC);
    const int error = ::memfd_create("program-error", MFD_CLOEXEC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, error, STDERR_FILENO);
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = -1;
    if (output >= 0 && error >= 0 &&
        posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        if (whileRunning) whileRunning(pid);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.standardOutput = Contents(output);
        run.standardError = Contents(error);
    }
    posix_spawn_file_actions_destroy(&actions);
    if (output >= 0) ::close(output);
    if (error >= 0) ::close(error);
    return run;
}

}  // namespace testing_support

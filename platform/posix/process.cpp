#include "platform/process.h"

#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

extern char** environ;

namespace platform {

namespace {

// File descriptors 0 to 2 are the only ones a started program inherits.
constexpr int FirstNonStandardFd = 3;

class ProcessDescriptor {
public:
    // Through syscall(): the C library's own declaration lacks C linkage in some versions.
    explicit ProcessDescriptor(pid_t pid) : fd_(static_cast<int>(syscall(SYS_pidfd_open, pid, 0))) {}
    ~ProcessDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    ProcessDescriptor(const ProcessDescriptor&) = delete;
    ProcessDescriptor& operator=(const ProcessDescriptor&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// The working directory must not change which program runs, so a relative program path is
// resolved against the caller's current directory before the child changes directory.
std::string ProgramPath(const std::string& program) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(program, error);
    return error ? program : absolute.string();
}

std::optional<pid_t> Spawn(const std::vector<std::string>& arguments, const std::string& workingDirectory) {
    if (arguments.empty()) return std::nullopt;
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return std::nullopt;
    bool prepared = posix_spawn_file_actions_addclosefrom_np(&actions, FirstNonStandardFd) == 0;
    if (!workingDirectory.empty())
        prepared = prepared && posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str()) == 0;
    pid_t pid = 0;
    const bool spawned =
        prepared && posix_spawn(&pid, ProgramPath(arguments.front()).c_str(), &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!spawned) return std::nullopt;
    return pid;
}

// Whether the program ended within the slice. It is left unreaped, so its status can still be
// read. Without a process descriptor (older kernels) the slice is slept out whole.
bool EndsWithin(pid_t pid, const ProcessDescriptor& descriptor, std::chrono::milliseconds slice) {
    pollfd watch{descriptor.fd(), POLLIN, 0};
    poll(&watch, descriptor.fd() >= 0 ? 1 : 0, static_cast<int>(slice.count()));
    siginfo_t info{};
    // An error here means there is nothing left to wait for.
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0;
}

std::optional<std::uint32_t> ReapExitCode(pid_t pid) {
    int status = 0;
    pid_t reaped = 0;
    do reaped = waitpid(pid, &status, 0);
    while (reaped < 0 && errno == EINTR);
    if (reaped != pid) return std::nullopt;
    if (WIFEXITED(status)) return static_cast<std::uint32_t>(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return static_cast<std::uint32_t>(128 + WTERMSIG(status));
    return std::nullopt;
}

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& workingDirectory,
                      std::chrono::milliseconds slice, const std::function<void()>& betweenSlices) {
    const std::optional<pid_t> pid = Spawn(arguments, workingDirectory);
    if (!pid) return {};
    const ProcessDescriptor descriptor(*pid);
    while (!EndsWithin(*pid, descriptor, slice)) betweenSlices();
    return {true, ReapExitCode(*pid)};
}

}  // namespace platform

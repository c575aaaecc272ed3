#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace platform {

namespace {

// File descriptors 0 to 2 are the only ones a started program inherits.
constexpr int FirstNonStandardFd = 3;
constexpr unsigned CloseRangeCloexec = 1U << 2;  // CLOSE_RANGE_CLOEXEC of <linux/close_range.h>

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

// Everything the child needs, prepared before the fork: after it only async-signal-safe calls
// are allowed, since other threads may have held locks at that moment.
struct ChildPlan {
    std::string program;
    std::vector<char*> argv;
    const char* workingDirectory = nullptr;  // null: stay where the caller is
    pid_t parent = 0;
    int errorFd = -1;
    int standardErrorFd = -1;  // -1: the caller's standard error
    int highestFd = 0;
    sigset_t callerMask{};
};

// Marks every descriptor above the standard three to be closed by the exec.
void CloseOnExecAbove2(const ChildPlan& plan) {
    if (syscall(SYS_close_range, FirstNonStandardFd, ~0U, CloseRangeCloexec) == 0) return;
    for (int fd = FirstNonStandardFd; fd <= plan.highestFd; ++fd) fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// The caller's signal handlers must not run in the child: they belong to the caller's process.
void DefaultSignalHandlers() {
    for (int signal = 1; signal < NSIG; ++signal) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) != 0) continue;
        if (current.sa_handler == SIG_IGN || current.sa_handler == SIG_DFL) continue;
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        sigaction(signal, &fallback, nullptr);
    }
}

[[noreturn]] void RunChild(const ChildPlan& plan) {
    DefaultSignalHandlers();
    sigprocmask(SIG_SETMASK, &plan.callerMask, nullptr);
    int error = 0;
    // A group of its own lets the caller stop the program together with what it starts; the
    // death signal ends it when the caller dies, also from a signal that cannot be caught.
    if (setpgid(0, 0) != 0 || prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) error = errno;
    // The caller may have died before the death signal was asked for.
    if (error == 0 && getppid() != plan.parent) _exit(127);
    if (error == 0 && plan.workingDirectory && chdir(plan.workingDirectory) != 0) error = errno;
    if (error == 0 && plan.standardErrorFd >= 0 && dup2(plan.standardErrorFd, STDERR_FILENO) < 0)
        error = errno;
    if (error == 0) {
        CloseOnExecAbove2(plan);
        execve(plan.program.c_str(), plan.argv.data(), environ);
        error = errno;
    }
    while (write(plan.errorFd, &error, sizeof error) < 0 && errno == EINTR) {
    }
    _exit(127);
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

// The child reports a failed exec through the pipe; a pipe closed by a successful exec reads empty.
bool ExecSucceeded(int errorFd) {
    int error = 0;
    ssize_t count;
    do count = read(errorFd, &error, sizeof error);
    while (count < 0 && errno == EINTR);
    return count == 0;
}

// Whether the program has ended; it is left unreaped. An error means there is nothing left to wait for.
bool HasEnded(pid_t pid) {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0;
}

// The SIGCHLD handler can reach nothing but a global: the pipe's writing end, set once.
int childSignalWriteFd = -1;

void NoteChildSignal(int) {
    const int savedErrno = errno;
    // A full pipe already says that a child ended; losing this byte changes nothing.
    (void)!write(childSignalWriteFd, "", 1);
    errno = savedErrno;
}

// The reading end of the SIGCHLD pipe, made and the handler installed on the first call.
int ChildSignalReadingEnd() {
    static const int readingEnd = [] {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
        childSignalWriteFd = ends[1];
        struct sigaction action {};
        action.sa_handler = NoteChildSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_NOCLDSTOP;
        sigaction(SIGCHLD, &action, nullptr);
        return ends[0];
    }();
    return readingEnd;
}

void Drain(int descriptor) {
    char bytes[64];
    while (read(descriptor, bytes, sizeof bytes) > 0) {
    }
}

// Whether the program ended within the slice. It is left unreaped, so its status can still be
// read. Without a process descriptor (older kernels) the slice is slept out whole.
bool EndsWithin(pid_t pid, const ProcessDescriptor& descriptor, std::chrono::milliseconds slice) {
    pollfd watch{descriptor.fd(), POLLIN, 0};
    poll(&watch, descriptor.fd() >= 0 ? 1 : 0, static_cast<int>(slice.count()));
    return HasEnded(pid);
}

// The parent's process id from a /proc/<pid>/stat line: the second field after the command
// name, which is in parentheses and may itself hold blanks and parentheses.
std::optional<pid_t> ParentInStatLine(const std::string& line) {
    const std::size_t nameEnd = line.rfind(')');
    if (nameEnd == std::string::npos) return std::nullopt;
    std::istringstream rest(line.substr(nameEnd + 1));
    char state = 0;
    pid_t parent = 0;
    if (!(rest >> state >> parent)) return std::nullopt;
    return parent;
}

// Every process whose parent is this one, found through /proc (the per-task children lists
// are not built into every kernel).
std::vector<pid_t> ChildrenOfThisProcess() {
    const pid_t self = getpid();
    std::vector<pid_t> children;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;  // ended meanwhile
        if (ParentInStatLine(line) == self) children.push_back(static_cast<pid_t>(std::stol(name)));
    }
    return children;
}

}  // namespace

ErrorCapture::ErrorCapture() : descriptor_(memfd_create("standard error", MFD_CLOEXEC)) {}

ErrorCapture::~ErrorCapture() {
    if (descriptor_ >= 0) close(descriptor_);
}

std::string ErrorCapture::LastLine() const {
    // Only the end is read: a program that wrote much still ends with its conclusion.
    constexpr off_t TailBytes = 4096;
    struct stat status {};
    if (descriptor_ < 0 || fstat(descriptor_, &status) != 0) return {};
    const off_t start = status.st_size > TailBytes ? status.st_size - TailBytes : 0;
    std::string tail(static_cast<std::size_t>(status.st_size - start), '\0');
    const ssize_t count = pread(descriptor_, tail.data(), tail.size(), start);
    tail.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
    const std::size_t end = tail.find_last_not_of(" \t\r\n");
    if (end == std::string::npos) return {};
    const std::size_t lineEnd = tail.find_last_of('\n', end);
    const std::size_t first = lineEnd == std::string::npos ? 0 : lineEnd + 1;
    return tail.substr(first, end + 1 - first);
}

std::optional<ProgramId> StartProgram(const std::vector<std::string>& arguments,
                                      const std::string& workingDirectory, const ErrorCapture* errors) {
    if (arguments.empty()) return std::nullopt;
    ChildPlan plan;
    plan.program = ProgramPath(arguments.front());
    for (const std::string& argument : arguments) plan.argv.push_back(const_cast<char*>(argument.c_str()));
    plan.argv.push_back(nullptr);
    if (!workingDirectory.empty()) plan.workingDirectory = workingDirectory.c_str();
    plan.parent = getpid();
    if (errors) plan.standardErrorFd = errors->descriptor();
    const long openMax = sysconf(_SC_OPEN_MAX);
    plan.highestFd = openMax > 0 && openMax < INT_MAX ? static_cast<int>(openMax) - 1 : 1023;

    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC) != 0) return std::nullopt;
    plan.errorFd = errorPipe[1];
    // No signal may reach a handler of ours in the child before it has reset them.
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &plan.callerMask);
    const pid_t pid = fork();
    if (pid == 0) RunChild(plan);
    pthread_sigmask(SIG_SETMASK, &plan.callerMask, nullptr);
    close(errorPipe[1]);
    const bool started = pid > 0 && ExecSucceeded(errorPipe[0]);
    close(errorPipe[0]);
    if (started) return pid;
    if (pid > 0) (void)ReapExitCode(pid);
    return std::nullopt;
}

std::optional<std::uint32_t> WaitForProgram(ProgramId program, std::chrono::milliseconds slice,
                                            const std::function<void()>& betweenSlices) {
    const ProcessDescriptor descriptor(program);
    while (!EndsWithin(program, descriptor, slice)) betweenSlices();
    return ReapExitCode(program);
}

ProgramEndWatch::ProgramEndWatch(ProgramId program) : ProgramEndWatch(program, Means::ProcessDescriptor) {}

ProgramEndWatch::ProgramEndWatch(ProgramId program, Means means) : program_(program), means_(means) {
    if (means_ == Means::ProcessDescriptor) {
        descriptor_ = static_cast<int>(syscall(SYS_pidfd_open, program, 0));
        if (descriptor_ >= 0) return;
        means_ = Means::ChildSignal;  // a kernel older than 5.3
    }
    // A duplicate of the shared pipe, so that every watch can be registered on its own.
    const int shared = ChildSignalReadingEnd();
    if (shared >= 0) descriptor_ = fcntl(shared, F_DUPFD_CLOEXEC, 0);
}

ProgramEndWatch::~ProgramEndWatch() {
    if (descriptor_ >= 0) close(descriptor_);
}

bool ProgramEndWatch::Ended() {
    if (means_ == Means::ChildSignal && descriptor_ >= 0) Drain(descriptor_);
    return HasEnded(program_);
}

std::optional<std::uint32_t> ReapProgram(ProgramId program) { return ReapExitCode(program); }

void StopProgram(ProgramId program, std::chrono::milliseconds grace) {
    kill(-program, SIGTERM);
    const ProcessDescriptor descriptor(program);
    if (!EndsWithin(program, descriptor, grace)) kill(-program, SIGKILL);
    (void)ReapExitCode(program);
    // Whatever it started and left behind must not go on working in our files.
    kill(-program, SIGKILL);
}

void BecomeChildSubreaper() { prctl(PR_SET_CHILD_SUBREAPER, 1); }

void EndAllChildren() {
    // A killed child's own children are handed to this process before the child can be reaped,
    // so each round finds the next generation.
    // A child this process may not signal (a set-user-ID program) is left to end on its own.
    for (;;) {
        std::vector<pid_t> killed;
        for (const pid_t child : ChildrenOfThisProcess())
            if (kill(child, SIGKILL) == 0) killed.push_back(child);
        if (killed.empty()) return;
        for (const pid_t child : killed) (void)ReapExitCode(child);
    }
}

}  // namespace platform

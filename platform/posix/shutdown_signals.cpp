#include "platform/shutdown_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

// The handler can reach nothing but a global: the pipe's writing end, set once.
int signalPipeWriteFd = -1;
int signalPipeReadFd = -1;  // kept open for the duplicates of every watcher

void WriteSignalNumber(int signal) {
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a request to end; losing this one changes nothing.
    (void)!write(signalPipeWriteFd, &byte, 1);
    errno = savedErrno;
}

// The pipe's reading end, made and the handlers installed on the first call.
int SharedReadingEnd() {
    if (signalPipeReadFd >= 0) return signalPipeReadFd;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
    signalPipeReadFd = ends[0];
    signalPipeWriteFd = ends[1];
    struct sigaction action {};
    action.sa_handler = WriteSignalNumber;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) sigaction(signal, &action, nullptr);
    return signalPipeReadFd;
}

}  // namespace

// A descriptor of its own, so that every watcher of the pipe can be registered on its own.
ShutdownSignals::ShutdownSignals() {
    const int shared = SharedReadingEnd();
    if (shared >= 0) descriptor_ = fcntl(shared, F_DUPFD_CLOEXEC, 0);
}

ShutdownSignals::~ShutdownSignals() {
    if (descriptor_ >= 0) close(descriptor_);
}

std::optional<int> ShutdownSignals::Next() {
    unsigned char byte = 0;
    ssize_t count;
    do count = read(descriptor_, &byte, 1);
    while (count < 0 && errno == EINTR);
    if (count != 1) return std::nullopt;
    return byte;
}

}  // namespace platform

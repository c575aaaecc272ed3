#include "platform/shutdown_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

// The handler can reach nothing but a global: the pipe's writing end, set once.
int signalPipeWriteFd = -1;
int signalPipeReadFd = -1;

void WriteSignalNumber(int signal) {
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a request to end; losing this one changes nothing.
    (void)!write(signalPipeWriteFd, &byte, 1);
    errno = savedErrno;
}

}  // namespace

int CatchShutdownSignals() {
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

std::optional<int> NextShutdownSignal(int readFd) {
    unsigned char byte = 0;
    ssize_t count;
    do count = read(readFd, &byte, 1);
    while (count < 0 && errno == EINTR);
    if (count != 1) return std::nullopt;
    return byte;
}

}  // namespace platform

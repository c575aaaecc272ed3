#include "bspatch/stop_signals.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

namespace bspatch {

namespace {

sigset_t EndingSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&signals, signal);
    return signals;
}

core::Failure CannotWatch(int error) {
    return core::Failure{std::string("cannot watch for signals: ") + std::strerror(error)};
}

}  // namespace

core::Result<std::unique_ptr<StopOnSignals>> StopOnSignals::Start() {
    const sigset_t signals = EndingSignals();
    if (const int error = pthread_sigmask(SIG_BLOCK, &signals, nullptr); error != 0)
        return CannotWatch(error);
    const int signalDescriptor = signalfd(-1, &signals, SFD_CLOEXEC);
    if (signalDescriptor < 0) return CannotWatch(errno);
    const int wakeDescriptor = eventfd(0, EFD_CLOEXEC);
    if (wakeDescriptor < 0) {
        const core::Failure failure = CannotWatch(errno);
        close(signalDescriptor);
        return failure;
    }
    try {
        return std::unique_ptr<StopOnSignals>(new StopOnSignals(signalDescriptor, wakeDescriptor));
    } catch (const std::system_error& error) {
        close(signalDescriptor);
        close(wakeDescriptor);
        return core::Failure{std::string("cannot watch for signals: ") + error.what()};
    }
}

StopOnSignals::StopOnSignals(int signalDescriptor, int wakeDescriptor)
    : signalDescriptor_(signalDescriptor), wakeDescriptor_(wakeDescriptor), watching_([this] { Watch(); }) {}

StopOnSignals::~StopOnSignals() {
    const std::uint64_t one = 1;
    // An eventfd write of 1 cannot fail short of an overflowing counter, which one write cannot reach.
    (void)!write(wakeDescriptor_, &one, sizeof one);
    watching_.join();
    close(signalDescriptor_);
    close(wakeDescriptor_);
}

// Waits for an ending signal or the wake-up; the first signal requests the stop and ends the watch.
void StopOnSignals::Watch() {
    pollfd descriptors[2] = {{signalDescriptor_, POLLIN, 0}, {wakeDescriptor_, POLLIN, 0}};
    for (;;) {
        if (poll(descriptors, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (descriptors[1].revents != 0) return;
        signalfd_siginfo info{};
        if (read(signalDescriptor_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            received_.store(static_cast<int>(info.ssi_signo));
            stop_.request_stop();
            return;
        }
    }
}

void EndBySignal(int number) {
    ::signal(number, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, number);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(number);
    std::_Exit(128 + number);  // only when the signal's default action does not end the process
}

}  // namespace bspatch

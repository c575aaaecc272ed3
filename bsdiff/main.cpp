// bsdiff OLD NEW PATCH: writes a bsdiff 4 PATCH that turns OLD into NEW. Exit status 0 on success,
// 1 on any failure with one line on standard error saying what was wrong; a SIGTERM, SIGHUP or
// SIGINT removes the unfinished patch and ends the run with 128 + the signal's number.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

#include "bsdiff/patch_maker.h"

namespace {

// Waits for the ending signals on a thread of its own (they are blocked in every other thread),
// so that removing the unfinished patch is ordinary code, not a signal handler.
class EndingSignals {
  public:
    EndingSignals() {
        sigemptyset(&signals_);
        for (const int signal : {SIGTERM, SIGHUP, SIGINT}) sigaddset(&signals_, signal);
        pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
        std::thread([this] { Wait(); }).detach();
    }

    void RemoveOnSignal(const std::string& path) {
        std::lock_guard lock(mutex_);
        hidden_ = path;
    }

  private:
    [[noreturn]] void Wait() {
        int signal = 0;
        while (sigwait(&signals_, &signal) != 0) {
        }
        std::lock_guard lock(mutex_);
        if (!hidden_.empty()) (void)::unlink(hidden_.c_str());
        ::_exit(128 + signal);
    }

    sigset_t signals_{};
    std::mutex mutex_;
    std::string hidden_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: bsdiff OLD NEW PATCH\n", stderr);
        return 1;
    }
    try {
        static EndingSignals signals;
        const core::Status made = bsdiff::MakePatch(
            argv[1], argv[2], argv[3], [](const std::string& path) { signals.RemoveOnSignal(path); });
        if (made) return 0;
        std::fprintf(stderr, "bsdiff: %s\n", made.Reason().c_str());
    } catch (const std::exception& error) {
        // Allocating the buffers or a message can throw; that ends the run like any failure.
        std::fprintf(stderr, "bsdiff: %s\n", error.what());
    }
    return 1;
}

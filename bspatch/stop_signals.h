#pragma once
// Turns the signals that ask a program to end (SIGTERM, SIGINT, SIGHUP) into a stop request, so
// that a run asked to end removes its partial new file and ends its decoding threads before the
// process goes. Started first thing in main: the signals are blocked in the calling thread, every
// thread started later inherits that, and a thread of its own takes them from a signalfd.
#include <atomic>
#include <memory>
#include <stop_token>
#include <thread>

#include "core/result.h"

namespace bspatch {

class StopOnSignals {
  public:
    [[nodiscard]] static core::Result<std::unique_ptr<StopOnSignals>> Start();
    // Ends the watching thread; the signals stay blocked.
    ~StopOnSignals();
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;

    std::stop_token Token() const { return stop_.get_token(); }
    // The signal that asked to stop, 0 while none did.
    int Received() const { return received_.load(); }

  private:
    StopOnSignals(int signalDescriptor, int wakeDescriptor);
    void Watch();

    int signalDescriptor_;
    int wakeDescriptor_;  // an eventfd that tells the watching thread to end
    std::stop_source stop_;
    std::atomic<int> received_{0};
    std::thread watching_;
};

// Ends the process as signal `number` ends it when nothing handles it, so that whoever waits for it
// sees the signal.
[[noreturn]] void EndBySignal(int number);

}  // namespace bspatch

#pragma once
// Starting an outside program and waiting for it without blocking the caller's window.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Process id of a started program.
using ProgramId = int;

// What a started program writes to its standard error, kept in an anonymous file so that its
// last words can be shown after it has ended.
class ErrorCapture {
  public:
    ErrorCapture();
    ~ErrorCapture();
    ErrorCapture(const ErrorCapture&) = delete;
    ErrorCapture& operator=(const ErrorCapture&) = delete;

    // -1 when no anonymous file could be made: the program then writes where the caller does.
    [[nodiscard]] int descriptor() const { return descriptor_; }
    // The last line that is not blank, without its line end; empty when there is none.
    [[nodiscard]] std::string LastLine() const;

  private:
    int descriptor_;
};

// Starts arguments[0] (a path; a relative one is taken from the caller's current directory) with
// the whole list as its arguments, in `workingDirectory` when that is not empty, with the
// caller's environment and no open files beyond the standard three. The program leads a process
// group of its own, so that it can be stopped together with whatever it starts, and the kernel
// kills it when the caller dies. nullopt when it cannot be executed (missing, no permission, a
// format the kernel does not run).
// With `errors`, the program's standard error goes there instead of to the caller's.
[[nodiscard]] std::optional<ProgramId> StartProgram(const std::vector<std::string>& arguments,
                                                    const std::string& workingDirectory,
                                                    const ErrorCapture* errors = nullptr);

// Waits for the started program's end in slices of `slice`, calling `betweenSlices` after every
// slice that ends with the program still running. Returns the exit status, or 128 + n for a
// program ended by signal n; empty when it could not be read.
[[nodiscard]] std::optional<std::uint32_t> WaitForProgram(ProgramId program, std::chrono::milliseconds slice,
                                                          const std::function<void()>& betweenSlices);

// A descriptor that becomes readable once the started program has ended, for an event loop to
// watch instead of waking up at intervals. The program is left unreaped (see ReapProgram).
class ProgramEndWatch {
  public:
    enum class Means {
        ProcessDescriptor,  // pidfd_open: readable when this program ends
        ChildSignal,        // a pipe a SIGCHLD handler writes to: readable when any child ends
    };
    // Where the kernel offers process descriptors, one of those; else the SIGCHLD pipe.
    explicit ProgramEndWatch(ProgramId program);
    ProgramEndWatch(ProgramId program, Means means);
    ~ProgramEndWatch();
    ProgramEndWatch(const ProgramEndWatch&) = delete;
    ProgramEndWatch& operator=(const ProgramEndWatch&) = delete;

    // -1 when neither means could be set up; then only Ended() tells.
    [[nodiscard]] int descriptor() const { return descriptor_; }
    [[nodiscard]] Means means() const { return means_; }
    // Whether the program has ended. Empties the SIGCHLD pipe, so call it when the descriptor
    // became readable.
    [[nodiscard]] bool Ended();

  private:
    ProgramId program_;
    Means means_;
    int descriptor_ = -1;
};

// Waits for the started program's end and reaps it: its exit status, or 128 + n for a program
// ended by signal n; empty when it could not be read.
[[nodiscard]] std::optional<std::uint32_t> ReapProgram(ProgramId program);

// Ends a started program that is still running, with everything in its process group: asks
// them to terminate, kills them when the program has not ended after `grace`, and waits for it.
void StopProgram(ProgramId program, std::chrono::milliseconds grace);

// Makes this process the new parent of every orphan among its descendants, so that what a started
// program leaves running (even in a session of its own) can still be found and ended.
void BecomeChildSubreaper();

// Kills and reaps every child of this process, then the orphans their ends hand over to it, until
// none is left. For the way out: nothing this process started may outlive it.
void EndAllChildren();

}  // namespace platform

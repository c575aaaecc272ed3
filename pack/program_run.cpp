#include "pack/program_run.h"

#include <chrono>

#include "platform/process.h"

namespace pack {

namespace {

constexpr std::chrono::milliseconds WaitSlice{50};
constexpr std::chrono::milliseconds StopGrace{1000};

}  // namespace

std::string ProgramRun::StatusText() const {
    return "exit status " + (exitStatus ? std::to_string(*exitStatus) : std::string("unknown"));
}

ProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& workingDirectory,
                      const std::function<bool()>& shouldStop) {
    const auto program = platform::StartProgram(arguments, workingDirectory);
    if (!program) return {};
    bool stopped = false;
    const auto status = platform::WaitForProgram(*program, WaitSlice, [&] {
        if (stopped || !shouldStop()) return;
        stopped = true;
        platform::StopProgram(*program, StopGrace);
    });
    if (stopped) return {ProgramRun::End::Stopped, std::nullopt};
    return {ProgramRun::End::Finished, status};
}

}  // namespace pack

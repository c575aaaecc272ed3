#pragma once
// Runs an outside program (bsdiff, an archive, a patch tool) to its end, or stops it when the
// caller asks the run to end.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pack {

struct ProgramRun {
    enum class End { Finished, NotStarted, Stopped };
    End end = End::NotStarted;
    std::optional<std::uint32_t> exitStatus;  // when it finished and its status could be read

    [[nodiscard]] bool Succeeded() const { return end == End::Finished && exitStatus == 0u; }
    // "exit status N", or "exit status unknown".
    [[nodiscard]] std::string StatusText() const;
};

// Starts the program and waits for it. `shouldStop` is polled while it runs; once it turns true
// the program and whatever it started are stopped (terminated, then killed after a grace time).
[[nodiscard]] ProgramRun RunProgram(const std::vector<std::string>& arguments,
                                    const std::string& workingDirectory,
                                    const std::function<bool()>& shouldStop);

}  // namespace pack

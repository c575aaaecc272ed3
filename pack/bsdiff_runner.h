#pragma once
// Makes patches with a bsdiff program (ours or the system's), several at a time, reporting progress.
#include <functional>
#include <string>
#include <vector>

#include "core/result.h"

namespace pack {

struct PatchJob {
    std::string oldFile;
    std::string newFile;
    std::string patchFile;
};

struct RunnerSettings {
    std::string bsdiff;  // the program's path; it takes OLD NEW PATCH
    int parallel = 1;    // how many run at once
    // Called after each finished job with its number of finished jobs so far.
    std::function<void(int finished, int total)> progress;
    // Polled by every waiting job; true stops them all and refuses the run. Called from several
    // threads at once.
    std::function<bool()> stopRequested;
};

// Runs every job; refused at the first job that fails (the others are stopped) or on a stop.
[[nodiscard]] core::Status RunPatchJobs(const std::vector<PatchJob>& jobs, const RunnerSettings& settings);

}  // namespace pack

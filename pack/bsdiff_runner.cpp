#include "pack/bsdiff_runner.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <thread>

#include "pack/program_run.h"

namespace pack {

namespace {

// The shared state of the workers: the next job to take, and the first failure.
class JobQueue {
  public:
    JobQueue(const std::vector<PatchJob>& jobs, const RunnerSettings& settings)
        : jobs_(jobs), settings_(settings) {}

    void Work() {
        while (const PatchJob* job = Take()) {
            const std::optional<std::string> failure = Run(*job);
            std::lock_guard lock(mutex_);
            if (failure) {
                if (!failure_) failure_ = failure;
                return;
            }
            ++finished_;
            if (settings_.progress) settings_.progress(finished_, static_cast<int>(jobs_.size()));
        }
    }

    [[nodiscard]] std::optional<std::string> Failure() {
        std::lock_guard lock(mutex_);
        return failure_;
    }

  private:
    const PatchJob* Take() {
        std::lock_guard lock(mutex_);
        if (failure_ || next_ == jobs_.size()) return nullptr;
        return &jobs_[next_++];
    }

    bool ShouldStop() {
        if (settings_.stopRequested && settings_.stopRequested()) return true;
        std::lock_guard lock(mutex_);
        return failure_.has_value();
    }

    std::optional<std::string> Run(const PatchJob& job) {
        const ProgramRun run = RunProgram({settings_.bsdiff, job.oldFile, job.newFile, job.patchFile},
                                          std::string(), [this] { return ShouldStop(); });
        switch (run.end) {
            case ProgramRun::End::NotStarted:
                return "could not start " + settings_.bsdiff;
            case ProgramRun::End::Stopped:
                return "stopped";
            case ProgramRun::End::Finished:
                break;
        }
        if (!run.Succeeded()) return "bsdiff failed (" + run.StatusText() + ") making " + job.patchFile;
        return std::nullopt;
    }

    const std::vector<PatchJob>& jobs_;
    const RunnerSettings& settings_;
    std::mutex mutex_;
    std::size_t next_ = 0;
    int finished_ = 0;
    std::optional<std::string> failure_;
};

}  // namespace

core::Status RunPatchJobs(const std::vector<PatchJob>& jobs, const RunnerSettings& settings) {
    JobQueue queue(jobs, settings);
    const int workers = std::clamp(settings.parallel, 1, std::max(1, static_cast<int>(jobs.size())));
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(workers));
    for (int i = 0; i < workers; ++i) threads.emplace_back([&queue] { queue.Work(); });
    for (std::thread& thread : threads) thread.join();
    if (settings.stopRequested && settings.stopRequested()) return core::Failure{"interrupted"};
    if (auto failure = queue.Failure()) return core::Failure{*failure};
    return core::Succeeded;
}

}  // namespace pack

#include "pack/set_maker.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core/patch_set.h"
#include "platform/directory_mark.h"
#include "platform/files.h"
#include "platform/process.h"

namespace pack {

namespace {

namespace fs = std::filesystem;

constexpr std::chrono::milliseconds WaitSlice{50};
constexpr std::chrono::milliseconds StopGrace{1000};
constexpr unsigned StagingDirectoryMode = 0755;
constexpr std::string_view SetDirectoryName = "set";

// The names of the directories made beside `outDir` are this followed by a number.
std::string BesideStem(const fs::path& outDir, std::string_view what) {
    return "." + outDir.filename().string() + "." + std::string(what) + "-";
}

// A directory beside `outDir` with a name nobody else holds: ".<name>.<what>-<n>".
core::Result<std::string> FreshDirectoryBeside(const fs::path& outDir, std::string_view what) {
    const fs::path parent = fs::absolute(outDir).parent_path();
    const std::string stem = BesideStem(outDir, what);
    for (int number = 0; number < 10000; ++number) {
        const std::string candidate = (parent / (stem + std::to_string(number))).string();
        switch (platform::MakeDirectory(candidate, StagingDirectoryMode)) {
            case platform::MakeDirectoryResult::Created:
                return candidate;
            case platform::MakeDirectoryResult::AlreadyExists:
                continue;
            case platform::MakeDirectoryResult::Failed:
                return core::Failure{"cannot create a directory beside " + outDir.string()};
        }
    }
    return core::Failure{"no free name for a directory beside " + outDir.string()};
}

core::Status WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) return core::Failure{"cannot write " + path};
    return core::Succeeded;
}

core::Status CopyProgram(const std::string& from, const std::string& to) {
    std::error_code error;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
    if (!error) fs::permissions(to, fs::perms(0755), error);
    if (error) return core::Failure{"cannot copy " + from + " to " + to + ": " + error.message()};
    return core::Succeeded;
}

// Runs the archive maker over the set's directory; the archive is <staging>/<base>.sfx.
core::Status PackArchive(const BuildPlan& plan, const std::string& setDirectory, const std::string& archive,
                         const std::function<bool()>& stopRequested) {
    const auto program = platform::StartProgram({plan.tools.makeSfx, setDirectory, archive}, std::string());
    if (!program) return core::Failure{"cannot start " + plan.tools.makeSfx};
    bool stopped = false;
    const auto status = platform::WaitForProgram(*program, WaitSlice, [&] {
        if (stopped || !stopRequested()) return;
        stopped = true;
        platform::StopProgram(*program, StopGrace);
    });
    if (stopped) return core::Failure{"interrupted"};
    if (!status || *status != 0) return core::Failure{plan.tools.makeSfx + " failed"};
    return core::Succeeded;
}

// Makes the patches, the catalogue and the patch tool in <staging>/set, then packs them.
core::Status MakeArchive(const BuildPlan& plan, const std::string& staging, const MakeSettings& settings) {
    const std::string setDirectory = staging + "/" + std::string(SetDirectoryName);
    if (platform::MakeDirectory(setDirectory, StagingDirectoryMode) != platform::MakeDirectoryResult::Created)
        return core::Failure{"cannot create " + setDirectory};

    std::vector<PatchJob> jobs = plan.jobs;
    for (PatchJob& job : jobs) job.patchFile = setDirectory + "/" + job.patchFile;
    const auto start = std::chrono::steady_clock::now();
    RunnerSettings runner{plan.tools.bsdiff, plan.parallel,
                          [&](int finished, int total) {
                              if (!settings.progress) return;
                              const std::chrono::duration<double> elapsed =
                                  std::chrono::steady_clock::now() - start;
                              char line[96];
                              std::snprintf(line, sizeof line, "bsdiff: pair %d of %d done, %.1f s elapsed\n",
                                            finished, total, elapsed.count());
                              *settings.progress << line << std::flush;
                          },
                          settings.stopRequested};
    if (auto made = RunPatchJobs(jobs, runner); !made) return made;

    if (auto written = WriteFile(core::CataloguePath(setDirectory), plan.catalogue); !written) return written;
    if (auto copied = CopyProgram(plan.tools.bspatch, core::PatchToolPath(setDirectory)); !copied)
        return copied;
    if (auto packed =
            PackArchive(plan, setDirectory, staging + "/" + plan.base + ".sfx", settings.stopRequested);
        !packed)
        return packed;
    platform::DeleteDirectoryTree(setDirectory);
    return core::Succeeded;
}

core::Status MakeCompanions(const BuildPlan& plan, const std::string& staging) {
    if (auto copied = CopyProgram(plan.tools.converter, staging + "/" + plan.base); !copied) return copied;
    if (plan.settings)
        if (auto written = WriteFile(staging + "/" + plan.base + ".cfg", *plan.settings); !written)
            return written;
    if (plan.library) {
        const std::string_view bytes(reinterpret_cast<const char*>(plan.library->data()),
                                     plan.library->size());
        if (auto written = WriteFile(staging + "/" + plan.base + ".dll", bytes); !written) return written;
    }
    return core::Succeeded;
}

// Renames the finished set to OUT_DIR; a full OUT_DIR (with --force) is moved aside first and
// removed once the new set stands in its place.
core::Status MoveIntoPlace(const BuildPlan& plan, const std::string& staging) {
    std::error_code error;
    std::optional<std::string> old;
    if (plan.replaceOutDir) {
        core::Result<std::string> aside = FreshDirectoryBeside(plan.outDir, "old");
        if (!aside) return aside.AsFailure();
        fs::rename(plan.outDir, *aside, error);  // replaces the empty directory just made
        if (error) {
            std::error_code ignored;
            fs::remove(*aside, ignored);
            return core::Failure{"cannot move " + plan.outDir + " aside: " + error.message()};
        }
        old = *aside;
    }
    fs::rename(staging, plan.outDir, error);
    if (error) {
        if (old) fs::rename(*old, plan.outDir, error);
        return core::Failure{"cannot move the set to " + plan.outDir};
    }
    if (old) platform::DeleteDirectoryTree(*old);
    return core::Succeeded;
}

}  // namespace

// The set is made in <work>/set-to-be, which becomes OUT_DIR at the end. <work> is marked in use
// for as long as the build runs, so a later build removes what a build killed outright left.
core::Status MakeSet(const BuildPlan& plan, const MakeSettings& settings) {
    platform::RemoveAbandonedDirectories(fs::absolute(plan.outDir).parent_path().string(),
                                         BesideStem(plan.outDir, "partial"));
    core::Result<std::string> work = FreshDirectoryBeside(plan.outDir, "partial");
    if (!work) return work.AsFailure();
    const std::optional<platform::DirectoryMark> mark = platform::MarkDirectoryInUse(*work);
    const std::string staging = *work + "/set-to-be";
    core::Status made = core::Succeeded;
    if (!mark ||
        platform::MakeDirectory(staging, StagingDirectoryMode) != platform::MakeDirectoryResult::Created)
        made = core::Failure{"cannot prepare " + *work};
    if (made) made = MakeArchive(plan, staging, settings);
    if (made) made = MakeCompanions(plan, staging);
    if (made && settings.stopRequested()) made = core::Failure{"interrupted"};
    if (made) made = MoveIntoPlace(plan, staging);
    platform::DeleteDirectoryTree(*work);
    return made;
}

}  // namespace pack

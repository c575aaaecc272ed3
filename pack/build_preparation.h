#pragma once
// Everything `build` checks and works out before it makes a single file: refused inputs end the
// run here, so a refused build leaves no trace.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/result.h"
#include "pack/bsdiff_runner.h"
#include "pack/build_request.h"
#include "pack/tool_paths.h"

namespace pack {

// What the machine offers the build.
struct Machine {
    std::optional<std::uint64_t> availableMemory;  // nothing: unknown, not checked
    int cores = 1;
};

struct BuildPlan {
    std::string outDir;
    std::string base;
    bool replaceOutDir = false;  // OUT_DIR exists and is not empty, and --force was given
    std::string catalogue;       // the text of patchinfo.ini
    std::vector<PatchJob> jobs;  // patch file names relative to the set's directory
    int parallel = 1;
    std::optional<std::string> settings;               // the text of <base>.cfg
    std::optional<std::vector<std::uint8_t>> library;  // the bytes of <base>.dll
    ToolPaths tools;
};

// Why a label, file name or base name cannot be used; nothing when it can. `what` names it in
// the message.
[[nodiscard]] std::optional<std::string> NameProblem(std::string_view what, std::string_view name);

// Checks the request in this order: names and labels, input files, OUT_DIR, the programs, memory,
// then reads every version for its checksum (two alike are refused) and composes the files.
// Reading ends early, refused, once `shouldStop` answers true.
[[nodiscard]] core::Result<BuildPlan> PrepareBuild(const BuildRequest& request, const ToolPaths& tools,
                                                   const Machine& machine,
                                                   const std::function<bool()>& shouldStop);

}  // namespace pack

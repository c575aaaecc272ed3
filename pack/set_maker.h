#pragma once
// Makes the set a prepared build describes: everything is written into a fresh directory beside
// OUT_DIR and moved into place at the end, so a failed or interrupted run leaves OUT_DIR as it was.
#include <functional>
#include <ostream>

#include "core/result.h"
#include "pack/build_preparation.h"

namespace pack {

struct MakeSettings {
    std::function<bool()> stopRequested;  // polled while programs run and between steps
    std::ostream* progress = nullptr;     // one line per finished patch
};

// Refused when a step fails or a stop was requested; the staging directory is gone either way.
[[nodiscard]] core::Status MakeSet(const BuildPlan& plan, const MakeSettings& settings);

}  // namespace pack

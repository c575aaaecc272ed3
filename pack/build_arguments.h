#pragma once
// Reads the command line of the `build` verb.
#include <span>
#include <string>

#include "core/result.h"
#include "pack/build_request.h"

namespace pack {

// The arguments after "build": OUT_DIR, then options and LABEL=PATH pairs in any order (the
// pairs oldest version first). Refused for an unknown option, an option without its value, a
// pair without "=", fewer than two versions, or a --describe for a label that is not a version.
[[nodiscard]] core::Result<BuildRequest> ParseBuildArguments(std::span<const std::string> arguments);

}  // namespace pack

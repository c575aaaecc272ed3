#pragma once
// The programs a build uses or ships: the patch maker, the converter, the patch tool and the
// archive maker.
#include <optional>
#include <string>
#include <string_view>

#include "core/result.h"

namespace pack {

struct ToolPaths {
    std::string bsdiff;
    std::string converter;
    std::string bspatch;
    std::string makeSfx;
};

// The first executable file of that name in $PATH; nothing when there is none.
[[nodiscard]] std::optional<std::string> FindInPath(std::string_view name);

// Our own patch maker and patch tool, or the system's where asked; refused when a program is missing.
[[nodiscard]] core::Result<ToolPaths> FindTools(bool systemBsdiff, bool systemBspatch);

}  // namespace pack

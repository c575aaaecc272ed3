#include "pack/tool_paths.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace pack {

namespace {

// Where the build put the programs this tool ships.
constexpr std::string_view BuiltConverter = FC_CONVERTER;
constexpr std::string_view BuiltBspatch = FC_OWN_BSPATCH;
constexpr std::string_view BuiltBsdiff = FC_OWN_BSDIFF;
constexpr std::string_view MakeSfxScript = FC_MAKE_SFX;

bool IsExecutable(const std::string& path) { return !path.empty() && access(path.c_str(), X_OK) == 0; }

}  // namespace

std::string FindInPath(std::string_view name) {
    const char* path = std::getenv("PATH");
    std::string_view directories = path ? path : "/usr/bin:/bin";
    while (!directories.empty()) {
        const auto colon = directories.find(':');
        const std::string_view directory = directories.substr(0, colon);
        const std::string candidate =
            std::string(directory.empty() ? "." : directory) + "/" + std::string(name);
        if (IsExecutable(candidate)) return candidate;
        directories = colon == std::string_view::npos ? std::string_view() : directories.substr(colon + 1);
    }
    return {};
}

Outcome<ToolPaths> FindTools(bool systemBsdiff, bool systemBspatch) {
    ToolPaths tools{systemBsdiff ? FindInPath("bsdiff") : std::string(BuiltBsdiff), std::string(BuiltConverter),
                    systemBspatch ? FindInPath("bspatch") : std::string(BuiltBspatch),
                    std::string(MakeSfxScript)};
    if (systemBsdiff && tools.bsdiff.empty()) return Refusal{"bsdiff is not installed (Debian package bsdiff)"};
    if (!IsExecutable(tools.bsdiff))
        return Refusal{"the project's own patch maker " + tools.bsdiff +
                       " has not been built; --system-bsdiff uses the system's"};
    if (!IsExecutable(tools.converter))
        return Refusal{"the converter " + tools.converter + " has not been built"};
    if (systemBspatch && tools.bspatch.empty())
        return Refusal{"bspatch is not installed (Debian package bsdiff)"};
    if (!IsExecutable(tools.bspatch))
        return Refusal{"the project's own patch tool " + tools.bspatch +
                       " has not been built; --system-bspatch ships the system's"};
    if (!IsExecutable(tools.makeSfx)) return Refusal{"the archive maker " + tools.makeSfx + " is missing"};
    return tools;
}

}  // namespace pack

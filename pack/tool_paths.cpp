#include "pack/tool_paths.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "core/text.h"
#include "platform/files.h"

namespace pack {

namespace {

bool IsExecutable(const std::string& path) { return !path.empty() && access(path.c_str(), X_OK) == 0; }

// The project's own programs this tool runs or ships.
struct OwnPrograms {
    std::string bsdiff;
    std::string converter;
    std::string bspatch;
    std::string makeSfx;
};

// Installed, this tool lives in <prefix>/bin beside the converter, with the patch maker, the patch
// tool and the archive maker in <prefix>/lib/file-converter; run from the build tree, it uses what
// the build made.
OwnPrograms LocateOwnPrograms() {
    const std::string bin = core::DirectoryPart(platform::ExecutablePath());
    const std::string lib = bin + "../" FC_INSTALLED_LIB_DIR "/";
    if (IsExecutable(lib + "make-sfx"))
        return {lib + "bsdiff", bin + "file-converter", lib + "bspatch", lib + "make-sfx"};
    return {FC_OWN_BSDIFF, FC_CONVERTER, FC_OWN_BSPATCH, FC_MAKE_SFX};
}

}  // namespace

std::optional<std::string> FindInPath(std::string_view name) {
    const char* path = std::getenv("PATH");
    std::string_view directories = path ? path : "/usr/bin:/bin";
    while (!directories.empty()) {
        const auto colon = directories.find(':');
        const std::string_view directory = directories.substr(0, colon);
        std::string candidate = std::string(directory.empty() ? "." : directory) + "/" + std::string(name);
        if (IsExecutable(candidate)) return candidate;
        directories = colon == std::string_view::npos ? std::string_view() : directories.substr(colon + 1);
    }
    return std::nullopt;
}

core::Result<ToolPaths> FindTools(bool systemBsdiff, bool systemBspatch) {
    OwnPrograms own = LocateOwnPrograms();
    std::optional<std::string> bsdiff = systemBsdiff ? FindInPath("bsdiff") : std::move(own.bsdiff);
    if (!bsdiff) return core::Failure{"bsdiff is not installed (Debian package bsdiff)"};
    if (!IsExecutable(*bsdiff))
        return core::Failure{"the project's own patch maker " + *bsdiff +
                             " has not been built; --system-bsdiff uses the system's"};
    if (!IsExecutable(own.converter))
        return core::Failure{"the converter " + own.converter + " has not been built"};
    std::optional<std::string> bspatch = systemBspatch ? FindInPath("bspatch") : std::move(own.bspatch);
    if (!bspatch) return core::Failure{"bspatch is not installed (Debian package bsdiff)"};
    if (!IsExecutable(*bspatch))
        return core::Failure{"the project's own patch tool " + *bspatch +
                             " has not been built; --system-bspatch ships the system's"};
    if (!IsExecutable(own.makeSfx)) return core::Failure{"the archive maker " + own.makeSfx + " is missing"};
    return ToolPaths{std::move(*bsdiff), std::move(own.converter), std::move(*bspatch),
                     std::move(own.makeSfx)};
}

}  // namespace pack

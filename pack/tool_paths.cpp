#include "pack/tool_paths.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "core/text.h"
#include "platform/files.h"

namespace pack {

namespace {

bool IsExecutable(const std::string& path) { return !path.empty() && access(path.c_str(), X_OK) == 0; }

struct ShippedPrograms {
    std::string converter;
    std::string bspatch;
    std::string makeSfx;
};

// Installed, this tool lives in <prefix>/bin beside the converter, with the patch tool and the
// archive maker in <prefix>/lib/file-converter; run from the build tree, it ships what the build made.
ShippedPrograms LocateShippedPrograms() {
    const std::string bin = core::DirectoryPart(platform::ExecutablePath());
    const std::string lib = bin + "../" FC_INSTALLED_LIB_DIR "/";
    if (IsExecutable(lib + "make-sfx")) return {bin + "file-converter", lib + "bspatch", lib + "make-sfx"};
    return {FC_CONVERTER, FC_OWN_BSPATCH, FC_MAKE_SFX};
}

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

Outcome<ToolPaths> FindTools(bool systemBspatch) {
    ShippedPrograms shipped = LocateShippedPrograms();
    ToolPaths tools{FindInPath("bsdiff"), std::move(shipped.converter),
                    systemBspatch ? FindInPath("bspatch") : std::move(shipped.bspatch), std::move(shipped.makeSfx)};
    if (tools.bsdiff.empty()) return Refusal{"bsdiff is not installed (Debian package bsdiff)"};
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

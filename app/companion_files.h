#pragma once
// The files that travel with the executable and share its base name.
#include <string>
#include <vector>

namespace app {

struct CompanionFiles {
    std::string base;              // the executable's file name without its extension
    std::string settingsFile;      // <base>.cfg, looked up in the current directory
    // <base>.dll, the optional branding file: beside the executable, else in the current directory.
    std::vector<std::string> resourceLibraryPaths;
    std::string patchSetArchive;   // <directory of the executable>/<base>.sfx
};

[[nodiscard]] CompanionFiles CompanionFilesFor(const std::string& executablePath);

}  // namespace app

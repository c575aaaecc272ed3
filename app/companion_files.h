#pragma once
// The files that travel with the executable and share its base name.
#include <string>
#include <vector>

namespace app {

struct CompanionFiles {
    std::string base;  // the executable's file name without its extension
    // <base>.cfg: in the current directory, else beside the executable (a launcher starts
    // programs in the home folder).
    std::vector<std::string> settingsPaths;
    // <base>.dll, the optional branding file: beside the executable, else in the current directory.
    std::vector<std::string> resourceLibraryPaths;
    std::string patchSetArchive;  // <directory of the executable>/<base>.sfx
};

[[nodiscard]] CompanionFiles CompanionFilesFor(const std::string& executablePath);

// The first of the settings paths where a file stands; the first path when there is none, which
// then reads as the defaults.
[[nodiscard]] std::string SettingsFileToRead(const CompanionFiles& files);

}  // namespace app

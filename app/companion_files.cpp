#include "app/companion_files.h"

#include "core/text.h"

namespace app {

CompanionFiles CompanionFilesFor(const std::string& executablePath) {
    const std::string fileName = core::FileNamePart(executablePath);
    const std::string resourceLibrary = core::ChangeExtension(fileName, ".dll");
    return CompanionFiles{
        .base = core::ChangeExtension(fileName, ""),
        .settingsFile = core::ChangeExtension(fileName, ".cfg"),
        .resourceLibraryPaths = {core::DirectoryPart(executablePath) + resourceLibrary, resourceLibrary},
        .patchSetArchive = core::ChangeExtension(executablePath, ".sfx"),
    };
}

}  // namespace app

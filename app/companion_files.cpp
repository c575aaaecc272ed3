#include "app/companion_files.h"

#include "core/text.h"

namespace app {

CompanionFiles CompanionFilesFor(const std::string& executablePath) {
    const std::string fileName = core::FileNamePart(executablePath);
    return CompanionFiles{
        .base = core::ChangeExtension(fileName, ""),
        .settingsFile = core::ChangeExtension(fileName, ".cfg"),
        .resourceLibrary = core::ChangeExtension(fileName, ".dll"),
        .patchSetArchive = core::ChangeExtension(executablePath, ".sfx"),
    };
}

}  // namespace app

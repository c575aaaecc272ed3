#include "app/companion_files.h"

#include "core/text.h"
#include "platform/files.h"

namespace app {

CompanionFiles CompanionFilesFor(const std::string& executablePath) {
    const std::string fileName = core::FileNamePart(executablePath);
    const std::string resourceLibrary = core::ChangeExtension(fileName, ".dll");
    const std::string settings = core::ChangeExtension(fileName, ".cfg");
    return CompanionFiles{
        .base = core::ChangeExtension(fileName, ""),
        .settingsPaths = {settings, core::DirectoryPart(executablePath) + settings},
        .resourceLibraryPaths = {core::DirectoryPart(executablePath) + resourceLibrary, resourceLibrary},
        .patchSetArchive = core::ChangeExtension(executablePath, ".sfx"),
    };
}

std::string SettingsFileToRead(const CompanionFiles& files) {
    for (const std::string& path : files.settingsPaths)
        if (platform::IsFileEntry(path)) return path;
    return files.settingsPaths.front();
}

}  // namespace app

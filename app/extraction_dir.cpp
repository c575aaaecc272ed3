#include "app/extraction_dir.h"

#include "core/directories.h"
#include "platform/files.h"

namespace app {

ExtractionDirChoice CreateExtractionDir(const std::string& tempFolder, const std::string& base) {
    std::string stem = tempFolder;
    if (stem.empty() || stem.back() != '/') stem += '/';
    stem += base;
    // The temporary folder itself may be missing; whether that worked shows in the mkdir below.
    (void)core::CreateDirectoryPath(tempFolder);
    platform::RemoveAbandonedDirectories(tempFolder, base);

    std::string candidate = stem;
    for (unsigned long number = 0;; ++number) {
        switch (platform::MakeDirectory(candidate, 0700)) {
            case platform::MakeDirectoryResult::Created:
                return {candidate, true, platform::MarkDirectoryInUse(candidate)};
            case platform::MakeDirectoryResult::Failed:
                return {candidate, false, std::nullopt};
            case platform::MakeDirectoryResult::AlreadyExists:
                candidate = stem + std::to_string(number);
                break;
        }
    }
}

}  // namespace app

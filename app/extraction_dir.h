#pragma once
// The directory the patch set is unpacked into: ours alone, under the temporary folder.
#include <optional>
#include <string>

#include "platform/directory_mark.h"

namespace app {

struct ExtractionDirChoice {
    std::string path;  // the candidate that was created, or the one that failed
    bool created = false;
    // Marks the directory as in use while it lives; empty when the mark could not be made, which
    // only means that a later run cannot tidy up after this one if it is killed.
    std::optional<platform::DirectoryMark> mark;
};

// Removes the directories that killed runs of this program left behind, then tries
// <temp>/<base>, <base>0, <base>1, ... and creates the first name that does not exist in any
// form, with mode 0700, so nobody else can plant files in it, and marks it as in use.
[[nodiscard]] ExtractionDirChoice CreateExtractionDir(const std::string& tempFolder, const std::string& base);

}  // namespace app

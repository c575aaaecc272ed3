#pragma once
// The directory the patch set is unpacked into: ours alone, under the temporary folder.
#include <optional>
#include <string>

namespace app {

struct ExtractionDirChoice {
    std::string path;  // the candidate that was created, or the one that failed
    bool created = false;
};

// Tries <temp>/<base>, then <base>0, <base>1, ... and creates the first name that does not exist
// in any form, with mode 0700, so nobody else can plant files in it.
[[nodiscard]] ExtractionDirChoice CreateExtractionDir(const std::string& tempFolder, const std::string& base);

}  // namespace app

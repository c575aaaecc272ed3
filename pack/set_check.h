#pragma once
// Finds the mistakes in an unpacked patch set that hide versions from the converter or break a
// conversion. Each finding is one line in plain words.
#include <functional>
#include <string>
#include <vector>

namespace pack {

struct CheckReport {
    std::vector<std::string> faults;  // something is wrong with the set
    std::vector<std::string> notes;   // something could not be checked
};

// Looks at the catalogue, the patch tool and the patch files in `setDirectory`.
[[nodiscard]] CheckReport CheckSetDirectory(const std::string& setDirectory);

// Applies every usable patch of the set to the file in `versionDirectory` (searched through)
// whose checksum is the patch's starting version, writing the results into `workDirectory`, and
// reports each result whose checksum is not its target version's. Ends early, with what it found
// so far, once `shouldStop` turns true.
[[nodiscard]] CheckReport ApplyEveryPatch(const std::string& setDirectory,
                                          const std::string& versionDirectory,
                                          const std::string& workDirectory,
                                          const std::function<bool()>& shouldStop);

}  // namespace pack

#pragma once
// Two versions of a large file that are mostly holes, and a patch of three control triples between
// them: it moves across the whole old file (and across the 4 GiB mark when the file is larger), seeks
// back over gigabytes and reads past the old file's end. The new version is written directly from
// the known bytes, never by applying the patch, so its checksum can prove a conversion.
#include <cstdint>
#include <string>

namespace testing_support {

struct SparseVersionPair {
    std::string oldPath;
    std::string newPath;
    std::string patchPath;
    std::uint64_t newSize = 0;
};

// Writes old.bin, new.bin and old_new.bsdiff into `directory`. `oldSize` is at least 1 MiB.
[[nodiscard]] SparseVersionPair MakeSparseVersionPair(const std::string& directory, std::uint64_t oldSize);

}  // namespace testing_support

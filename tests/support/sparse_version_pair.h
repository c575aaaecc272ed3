#pragma once
// Two versions of a large file that are mostly holes, and a patch of three control triples between
// them: it moves across the whole old file (and across the 4 GiB mark when the file is larger), seeks
// back over gigabytes and reads past the old file's end. The new version is written directly from
// the known bytes, never by applying the patch, so its checksum can prove a conversion.
#include <cstdint>
#include <string>

#include "core/catalogue_types.h"

namespace testing_support {

struct SparseVersionPair {
    std::string oldPath;  // <directory>/old.bin
    std::string newPath;  // <directory>/new.bin
    std::uint64_t newSize = 0;
};

// Writes both versions into `directory` and the patch to `patchPath`. `oldSize` is at least 1 MiB.
[[nodiscard]] SparseVersionPair MakeSparseVersionPair(const std::string& directory,
                                                      const std::string& patchPath, std::uint64_t oldSize);

// The catalogue's entry for version "1" (the old file) or "2" (the new one) of the pair.
[[nodiscard]] core::FileInfo CatalogueEntry(const std::string& version, const std::string& md5);

}  // namespace testing_support

#pragma once
// Where the unpacked patch set's fixed files live.
#include <string>
#include <string_view>

namespace core {

inline constexpr std::string_view PatchToolName = "bspatch";
inline constexpr std::string_view CatalogueFileName = "patchinfo.ini";

[[nodiscard]] inline std::string PatchToolPath(const std::string& extractionDir) {
    return extractionDir + "/" + std::string(PatchToolName);
}

[[nodiscard]] inline std::string CataloguePath(const std::string& extractionDir) {
    return extractionDir + "/" + std::string(CatalogueFileName);
}

}  // namespace core

#pragma once
// Writes the catalogue (patchinfo.ini) that the converter reads: one section per version,
// Description2 last in each, every line ended with CR LF.
#include <string>
#include <string_view>

#include "core/catalogue.h"

namespace pack {

// A header or description token: bare when it is not empty and holds no blank and no double
// quote; otherwise in double quotes, each double quote written as backslash and double quote.
[[nodiscard]] std::string CatalogueToken(std::string_view text);

// The whole catalogue: the comment line (when not empty), the AppNames section (when there are
// application names), then one section per version.
[[nodiscard]] std::string CatalogueText(const core::CatalogueContents& contents, std::string_view comment);

// The first field in which `read` differs from `intended`, as "<field> of <file> <version>";
// nothing when the catalogue reader gave back exactly what was written.
[[nodiscard]] std::string FirstDifference(const core::CatalogueContents& intended,
                                          const core::CatalogueContents& read);

}  // namespace pack

#pragma once
// Small shared helpers of the packing tool: file checksums, patch names, reading a catalogue
// without a window, and quoting names in messages.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "core/catalogue.h"

namespace pack {

// The file's MD5 in 32 lower-case hexadecimal digits; nothing when it cannot be read.
[[nodiscard]] std::optional<std::string> Md5OfFile(const std::string& path);

// The patch file name the converter looks for, without a directory.
[[nodiscard]] std::string PatchName(const core::FileInfo& from, const core::FileInfo& to);

// The catalogue read with the converter's own reader; nothing when it cannot be read.
[[nodiscard]] std::optional<core::CatalogueContents> ReadCatalogue(const std::string& path);
[[nodiscard]] std::optional<core::CatalogueContents> ReadCatalogue(std::FILE* file);

[[nodiscard]] std::string Quoted(std::string_view text);

}  // namespace pack

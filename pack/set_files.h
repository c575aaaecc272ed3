#pragma once
// Small shared helpers of the packing tool: file checksums and contents, patch names, reading a
// catalogue without a window, and quoting names in messages.
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/catalogue.h"

namespace pack {

// The file's MD5 in 32 lower-case hexadecimal digits; nothing when it cannot be read or when
// `shouldStop` answers true, which it is asked before every piece read.
[[nodiscard]] std::optional<std::string> Md5OfFile(const std::string& path,
                                                   const std::function<bool()>& shouldStop);

// The patch file name the converter looks for, without a directory.
[[nodiscard]] std::string PatchName(const core::FileInfo& from, const core::FileInfo& to);

// The file's whole contents; nothing when it cannot be read.
[[nodiscard]] std::optional<std::string> ReadFileText(const std::string& path);

// The text as a stream, for the readers that take one; null when it cannot be opened. The text
// must outlive the stream.
using TextStream = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
[[nodiscard]] TextStream OpenText(std::string& text);

// A catalogue's text read with the converter's own reader; nothing when it does not read.
[[nodiscard]] std::optional<core::CatalogueContents> ReadCatalogue(std::string text);

[[nodiscard]] std::string Quoted(std::string_view text);

}  // namespace pack

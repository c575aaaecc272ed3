#pragma once
// The rules that propose a target file name from the source's name, its version and the chosen
// target version or the catalogue's name pattern. They work on text alone; names are compared
// ignoring the letter case of A to Z.
#include <optional>
#include <string>
#include <string_view>

#include "core/program_state.h"

namespace core {

// The file name of the path without its last "." and everything after it.
[[nodiscard]] std::string BaseName(std::string_view path);
// The file name of the path from its last "." on, the dot included; empty when it has none.
[[nodiscard]] std::string Extension(std::string_view path);

// The base name without one trailing "_" + version, or else without a trailing "_New"; the whole
// base name when there is no version, no such suffix, or nothing would be left.
[[nodiscard]] std::string NameStem(std::string_view path, std::optional<std::string_view> version);

// The text upper-cased when the model has no lower-case letters and the text no upper-case ones;
// lower-cased when the model has only lower-case letters; otherwise unchanged.
[[nodiscard]] std::string MatchCaseOf(std::string_view model, std::string_view text);

// The pattern's base name and extension, each "*" standing for the reference's base name and
// extension, in the reference's directory. The dot is written even for an empty extension.
[[nodiscard]] std::string ApplyNamePattern(std::string_view reference, std::string_view pattern);

// True when the target's file name is one the program derives from the source and the previous
// choice (by its pattern, its version or "_New"), or the source's own file name. A target
// without a file name (a directory ending in "/") is the user's own.
[[nodiscard]] bool IsDerivedTargetName(std::string_view source, std::optional<std::string_view> version,
                                       std::string_view target, const TargetChoice& previous);

// The target box's new text when `chosen` is picked for the source of that version: a fresh name
// in the source's directory when the box is empty, a new name in the box's directory when it
// holds a derived one, and nothing when it holds a name of the user's own.
[[nodiscard]] std::optional<std::string> ProposeTargetName(std::string_view source, std::string_view version,
                                                           std::string_view currentTarget,
                                                           const FileInfo& chosen,
                                                           const TargetChoice& previous);

// The file name the target Browse dialog offers when the target box is empty.
[[nodiscard]] std::string NewFileName(std::string_view source, std::optional<std::string_view> version);

// The version label of the identified source; nothing when no source is identified.
[[nodiscard]] std::optional<std::string> IdentifiedVersion(const FileInfoList& fileInfos, int sourceIndex);

}  // namespace core

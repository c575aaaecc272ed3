#pragma once
// Catalogue knowledge about a source file: which entry it is, which versions it can become and
// which patch file leads there.
#include <string>
#include <string_view>
#include <vector>

#include "core/program_state.h"

namespace core {

// Position of the first entry whose md5 text equals the checksum ignoring case; -1 for none.
// An entry with an empty md5 text never matches.
[[nodiscard]] int FindSourceIndex(const FileInfoList& fileInfos, std::string_view md5Hex);

// <extraction dir>/<source file name without extension>_<source version>_<target version>.bsdiff,
// every part lower-cased.
[[nodiscard]] std::string PatchFileName(const std::string& extractionDir, const FileInfo& source,
                                        const FileInfo& target);

// Whether that patch file exists. A name whose catalogue texts hold a ".." path component could
// lead out of the extraction directory, so it counts as missing.
[[nodiscard]] bool PatchFileExists(const std::string& extractionDir, const FileInfo& source,
                                   const FileInfo& target);

// Positions of the entries the identified source can become, in catalogue order: the same file,
// not the source entry itself, and its patch file present. Empty when no source is identified.
[[nodiscard]] std::vector<int> ReachableTargets(const FileInfoList& fileInfos, int sourceIndex,
                                                const std::string& extractionDir);

// The application name for a file name: the first AppNames entry that matches it ignoring case.
[[nodiscard]] std::string ApplicationNameFor(const AppInfoList& appInfos, std::string_view fileName);

// The lines shown for a chosen target: its description lines, then, when it carries a calendar
// time stamp, an empty line and "Time stamp: MM/DD/YYYY HH:MM:SS".
[[nodiscard]] std::vector<std::string> TargetDescriptionLines(const FileInfo& target);

}  // namespace core

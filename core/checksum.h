#pragma once
// MD5 checksums of whole files. The summing itself is plain work for a worker thread; the
// functions that take a path run it through the window's BackgroundWork.
#include <optional>
#include <string>

#include "core/checksum_memory.h"
#include "core/colours.h"
#include "core/long_work.h"
#include "core/md5.h"
#include "core/seams.h"
#include "platform/file.h"

namespace core {

// The file is read in steps of this size, one read call each; cancellation is looked at after
// every step.
inline constexpr std::size_t ChecksumReadSize = std::size_t{1024} * 1024;

// Sums the whole file from its start on the calling thread, while a second thread reads the
// next step. Stops without a digest when `cancel` is set (seen after every step, the last one
// included) or the file's size or position cannot be taken. A failed read ends the file there;
// a file that grows is summed up to the size it had at the start. The file's position is the
// same afterwards as before, on every way out.
[[nodiscard]] std::optional<Md5Digest> ComputeFileMd5(platform::File& file, const CancelToken& cancel,
                                                      ProgressSink& progress);

// The hexadecimal checksum of the file at `path`, read in full, or nullopt when the file could not
// be opened for a checksum or the computation was cancelled. A completed checksum is remembered
// in `memory`. Shows nothing.
[[nodiscard]] std::optional<std::string> FileMd5Hex(const std::string& path, const CancelToken& cancel,
                                                    Seams& seams, ChecksumMemory& memory);

// As FileMd5Hex, but when a checksum is remembered for the file in exactly its present state, that
// one is taken instead of reading the file. The file is still opened for a checksum first, so a
// file that another program holds is refused as always.
[[nodiscard]] std::optional<std::string> SourceMd5Hex(const std::string& path, const CancelToken& cancel,
                                                      Seams& seams, ChecksumMemory& memory);

// Shows "Verifying..." in `statusColour` (left on the status line for the caller to replace) and returns the
// file's hexadecimal checksum, read in full, or nothing when none was computed. Never shows a
// message.
[[nodiscard]] std::optional<std::string> ResultFileMd5(const std::string& path, const CancelToken& cancel,
                                                       Seams& seams, ChecksumMemory& memory,
                                                       Colour statusColour);

}  // namespace core

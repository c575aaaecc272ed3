#pragma once
// MD5 checksums of whole files, computed in small pieces on the window's thread: window events
// run between the pieces, and a change of the source name or the window closing cancels.
#include <optional>
#include <string>

#include "core/md5.h"
#include "core/program_state.h"
#include "core/seams.h"
#include "platform/file.h"

namespace core {

// The file is summed in pieces of this size, with window events after each piece.
inline constexpr std::size_t ChecksumPieceSize = 4096;
// The pieces are taken from one buffer of this size, filled by one read call at a time.
inline constexpr std::size_t ChecksumReadSize = 1024 * 1024;

// Sums the whole file from its start. On completion writes the digest and sets `completed`;
// when the source text changes or the program shuts down meanwhile, or the file's size or
// position cannot be taken, leaves both untouched. A failed read ends the file there. The
// file's position is the same afterwards as before, on every way out.
void ComputeFileMd5(platform::File& file, bool& completed, Md5Digest& digest, Seams& seams,
                    const ProgramState& state);

// The hexadecimal checksum of the file at `path`, read in full, or nullopt when the file could not
// be opened for a checksum or the computation was cancelled. A completed checksum is remembered
// in `state.Checksums`. Shows nothing.
[[nodiscard]] std::optional<std::string> FileMd5Hex(const std::string& path, Seams& seams,
                                                    ProgramState& state);

// As FileMd5Hex, but when a checksum is remembered for the file in exactly its present state, that
// one is taken instead of reading the file. The file is still opened for a checksum first, so a
// file that another program holds is refused as always.
[[nodiscard]] std::optional<std::string> SourceMd5Hex(const std::string& path, Seams& seams,
                                                      ProgramState& state);

// Shows "Verifying..." (left on the status line for the caller to replace) and returns the
// file's hexadecimal checksum, read in full, or the empty text when none was computed. Never
// shows a message.
[[nodiscard]] std::string ResultFileMd5(const std::string& path, Seams& seams, ProgramState& state);

}  // namespace core

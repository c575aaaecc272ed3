#pragma once
// Reading at a position of a file, as the patch, the old file and the header all are read.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "core/result.h"

namespace bspatch {

// pread, tried again when a signal interrupts it: the number of bytes read (0 at the end of the
// file), or "cannot read the <what>: <reason>".
[[nodiscard]] core::Result<std::size_t> ReadAt(int descriptor, std::span<std::uint8_t> buffer,
                                               std::uint64_t offset, std::string_view what);

}  // namespace bspatch

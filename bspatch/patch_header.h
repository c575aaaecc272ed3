#pragma once
// The fixed start of a bsdiff 4 patch: the magic text and three 8-byte numbers, the lengths of the
// compressed control and diff blocks and the size of the new file. The extra block fills the rest.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/result.h"

namespace bspatch {

inline constexpr std::size_t HeaderSize = 32;
inline constexpr std::size_t NumberSize = 8;

// Where each compressed block lies in the patch file, and how long the new file is.
struct PatchLayout {
    std::uint64_t controlOffset = 0;
    std::uint64_t controlLength = 0;
    std::uint64_t diffOffset = 0;
    std::uint64_t diffLength = 0;
    std::uint64_t extraOffset = 0;
    std::uint64_t extraLength = 0;
    std::int64_t newSize = 0;
};

// The format's numbers: 8 bytes, least significant first, the top bit of the last byte is the
// sign and the other 63 bits the magnitude.
[[nodiscard]] std::int64_t DecodeNumber(std::span<const std::uint8_t, NumberSize> bytes);

// Checks the magic text, that no size is negative and that the blocks fit into a patch file of
// `patchSize` bytes (at least HeaderSize: the header was read from it).
[[nodiscard]] core::Result<PatchLayout> ReadLayout(std::span<const std::uint8_t, HeaderSize> header,
                                                   std::uint64_t patchSize);

}  // namespace bspatch

#include "bspatch/patch_header.h"

#include <algorithm>
#include <string_view>

namespace bspatch {

namespace {

constexpr std::string_view Magic = "BSDIFF40";

std::int64_t NumberAt(std::span<const std::uint8_t, HeaderSize> header, std::size_t offset) {
    return DecodeNumber(header.subspan(offset).first<NumberSize>());
}

}  // namespace

std::int64_t DecodeNumber(std::span<const std::uint8_t, NumberSize> bytes) {
    std::uint64_t magnitude = 0;
    for (std::size_t i = NumberSize; i-- > 0;) magnitude = magnitude << 8 | bytes[i];
    const bool negative = (magnitude >> 63) != 0;
    const auto value = static_cast<std::int64_t>(magnitude & ~(std::uint64_t{1} << 63));
    return negative ? -value : value;
}

core::Result<PatchLayout> ReadLayout(std::span<const std::uint8_t, HeaderSize> header,
                                     std::uint64_t patchSize) {
    if (!std::equal(Magic.begin(), Magic.end(), header.begin()))
        return core::Failure{"not a bsdiff 4 patch: it does not start with BSDIFF40"};
    const std::int64_t controlLength = NumberAt(header, 8);
    const std::int64_t diffLength = NumberAt(header, 16);
    const std::int64_t newSize = NumberAt(header, 24);
    if (controlLength < 0 || diffLength < 0 || newSize < 0)
        return core::Failure{"damaged patch: the header holds a negative size"};

    // Each length is below 2^63 and the header's 32 bytes are in the file, so the sums cannot wrap.
    const std::uint64_t available = patchSize - HeaderSize;
    const auto control = static_cast<std::uint64_t>(controlLength);
    const auto diff = static_cast<std::uint64_t>(diffLength);
    if (control > available || diff > available - control)
        return core::Failure{"damaged patch: the header's blocks run past the end of the patch"};
    return PatchLayout{
        .controlOffset = HeaderSize,
        .controlLength = control,
        .diffOffset = HeaderSize + control,
        .diffLength = diff,
        .extraOffset = HeaderSize + control + diff,
        .extraLength = available - control - diff,
        .newSize = newSize,
    };
}

}  // namespace bspatch

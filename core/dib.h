#pragma once
// Bitmap resources hold a device-independent bitmap without the 14-byte file header that a .bmp
// file starts with. Putting that header back in front lets any BMP reader decode them.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace core {

// Pictures larger than this many pixels are refused as damaged: a window's branding picture is
// never that large, and decoding one would only cost memory.
inline constexpr std::uint64_t MaxBitmapPixels = std::uint64_t{1} << 24;
// Nor is either side longer than this: the picture stands in a window of fixed size, and a side
// beyond what a widget can hold makes the toolkit fail while scaling it.
inline constexpr std::int64_t MaxBitmapSide = 4096;

// The complete .bmp file for a bitmap resource: file header, then the resource's bytes. Nothing
// when the headers are malformed, the format is not one a bitmap resource can have, the picture
// is absurdly large, or its palette, masks or uncompressed pixels run past the end.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> BitmapFileFromResource(
    std::span<const std::uint8_t> dib);

}  // namespace core

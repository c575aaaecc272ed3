#pragma once
// Decoding of the branding library's bitmaps.
#include <QImage>
#include <cstdint>
#include <span>

namespace ui {

// A bitmap resource as 24-bit pixels; a null image when it is damaged or cannot be decoded.
[[nodiscard]] QImage DecodeBitmapResource(std::span<const std::uint8_t> resource);

}  // namespace ui

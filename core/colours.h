#pragma once
#include <cstdint>

namespace core {

// A colour as red + green * 256 + blue * 65536; 0x80000000 + n is system colour n.
using Colour = std::uint32_t;

inline constexpr Colour SystemColour(std::uint32_t index) { return 0x80000000u + index; }
inline constexpr Colour RgbColour(std::uint32_t r, std::uint32_t g, std::uint32_t b) { return r + g * 256u + b * 65536u; }

inline constexpr std::uint32_t SystemWindowTextIndex = 8;
inline constexpr std::uint32_t SystemButtonFaceIndex = 15;

// The four colours the window uses, resolved once at start-up.
struct Colours {
    Colour FormColor = RgbColour(192, 192, 192);
    Colour FontColor = SystemColour(SystemWindowTextIndex);
    Colour FontErrorColor = RgbColour(255, 0, 0);
    Colour FontStatusColor = RgbColour(0, 0, 255);
};

}  // namespace core

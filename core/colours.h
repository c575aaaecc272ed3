#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace core {

// A colour as red + green * 256 + blue * 65536; 0x80000000 + n is system colour n.
using Colour = std::uint32_t;

inline constexpr Colour SystemColour(std::uint32_t index) { return 0x80000000u + index; }
inline constexpr Colour RgbColour(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return r + g * 256u + b * 65536u;
}

inline constexpr std::uint32_t SystemWindowTextIndex = 8;
inline constexpr std::uint32_t SystemButtonFaceIndex = 15;

// "clNone": the control keeps its own colour.
inline constexpr Colour NoColour = 0x1FFFFFFF;

// The four colours the window uses, resolved once at start-up.
struct Colours {
    Colour FormColor = RgbColour(192, 192, 192);
    Colour FontColor = SystemColour(SystemWindowTextIndex);
    Colour FontErrorColor = RgbColour(255, 0, 0);
    Colour FontStatusColor = RgbColour(0, 0, 255);
};

// The value of one of the 42 colour names ("clNavy", "clBtnFace", "clNone", ...), matched
// ignoring letter case; nothing for any other text.
[[nodiscard]] std::optional<Colour> ColourByName(std::string_view name);

// A colour name, else a number by the settings' number rule, else the fall-back.
[[nodiscard]] Colour ResolveColour(std::string_view text, Colour fallback);

}  // namespace core

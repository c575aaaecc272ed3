#include "core/colours.h"

#include <algorithm>
#include <array>

#include "core/settings_reader.h"
#include "core/text.h"

namespace core {

namespace {

struct NamedColour {
    std::string_view name;
    Colour value;
};

constexpr std::array<NamedColour, 42> ColourNames{{
    {"clBlack", RgbColour(0, 0, 0)},
    {"clMaroon", RgbColour(128, 0, 0)},
    {"clGreen", RgbColour(0, 128, 0)},
    {"clOlive", RgbColour(128, 128, 0)},
    {"clNavy", RgbColour(0, 0, 128)},
    {"clPurple", RgbColour(128, 0, 128)},
    {"clTeal", RgbColour(0, 128, 128)},
    {"clGray", RgbColour(128, 128, 128)},
    {"clSilver", RgbColour(192, 192, 192)},
    {"clRed", RgbColour(255, 0, 0)},
    {"clLime", RgbColour(0, 255, 0)},
    {"clYellow", RgbColour(255, 255, 0)},
    {"clBlue", RgbColour(0, 0, 255)},
    {"clFuchsia", RgbColour(255, 0, 255)},
    {"clAqua", RgbColour(0, 255, 255)},
    {"clWhite", RgbColour(255, 255, 255)},
    {"clScrollBar", SystemColour(0)},
    {"clBackground", SystemColour(1)},
    {"clActiveCaption", SystemColour(2)},
    {"clInactiveCaption", SystemColour(3)},
    {"clMenu", SystemColour(4)},
    {"clWindow", SystemColour(5)},
    {"clWindowFrame", SystemColour(6)},
    {"clMenuText", SystemColour(7)},
    {"clWindowText", SystemColour(SystemWindowTextIndex)},
    {"clCaptionText", SystemColour(9)},
    {"clActiveBorder", SystemColour(10)},
    {"clInactiveBorder", SystemColour(11)},
    {"clAppWorkSpace", SystemColour(12)},
    {"clHighlight", SystemColour(13)},
    {"clHighlightText", SystemColour(14)},
    {"clBtnFace", SystemColour(SystemButtonFaceIndex)},
    {"clBtnShadow", SystemColour(16)},
    {"clGrayText", SystemColour(17)},
    {"clBtnText", SystemColour(18)},
    {"clInactiveCaptionText", SystemColour(19)},
    {"clBtnHighlight", SystemColour(20)},
    {"cl3DDkShadow", SystemColour(21)},
    {"cl3DLight", SystemColour(22)},
    {"clInfoText", SystemColour(23)},
    {"clInfoBk", SystemColour(24)},
    {"clNone", NoColour},
}};

}  // namespace

std::optional<Colour> ColourByName(std::string_view name) {
    const auto found = std::find_if(ColourNames.begin(), ColourNames.end(), [&](const NamedColour& colour) {
        return EqualIgnoringCase(colour.name, name);
    });
    if (found == ColourNames.end()) return std::nullopt;
    return found->value;
}

Colour ResolveColour(std::string_view text, Colour fallback) {
    if (const std::optional<Colour> named = ColourByName(text)) return *named;
    if (const std::optional<std::int32_t> number = ReadNumber(text)) return static_cast<Colour>(*number);
    return fallback;
}

}  // namespace core

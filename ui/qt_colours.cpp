#include "ui/qt_colours.h"

#include <QApplication>
#include <QWidget>
#include <array>

namespace ui {
namespace {

struct PaletteEntry {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The nearest palette entry for each system colour index, from scroll bar (0) to menu bar (30).
constexpr std::array<PaletteEntry, 31> SystemColourEntries{{
    {QPalette::Active, QPalette::Button},           // 0 scroll bar
    {QPalette::Active, QPalette::Window},           // 1 desktop
    {QPalette::Active, QPalette::Highlight},        // 2 active caption
    {QPalette::Inactive, QPalette::Mid},            // 3 inactive caption
    {QPalette::Active, QPalette::Window},           // 4 menu
    {QPalette::Active, QPalette::Base},             // 5 window
    {QPalette::Active, QPalette::Shadow},           // 6 window frame
    {QPalette::Active, QPalette::WindowText},       // 7 menu text
    {QPalette::Active, QPalette::WindowText},       // 8 window text
    {QPalette::Active, QPalette::HighlightedText},  // 9 caption text
    {QPalette::Active, QPalette::Button},           // 10 active border
    {QPalette::Inactive, QPalette::Button},         // 11 inactive border
    {QPalette::Active, QPalette::Mid},              // 12 application workspace
    {QPalette::Active, QPalette::Highlight},        // 13 highlight
    {QPalette::Active, QPalette::HighlightedText},  // 14 highlighted text
    {QPalette::Active, QPalette::Button},           // 15 button face
    {QPalette::Active, QPalette::Dark},             // 16 button shadow
    {QPalette::Disabled, QPalette::WindowText},     // 17 grey text
    {QPalette::Active, QPalette::ButtonText},       // 18 button text
    {QPalette::Inactive, QPalette::WindowText},     // 19 inactive caption text
    {QPalette::Active, QPalette::Light},            // 20 button highlight
    {QPalette::Active, QPalette::Shadow},           // 21 3D dark shadow
    {QPalette::Active, QPalette::Midlight},         // 22 3D light
    {QPalette::Active, QPalette::ToolTipText},      // 23 info text
    {QPalette::Active, QPalette::ToolTipBase},      // 24 info background
    {QPalette::Active, QPalette::NoRole},           // 25 unused
    {QPalette::Active, QPalette::Link},             // 26 hot light
    {QPalette::Active, QPalette::Highlight},        // 27 active caption gradient
    {QPalette::Inactive, QPalette::Highlight},      // 28 inactive caption gradient
    {QPalette::Active, QPalette::Highlight},        // 29 menu highlight
    {QPalette::Active, QPalette::Window},           // 30 menu bar
}};

constexpr core::Colour SystemColourFlag = 0x80000000u;

// Unknown system colour indices read as black, as the system itself reports them.
QColor SystemColour(std::uint32_t index) {
    if (index >= SystemColourEntries.size()) return Qt::black;
    const PaletteEntry entry = SystemColourEntries[index];
    if (entry.role == QPalette::NoRole) return Qt::black;
    return QApplication::palette().color(entry.group, entry.role);
}

int Channel(core::Colour colour, int shift) { return static_cast<int>((colour >> shift) & 0xFFu); }

}  // namespace

std::optional<QColor> ToQColor(core::Colour colour) {
    if (colour == core::NoColour) return std::nullopt;
    if (colour & SystemColourFlag) return SystemColour(colour & 0xFFu);
    return QColor(Channel(colour, 0), Channel(colour, 8), Channel(colour, 16));
}

void SetPaletteColour(QWidget& widget, QPalette::ColorRole role, core::Colour colour) {
    QPalette palette = widget.palette();
    if (const std::optional<QColor> qtColour = ToQColor(colour)) {
        palette.setColor(role, *qtColour);
    } else {
        const QPalette own = QApplication::palette(&widget);
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            palette.setColor(group, role, own.color(group, role));
    }
    widget.setPalette(palette);
}

}  // namespace ui

#pragma once
// Turns the settings' colour values into Qt colours and applies them to widgets.
#include <QColor>
#include <QPalette>
#include <optional>

#include "core/colours.h"

class QWidget;

namespace ui {

// A plain value is red + green * 256 + blue * 65536; a system colour is looked up in the
// application's palette. "No colour" gives nothing.
[[nodiscard]] std::optional<QColor> ToQColor(core::Colour colour);

// Gives the widget the colour in one palette role (all colour groups); "no colour" gives the role
// back the widget's own colour, the one the application's style has for it.
void SetPaletteColour(QWidget& widget, QPalette::ColorRole role, core::Colour colour);

}  // namespace ui

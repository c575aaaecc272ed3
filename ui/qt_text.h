#pragma once
// Texts cross between the core's system-code-page bytes and Qt's strings only here.
#include <QString>
#include <string>

namespace ui {

[[nodiscard]] QString ToQString(const std::string& text);
[[nodiscard]] std::string ToSystemText(const QString& text);

// Character 13 separates a message from the file it names; Qt's labels need a line feed instead.
[[nodiscard]] QString WithLineBreaks(QString text);

}  // namespace ui

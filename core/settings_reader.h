#pragma once
// The reader of settings files (<base>.cfg): sections of "key=value" lines, looked up by name
// ignoring letter case, where the first section and the first line of a name count. Nothing is
// trimmed, so a blank anywhere in a header or in front of "=" is part of the name.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

struct SettingsSection {
    std::string Name;                // as written between the brackets
    std::vector<std::string> Lines;  // every line after the header that is not empty or a comment
};

class SettingsReader {
  public:
    // Splits the text at CR, LF and CR LF; character 0 ends it. Lines before the first header,
    // empty lines and lines that start with ";" are left out.
    [[nodiscard]] static SettingsReader FromText(std::string_view text);
    // Reads the whole file; one that is missing or cannot be read gives no sections at all.
    [[nodiscard]] static SettingsReader FromFile(const std::string& path);

    // The text after the first "=" of the first line whose text before it equals the key, in the
    // first section of that name; nothing when the section or the key is missing.
    [[nodiscard]] std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    [[nodiscard]] std::string ReadString(std::string_view section, std::string_view key,
                                         std::string_view defaultValue) const;

    [[nodiscard]] const std::vector<SettingsSection>& Sections() const { return sections_; }

  private:
    std::vector<SettingsSection> sections_;
};

// The number rule of the settings: optional leading blanks, then either an optional sign and
// decimal digits within a signed 32-bit value, or "$", "x", "X", "0x" or "0X" and hexadecimal
// digits within 32 bits (taken as the signed value with the same bits). Anything after the
// digits, a blank included, makes the text unreadable, and so does an empty text.
[[nodiscard]] std::optional<std::int32_t> ReadNumber(std::string_view text);

}  // namespace core

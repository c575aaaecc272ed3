// Arbitrary bytes as a settings file, its values through the number rule, the colour names and
// the placeholders: nothing may crash, hang or leak, and the properties below must hold.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/colours.h"
#include "core/placeholders.h"
#include "core/settings_reader.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

// A kept line is never empty, never a comment and never holds a line break or character 0.
void CheckLines(const core::SettingsReader& reader) {
    for (const core::SettingsSection& section : reader.Sections()) {
        for (const std::string& line : section.Lines) {
            Require(!line.empty() && line.front() != ';');
            Require(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
        }
    }
}

// A readable number is also a readable colour with the same bits.
void CheckNumber(std::string_view text) {
    if (const auto number = core::ReadNumber(text); number && !core::ColourByName(text))
        Require(core::ResolveColour(text, 1) == static_cast<core::Colour>(*number));
}

// Without values to insert the text can only lose its folder placeholders; with an environment
// that refers to itself the expansion still ends.
void CheckPlaceholders(std::string_view text) {
    const core::PlaceholderSources nothing{{}, [](int) { return std::string(); }};
    Require(core::ExpandPlaceholders(text, nothing).size() <= text.size());
    const core::PlaceholderSources looping{{"A=%a%%b%", "B=<CSIDL_PERSONAL>%A%", "=x"}, [](int csidl) {
                                               return "<CSIDL_PERSONAL>" + std::to_string(csidl);
                                           }};
    (void)core::ExpandPlaceholders(text, looping);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const core::SettingsReader reader = core::SettingsReader::FromText(text);
    CheckLines(reader);
    for (const char* key : {"AppName", "FormColor", "SourceFile", "DisableSourceOverwrite"}) {
        const std::string value = reader.ReadString("Settings", key, "");
        CheckNumber(value);
        CheckPlaceholders(value);
    }
    return 0;
}

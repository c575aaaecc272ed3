#include "pack/settings_writer.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "core/colours.h"
#include "core/settings.h"
#include "core/settings_reader.h"

namespace pack {

namespace {

bool HasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 32 || c == 127; });
}

bool IsColour(std::string_view text) {
    return core::ColourByName(text).has_value() || core::ReadNumber(text).has_value();
}

}  // namespace

core::Result<std::string> SettingsText(const SettingsRequest& request) {
    struct Key {
        std::string_view name;
        std::string_view option;
        const std::optional<std::string>& value;
        bool colour;
    };
    const Key keys[] = {
        {"AppName", "--title", request.title, false},
        {"SourceFileString", "--source-caption", request.sourceCaption, false},
        {"TargetFileString", "--target-caption", request.targetCaption, false},
        {"FileVersionString", "--version-caption", request.versionCaption, false},
        {"FormColor", "--form-colour", request.formColour, true},
        {"FontColor", "--font-colour", request.fontColour, true},
    };
    std::string text = "[" + std::string(core::SettingsSectionName) + "]\r\n";
    for (const Key& key : keys) {
        if (!key.value) continue;
        if (HasControlCharacter(*key.value))
            return core::Failure{std::string(key.option) +
                                 " holds a line break or another control character"};
        if (key.colour && !IsColour(*key.value))
            return core::Failure{std::string(key.option) + " \"" + *key.value +
                                 "\" is neither a colour name (clNavy, clWhite, ...) nor a number ($800000)"};
        text.append(key.name).append("=").append(*key.value).append("\r\n");
    }
    if (request.noOverwrite) text += "DisableSourceOverwrite=1\r\n";
    return text;
}

}  // namespace pack

#include "core/settings.h"

#include "core/colours.h"
#include "core/messages.h"
#include "core/settings_reader.h"

namespace core {

namespace {

namespace msg = messages;

class SettingsKeys {
  public:
    explicit SettingsKeys(const SettingsReader& reader) : reader_(reader) {}

    std::string Text(std::string_view key, std::string_view defaultValue) const {
        return reader_.ReadString(SettingsSectionName, key, defaultValue);
    }

    // A missing key and an unreadable value both give the fall-back, the value of the default name.
    Colour ColourValue(std::string_view key, Colour fallback) const {
        const std::optional<std::string> text = reader_.Value(SettingsSectionName, key);
        return text ? ResolveColour(*text, fallback) : fallback;
    }

    // On when the value reads as a number other than 0.
    bool Switch(std::string_view key) const { return ReadNumber(Text(key, "0")).value_or(0) != 0; }

  private:
    const SettingsReader& reader_;
};

}  // namespace

LoadedSettings ReadSettings(const std::string& settingsFile, const PlaceholderSources& sources) {
    const SettingsReader reader = SettingsReader::FromFile(settingsFile);
    const SettingsKeys settings(reader);
    const Colours defaults;

    LoadedSettings loaded;
    StoredSettings& stored = loaded.Stored;
    stored.AppName = settings.Text("AppName", msg::DefaultTitle);
    loaded.Captions = {settings.Text("SourceFileString", msg::DefaultSourceCaption),
                       settings.Text("TargetFileString", msg::DefaultTargetCaption),
                       settings.Text("FileVersionString", msg::DefaultVersionCaption)};
    stored.Colours = {settings.ColourValue("FormColor", defaults.FormColor),
                      settings.ColourValue("FontColor", defaults.FontColor),
                      settings.ColourValue("FontErrorColor", defaults.FontErrorColor),
                      settings.ColourValue("FontStatusColor", defaults.FontStatusColor)};
    stored.SourceFile = ExpandPlaceholders(settings.Text("SourceFile", ""), sources);
    stored.TargetFile = ExpandPlaceholders(settings.Text("TargetFile", ""), sources);
    stored.DisableSourceOverwrite = settings.Switch("DisableSourceOverwrite");
    return loaded;
}

}  // namespace core

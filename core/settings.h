#pragma once
// The program's settings from <base>.cfg, section "Settings": title, captions, colours, default
// file names and the switch that forbids converting a file onto itself. Every key has a default,
// so a missing or unreadable file simply gives the defaults.
#include <string>

#include "core/placeholders.h"
#include "core/program_state.h"

namespace core {

inline constexpr std::string_view SettingsSectionName = "Settings";

// The captions of the three labels; they go straight to the window and are not kept.
struct SettingsCaptions {
    std::string SourceFileString;
    std::string TargetFileString;
    std::string FileVersionString;
};

struct LoadedSettings {
    StoredSettings Stored;
    SettingsCaptions Captions;
};

// Reads the settings file; SourceFile and TargetFile come with their placeholders expanded.
[[nodiscard]] LoadedSettings ReadSettings(const std::string& settingsFile, const PlaceholderSources& sources);

}  // namespace core

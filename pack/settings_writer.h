#pragma once
// Writes <base>.cfg, the settings file that brands and presets the converter's window.
#include <string>

#include "core/result.h"
#include "pack/build_request.h"

namespace pack {

// The [Settings] section with the keys that were asked for, lines ended with CR LF. Refused when
// a value could not be read back as given: a line break or other control character in it, or a
// colour that is neither a colour name nor a number.
[[nodiscard]] core::Result<std::string> SettingsText(const SettingsRequest& request);

}  // namespace pack

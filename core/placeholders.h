#pragma once
// Placeholders in the file names of the settings: %NAME% for an environment variable and
// <CSIDL_NAME> for a special folder, both matched ignoring letter case.
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

struct ShellFolder {
    std::string_view Name;  // the placeholder is "<CSIDL_" + Name + ">"
    int Csidl;              // the Windows shell folder number
};

extern const std::array<ShellFolder, 50> ShellFolderTable;

// Where the placeholders' values come from.
struct PlaceholderSources {
    std::vector<std::string> Environment;                 // "name=value" entries, in order
    std::function<std::string(int csidl)> SpecialFolder;  // empty text for a folder without a path
};

// The process environment and the system's special folders.
[[nodiscard]] PlaceholderSources SystemPlaceholderSources();

// Replaces the environment variables first, then the special folders, each in one pass from left
// to right: every placeholder of the text is replaced once (the environment's first entry of a
// name wins) and a variable's value is never searched for other variables, so values cannot
// expand each other and the work stays linear. A variable may still hold a special folder.
// Unknown names, entries with an empty name, single "%" and angle brackets stay as written; a
// folder without a path empties its placeholder.
[[nodiscard]] std::string ExpandPlaceholders(std::string_view text, const PlaceholderSources& sources);

}  // namespace core

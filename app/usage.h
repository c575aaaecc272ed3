#pragma once
// What the converter says about itself when asked on the command line, before any window opens.
#include <optional>
#include <span>
#include <string>

namespace app {

// The text for --help or --version as the first argument, or nothing when neither was asked for.
// `executablePath` names the companion files the way this copy of the program looks for them.
[[nodiscard]] std::optional<std::string> InformationAskedFor(std::span<const char* const> arguments,
                                                             const std::string& executablePath);

}  // namespace app

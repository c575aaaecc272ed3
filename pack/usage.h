#pragma once
// What file-converter-pack says about itself: the short usage, each verb's help and its version.
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pack {

inline constexpr std::string_view ShortUsage =
    "usage: file-converter-pack build OUT_DIR --name FILE LABEL=PATH... [options]\n"
    "       file-converter-pack check SET [--apply VERSION_DIR]\n"
    "       file-converter-pack --help | --version\n";

// The text for --help or --version among the arguments (the tool's or a verb's), or nothing when
// neither was asked for.
[[nodiscard]] std::optional<std::string> InformationAskedFor(std::span<const std::string> arguments);

}  // namespace pack

#pragma once
// Everything a `build` command asks for, as read from its command line.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pack/patch_plan.h"

namespace pack {

struct VersionInput {
    std::string label;
    std::string path;
};

// What goes into <base>.cfg; a key that was not asked for is not written.
struct SettingsRequest {
    std::optional<std::string> title;
    std::optional<std::string> sourceCaption;
    std::optional<std::string> targetCaption;
    std::optional<std::string> versionCaption;
    std::optional<std::string> formColour;
    std::optional<std::string> fontColour;
    bool noOverwrite = false;

    [[nodiscard]] bool empty() const {
        return !title && !sourceCaption && !targetCaption && !versionCaption && !formColour && !fontColour &&
               !noOverwrite;
    }
};

// The BMP and WAV files that go into <base>.dll.
struct BrandingRequest {
    std::optional<std::string> pictureOpen;
    std::optional<std::string> pictureClose;
    std::optional<std::string> soundOpen;
    std::optional<std::string> soundClose;

    [[nodiscard]] bool empty() const { return !pictureOpen && !pictureClose && !soundOpen && !soundClose; }
};

struct BuildRequest {
    std::string outDir;
    std::string fileName;                // --name: the file the versions are versions of
    std::string base;                    // --base: the converter's name and the companion files' base name
    std::vector<VersionInput> versions;  // oldest first
    std::vector<std::pair<std::string, std::string>> descriptions;  // --describe LABEL=TEXT, in order
    std::optional<std::string> pattern;
    std::optional<std::string> appName;
    bool timeStamps = true;
    PatchPlan plan = PatchPlan::EveryPair;
    bool systemBspatch = false;
    bool systemBsdiff = false;  // Debian's bsdiff makes the patches instead of ours
    bool force = false;
    SettingsRequest settings;
    BrandingRequest branding;
};

}  // namespace pack

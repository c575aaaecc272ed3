#include "pack/build_arguments.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>

#include "core/naming.h"

namespace pack {

namespace {

using ValueSetter = std::function<void(BuildRequest&, std::string)>;
using SwitchSetter = std::function<void(BuildRequest&)>;

const std::map<std::string, ValueSetter, std::less<>>& ValueOptions() {
    static const std::map<std::string, ValueSetter, std::less<>> options{
        {"--name", [](BuildRequest& r, std::string v) { r.fileName = std::move(v); }},
        {"--base", [](BuildRequest& r, std::string v) { r.base = std::move(v); }},
        {"--pattern", [](BuildRequest& r, std::string v) { r.pattern = std::move(v); }},
        {"--app-name", [](BuildRequest& r, std::string v) { r.appName = std::move(v); }},
        {"--title", [](BuildRequest& r, std::string v) { r.settings.title = std::move(v); }},
        {"--source-caption", [](BuildRequest& r, std::string v) { r.settings.sourceCaption = std::move(v); }},
        {"--target-caption", [](BuildRequest& r, std::string v) { r.settings.targetCaption = std::move(v); }},
        {"--version-caption",
         [](BuildRequest& r, std::string v) { r.settings.versionCaption = std::move(v); }},
        {"--form-colour", [](BuildRequest& r, std::string v) { r.settings.formColour = std::move(v); }},
        {"--font-colour", [](BuildRequest& r, std::string v) { r.settings.fontColour = std::move(v); }},
        {"--picture-open", [](BuildRequest& r, std::string v) { r.branding.pictureOpen = std::move(v); }},
        {"--picture-close", [](BuildRequest& r, std::string v) { r.branding.pictureClose = std::move(v); }},
        {"--sound-open", [](BuildRequest& r, std::string v) { r.branding.soundOpen = std::move(v); }},
        {"--sound-close", [](BuildRequest& r, std::string v) { r.branding.soundClose = std::move(v); }},
    };
    return options;
}

const std::map<std::string, SwitchSetter, std::less<>>& Switches() {
    static const std::map<std::string, SwitchSetter, std::less<>> switches{
        {"--no-timestamp", [](BuildRequest& r) { r.timeStamps = false; }},
        {"--to-latest", [](BuildRequest& r) { r.plan = PatchPlan::ToLatest; }},
        {"--chain", [](BuildRequest& r) { r.plan = PatchPlan::Chain; }},
        {"--system-bspatch", [](BuildRequest& r) { r.systemBspatch = true; }},
        {"--system-bsdiff", [](BuildRequest& r) { r.systemBsdiff = true; }},
        {"--force", [](BuildRequest& r) { r.force = true; }},
        {"--no-overwrite", [](BuildRequest& r) { r.settings.noOverwrite = true; }},
    };
    return switches;
}

// The directory named without trailing slashes or "." steps ("out/" and "./out/." are "out"), so
// that what is made beside it lands beside it and not inside.
std::string DirectoryName(const std::string& argument) {
    std::string name = std::filesystem::path(argument).lexically_normal().string();
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    return name;
}

// LABEL=TEXT split at the first "="; nothing without one.
std::optional<std::pair<std::string, std::string>> SplitAssignment(std::string_view text) {
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return std::pair{std::string(text.substr(0, equals)), std::string(text.substr(equals + 1))};
}

bool IsVersionLabel(const BuildRequest& request, std::string_view label) {
    return std::any_of(request.versions.begin(), request.versions.end(),
                       [label](const VersionInput& version) { return version.label == label; });
}

}  // namespace

core::Result<BuildRequest> ParseBuildArguments(std::span<const std::string> arguments) {
    BuildRequest request;
    bool haveOutDir = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (const auto value = ValueOptions().find(argument); value != ValueOptions().end()) {
            if (i + 1 == arguments.size()) return core::Failure{argument + " needs a value"};
            value->second(request, arguments[++i]);
        } else if (argument == "--describe") {
            if (i + 1 == arguments.size()) return core::Failure{"--describe needs LABEL=TEXT"};
            auto description = SplitAssignment(arguments[++i]);
            if (!description)
                return core::Failure{"--describe needs LABEL=TEXT, not \"" + arguments[i] + "\""};
            request.descriptions.push_back(std::move(*description));
        } else if (const auto flag = Switches().find(argument); flag != Switches().end()) {
            flag->second(request);
        } else if (argument.starts_with("--")) {
            return core::Failure{"unknown option " + argument};
        } else if (!haveOutDir) {
            request.outDir = DirectoryName(argument);
            haveOutDir = true;
        } else if (auto version = SplitAssignment(argument)) {
            request.versions.push_back({std::move(version->first), std::move(version->second)});
        } else {
            return core::Failure{"\"" + argument + "\" is not LABEL=PATH"};
        }
    }
    if (!haveOutDir) return core::Failure{"no output directory given"};
    if (request.fileName.empty())
        return core::Failure{"--name FILE is needed: the name of the file the versions are of"};
    if (request.versions.size() < 2) return core::Failure{"at least two versions (LABEL=PATH) are needed"};
    for (const auto& [label, text] : request.descriptions)
        if (!IsVersionLabel(request, label))
            return core::Failure{"--describe names \"" + label + "\", which is no version"};
    if (request.base.empty()) request.base = core::BaseName(request.fileName);
    return request;
}

}  // namespace pack
